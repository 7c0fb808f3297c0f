#include "ctl/CtlCommandTable.h"

#include <QCommandLineParser>
#include <QList>

namespace qvx::ctl {

namespace {

const QList<CommandInfo> &Commands()
{
    static const QList<CommandInfo> commands{
        {QStringLiteral("discover"), QString(),
         QStringLiteral("Lists every device that answers a discovery, with the fields of the discovery record "
                        "and the network card it answered on."),
         true, DeviceListOptions, runDiscover},
        {QStringLiteral("scan"), QStringLiteral("RANGE... [--rate N] [--retries N] [--force]"),
         QStringLiteral("Asks every address of the ranges for its settings (command 97, as \"Download Settings\"), "
                        "so that devices behind routers are found too. A range is a subnet (10.1.0.0/22, its network "
                        "and broadcast addresses left out), A.B.C.D-E.F.G.H or one address; at most 65536 addresses "
                        "unless --force. Each silent address is asked once more at the end. Lists the devices that "
                        "answered with their settings and the card that heard them; exit 1 when none did."),
         false, DeviceListOptions | PaceOptions, runScan},
        {QStringLiteral("get"), QStringLiteral("IP"),
         QStringLiteral("Downloads the settings of the device at IP (command 97), firmware included."), false, NoOptions, runGet},
        {QStringLiteral("set"), QStringLiteral("IP --password PW KEY=VALUE..."),
         QStringLiteral("Downloads the settings of the device at IP, changes the named fields, checks them as the "
                        "programmer window does, logs in, uploads them (command 98), follows a new address and "
                        "downloads again to verify. Keys: ip mask gateway local_port remote_port baud rx_timeout "
                        "data_bits parity stop_bits default_timeout dhcp protocol tcp_mode tcp_server."),
         false, PasswordOption, runSet},
        {QStringLiteral("set-by-mac"), QStringLiteral("MAC KEY=VALUE..."),
         QStringLiteral("Writes the device with that MAC address through the multicast group (command 108, as "
                        "\"Upload selected device\"): its discovered settings plus the changes, checked as the "
                        "discovery window does; verifies by a new discovery. Keys: every discovery key; mac=NEW "
                        "gives the device a new MAC address."),
         true, NoOptions, runSetByMac},
        {QStringLiteral("factory"), QStringLiteral("MAC"),
         QStringLiteral("Finds the device with that MAC address by a discovery, returns it to its factory setting "
                        "(command 109) through the card it answered on and lists it again by a new discovery."),
         true, NoOptions, runFactory},
        {QStringLiteral("password"), QStringLiteral("IP OLD NEW"),
         QStringLiteral("Changes the password of the device at IP (command 101) and checks that the new one logs "
                        "in. Passwords have 6 to 12 letters or digits."),
         false, NoOptions, runPassword},
        {QStringLiteral("source"), QStringLiteral("IP [--password PW] [--set A.B.C.D ...] [source_N=A.B.C.D ...]"),
         QStringLiteral("Shows the source IP filter of the device at IP (command 105); with --set (the whole list, "
                        "the addresses not given become 0.0.0.0) or source_N=, logs in, writes it (command 106) "
                        "and reads it back."),
         false, PasswordOption | SourceListOption, runSource},
        {QStringLiteral("bridge"), QStringLiteral("IP [--password PW] [KEY=VALUE ...]"),
         QStringLiteral("Shows the bridge destinations of the device at IP (command 110); with changes to bridge, "
                        "bridge_local_port, bridge_port_1..5 or bridge_ip_1..5, logs in, writes them (command 111) "
                        "and reads them back."),
         false, PasswordOption, runBridge},
        {QStringLiteral("mac"), QStringLiteral("IP --password PW (--auto | --code N)"),
         QStringLiteral("Gives the device at IP a new MAC address: automatically (command 112) or 00-04-A3 "
                        "followed by the three bytes of the code N, 65793..16777215 (command 113); reads it back."),
         false, PasswordOption | MacCodeOptions, runMac},
        {QStringLiteral("commission"), QStringLiteral("SHEET.csv"),
         QStringLiteral("Writes every device listed in the sheet by its MAC address (one row per device, a column "
                        "per field key, empty cells left as they are), then discovers again and verifies each. The "
                        "whole sheet is checked before anything is sent; no two rows may name one MAC address or "
                        "plan one IP address. A row planning the address of a device that keeps it is not written."),
         true, NoOptions, runCommission},
        {QStringLiteral("check"), QStringLiteral("SHEET.csv [--scan RANGE ...]"),
         QStringLiteral("Checks the site against its sheet (the commissioning sheet's form; read-only keys such as "
                        "firmware allowed; an empty cell is not checked): discovers the devices (and searches the "
                        "ranges given with --scan), downloads each one's settings when the sheet names a key the "
                        "discovery lacks, and lists every unit with its status: matches, differs (each field with "
                        "the sheet's value and the device's), missing, replaced (an unknown unit holds its planned "
                        "address) or not in sheet. Exit 0 when all match, 1 on any difference, 2 for a bad sheet, "
                        "3 when the search could not run."),
         true, ScanRangeOption, runCheck},
    };
    return commands;
}

} // namespace

const CommandInfo *findCommand(const QString &name)
{
    for (const CommandInfo &c : Commands())
        if (c.name == name)
            return &c;
    return nullptr;
}

QString overviewText()
{
    QString text = QStringLiteral("Usage: qvxctl [--format table|json|csv] [--timeout SECONDS] COMMAND ...\n\n"
                                  "Finds and configures Ethernet-to-serial converters over UDP.\n\nCommands:\n");
    for (const CommandInfo &c : Commands())
        text += QStringLiteral("  %1 %2\n").arg(c.name, c.synopsis);
    text += QStringLiteral(
        "\nOptions every command takes:\n"
        "  --format table|json|csv  output form (default table)\n"
        "  --timeout SECONDS        wait for each reply (default 2) and for a discovery's\n"
        "                           answers (default 5)\n"
        "  --write-delay MS         pause between logout and write (default 2000)\n"
        "  --card NAME              discover on this network card only (default: all)\n"
        "  --fields KEY,...         discover, scan: the columns to show; --all: every one\n"
        "\nqvxctl COMMAND --help describes one command.\n"
        "Exit codes: 0 done and verified; 1 a device refused, did not answer or did not\n"
        "verify (check: a difference); 2 bad usage or a bad sheet, nothing sent; 3 check:\n"
        "the search could not run.\n");
    return text;
}

// The options every command takes.
void addGlobalOptions(QCommandLineParser &parser, bool cards)
{
    parser.addHelpOption();
    parser.addOption({QStringLiteral("format"), QStringLiteral("Output: table (default), json or csv."),
                      QStringLiteral("table|json|csv"), QStringLiteral("table")});
    parser.addOption({QStringLiteral("timeout"),
                      QStringLiteral("Seconds to wait for each reply (default 2) and for the answers to a "
                                     "discovery (default 5)."),
                      QStringLiteral("SECONDS")});
    parser.addOption({QStringLiteral("write-delay"),
                      QStringLiteral("Milliseconds between the logout and the write, and between a write by MAC "
                                     "address and the discovery that verifies it (default 2000)."),
                      QStringLiteral("MS")});
    if (cards)
        parser.addOption({QStringLiteral("card"), QStringLiteral("Search on this network card only (default: all)."),
                          QStringLiteral("NAME")});
}

} // namespace qvx::ctl
