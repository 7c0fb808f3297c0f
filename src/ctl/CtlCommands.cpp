#include "ctl/CtlCommands.h"

#include "ctl/CtlSession.h"
#include "netadapters/CardSource.h"
#include "protocol/CommissionSheet.h"
#include "protocol/Commands.h"
#include "protocol/FieldKeys.h"
#include "protocol/FieldRules.h"
#include "protocol/Layouts.h"
#include "protocol/RecordFormats.h"
#include "protocol/TextRules.h"

#include <QCommandLineParser>
#include <QFile>
#include <QHostAddress>

#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace qvx {

namespace {

// ---- Output -----------------------------------------------------------------------------

void printError(const QString &text)
{
    std::fprintf(stderr, "qvxctl: %s\n", qPrintable(text));
}

void printOut(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QString secondsText(int ms)
{
    return QString::number(ms / 1000.0, 'g', 3) + QStringLiteral(" s");
}

// ---- Command line -----------------------------------------------------------------------

struct Globals {
    RecordFormat format = RecordFormat::Table;
    int timeoutMs = kReplyTimeoutMs;
    int discoveryMs = kDiscoveryTimeoutMs;
    int writeDelayMs = kDeferredWriteMs;
    QString card;
};

const QString kProgram = QStringLiteral("qvxctl");

struct CommandInfo {
    QString name;
    QString synopsis;    // after "qvxctl NAME"
    QString description;
    bool cards = false;  // searches by discovery: --card applies
};

const QList<CommandInfo> &Commands()
{
    static const QList<CommandInfo> commands{
        {QStringLiteral("discover"), QString(),
         QStringLiteral("Lists every device that answers a discovery, with the fields of the discovery record "
                        "and the network card it answered on."),
         true},
        {QStringLiteral("get"), QStringLiteral("IP"),
         QStringLiteral("Downloads the settings of the device at IP (command 97), firmware included."), false},
        {QStringLiteral("set"), QStringLiteral("IP --password PW KEY=VALUE..."),
         QStringLiteral("Downloads the settings of the device at IP, changes the named fields, checks them as the "
                        "programmer window does, logs in, uploads them (command 98), follows a new address and "
                        "downloads again to verify. Keys: ip mask gateway local_port remote_port baud rx_timeout "
                        "data_bits parity stop_bits default_timeout dhcp protocol tcp_mode tcp_server."),
         false},
        {QStringLiteral("set-by-mac"), QStringLiteral("MAC KEY=VALUE..."),
         QStringLiteral("Writes the device with that MAC address through the multicast group (command 108, as "
                        "\"Upload selected device\"): its discovered settings plus the changes, checked as the "
                        "discovery window does; verifies by a new discovery. Keys: every discovery key; mac=NEW "
                        "gives the device a new MAC address."),
         true},
        {QStringLiteral("factory"), QStringLiteral("MAC"),
         QStringLiteral("Finds the device with that MAC address by a discovery, returns it to its factory setting "
                        "(command 109) through the card it answered on and lists it again by a new discovery."),
         true},
        {QStringLiteral("password"), QStringLiteral("IP OLD NEW"),
         QStringLiteral("Changes the password of the device at IP (command 101) and checks that the new one logs "
                        "in. Passwords have 6 to 12 letters or digits."),
         false},
        {QStringLiteral("source"), QStringLiteral("IP [--password PW] [--set A.B.C.D ...] [source_N=A.B.C.D ...]"),
         QStringLiteral("Shows the source IP filter of the device at IP (command 105); with --set (the whole list, "
                        "the addresses not given become 0.0.0.0) or source_N=, logs in, writes it (command 106) "
                        "and reads it back."),
         false},
        {QStringLiteral("bridge"), QStringLiteral("IP [--password PW] [KEY=VALUE ...]"),
         QStringLiteral("Shows the bridge destinations of the device at IP (command 110); with changes to bridge, "
                        "bridge_local_port, bridge_port_1..5 or bridge_ip_1..5, logs in, writes them (command 111) "
                        "and reads them back."),
         false},
        {QStringLiteral("mac"), QStringLiteral("IP --password PW (--auto | --code N)"),
         QStringLiteral("Gives the device at IP a new MAC address: automatically (command 112) or 00-04-A3 "
                        "followed by the three bytes of the code N, 65793..16777215 (command 113); reads it back."),
         false},
        {QStringLiteral("commission"), QStringLiteral("SHEET.csv"),
         QStringLiteral("Writes every device listed in the sheet by its MAC address (one row per device, a column "
                        "per field key, empty cells left as they are), then discovers again and verifies each. The "
                        "whole sheet is checked before anything is sent; no two rows may name one MAC address or "
                        "plan one IP address. A row planning the address of a device that keeps it is not written."),
         true},
    };
    return commands;
}

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
    text += QStringLiteral("\nqvxctl COMMAND --help describes one command. Exit codes: 0 done and verified, 1 a device "
                           "refused, did not answer or did not verify, 2 bad usage or a bad sheet.\n");
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

// ---- Checks of arguments ----------------------------------------------------------------

bool isDeviceAddress(const QString &text)
{
    const Checked<QString> shown = normalizeFieldValue(QStringLiteral("ip"), text);
    if (!shown.ok())
        return false;
    for (const QString &part : shown.value->split(QLatin1Char('.')))
        if (part.toInt() > 255)
            return false;
    return true;
}

std::optional<Mac6> parseMac(const QString &text)
{
    const Checked<QString> shown = normalizeFieldValue(kMacKey, text);
    if (!shown.ok())
        return std::nullopt;
    Mac6 mac{};
    for (int i = 0; i < 6; ++i)
        mac[std::size_t(i)] = quint8(shown.value->mid(3 * i, 2).toUInt(nullptr, 16));
    return mac;
}

QByteArray macBytes(const Mac6 &mac)
{
    QByteArray out;
    for (quint8 b : mac)
        out.append(char(b));
    return out;
}

// ---- One run ----------------------------------------------------------------------------

class Runner {
public:
    Runner(const Globals &globals, UdpEndpoint &endpoint, CardSource &cards)
        : g(globals), session(endpoint, cards, globals.timeoutMs, globals.discoveryMs, globals.card)
    {
    }

    int discover();
    int get(const QString &ip);
    int set(const QString &ip, const QString &password, const QList<FieldChange> &changes);
    int setByMac(const Mac6 &mac, const QList<FieldChange> &changes);
    int factory(const Mac6 &mac);
    int password(const QString &ip, const QString &oldPassword, const QString &newPassword);
    int source(const QString &ip, const QString &password, const std::optional<QStringList> &list,
               const QList<FieldChange> &changes);
    int bridge(const QString &ip, const QString &password, const QList<FieldChange> &changes);
    int mac(const QString &ip, const QString &password, bool automatic, const QString &code);
    int commission(const CommissionSheet &sheet);

private:
    void print(const QStringList &header, const QList<QStringList> &rows) { printOut(recordText(g.format, header, rows)); }
    void printChanges(const QString &device, const FieldValues &before, const FieldValues &after, const QStringList &keys);
    bool login(const QString &ip, const QString &password);
    // Logout now, the write after the write delay: the windows' write sequence.
    std::optional<Frame> writeSequence(const QString &ip, quint8 cmd, const QByteArray &data);
    std::optional<FoundDevice> findByMac(const std::optional<QList<FoundDevice>> &found, const Mac6 &mac) const;
    QString noAnswer(const QString &device, const QString &what) const
    {
        return QStringLiteral("%1: no answer to %2 within %3").arg(device, what, secondsText(g.timeoutMs));
    }

    Globals g;
    CtlSession session;
};

void Runner::printChanges(const QString &device, const FieldValues &before, const FieldValues &after,
                          const QStringList &keys)
{
    QList<QStringList> rows;
    for (const QString &key : changedKeys(before, after, keys))
        rows << QStringList{device, key, before.value(key), after.value(key)};
    print({QStringLiteral("device"), QStringLiteral("field"), QStringLiteral("before"), QStringLiteral("after")}, rows);
}

std::optional<FoundDevice> Runner::findByMac(const std::optional<QList<FoundDevice>> &found, const Mac6 &mac) const
{
    if (!found)
        return std::nullopt;
    for (const FoundDevice &d : *found)
        if (decodeDiscoveryRecord(d.record).mac == mac)
            return d;
    return std::nullopt;
}

bool Runner::login(const QString &ip, const QString &password)
{
    const std::optional<Frame> reply = session.request(ip, CmdLogin, passwordBytes(password));
    if (!reply) {
        printError(noAnswer(ip, QStringLiteral("the login")));
        return false;
    }
    if (reply->data.startsWith(QByteArray("\xFF\xFF", 2)))
        return true;
    printError(QStringLiteral("%1: login refused (wrong password)").arg(ip));
    return false;
}

std::optional<Frame> Runner::writeSequence(const QString &ip, quint8 cmd, const QByteArray &data)
{
    bool loggedOut = false;
    const std::optional<Frame> reply = session.writeSequence(ip, cmd, data, g.writeDelayMs, &loggedOut);
    if (!loggedOut)
        printError(noAnswer(ip, QStringLiteral("the logout")));
    else if (!reply)
        printError(noAnswer(ip, QStringLiteral("the write (command %1)").arg(cmd)));
    return reply;
}

int Runner::discover()
{
    const std::optional<QList<FoundDevice>> found = session.discover();
    if (!found) {
        printError(QStringLiteral("the discovery request could not be sent"));
        return ExitDevice;
    }
    QStringList header = discoveryFieldKeys();
    header << kCardKey;
    QList<QStringList> rows;
    for (const FoundDevice &d : *found)
        rows << valuesInOrder(discoveryFieldValues(d.record, d.card), header);
    if (found->isEmpty())
        printError(QStringLiteral("no device answered within %1").arg(secondsText(g.discoveryMs)));
    print(header, rows);
    return ExitDone;
}

int Runner::get(const QString &ip)
{
    const std::optional<Frame> reply = session.command(ip, CmdDownloadSettings);
    if (!reply) {
        printError(noAnswer(ip, QStringLiteral("the settings download")));
        return ExitDevice;
    }
    print(settingsFieldKeys(), {valuesInOrder(settingsFieldValues(reply->data), settingsFieldKeys())});
    return ExitDone;
}

int Runner::set(const QString &ip, const QString &password, const QList<FieldChange> &changes)
{
    const std::optional<Frame> before = session.command(ip, CmdDownloadSettings);
    if (!before) {
        printError(noAnswer(ip, QStringLiteral("the settings download")));
        return ExitDevice;
    }
    const Checked<SettingsUploadBlock> block = settingsUploadWithChanges(before->data, changes);
    if (!block.ok()) {
        printError(QStringLiteral("%1: %2").arg(ip, block.refusal));
        return ExitDevice;
    }
    const FieldValues was = settingsFieldValues(before->data);
    const FieldValues wanted = expectedSettingsValues(*block.value, before->data);
    if (changedKeys(was, wanted, settingsFieldKeys()).isEmpty()) {
        print({QStringLiteral("device"), QStringLiteral("field"), QStringLiteral("before"), QStringLiteral("after")}, {});
        return ExitDone;
    }
    if (!login(ip, password) || !writeSequence(ip, CmdUploadSettings, encodeSettingsUploadBlock(*block.value)))
        return ExitDevice;

    // The device answers from its old address and is at the new one from now on.
    const QString now = dottedText(block.value->ip);
    std::optional<Frame> after = session.command(now, CmdDownloadSettings);
    if (!after) {
        session.pause(g.writeDelayMs);
        after = session.command(now, CmdDownloadSettings);
    }
    if (!after) {
        printError(QStringLiteral("%1: the upload was confirmed, but %2").arg(ip, noAnswer(now, QStringLiteral("the settings download"))));
        return ExitDevice;
    }
    const FieldValues is = settingsFieldValues(after->data);
    const QStringList differing = changedKeys(wanted, is, settingsFieldKeys());
    if (!differing.isEmpty()) {
        QStringList what;
        for (const QString &key : differing)
            what << QStringLiteral("%1 reads %2, not %3").arg(key, is.value(key), wanted.value(key));
        printError(QStringLiteral("%1: did not verify: %2").arg(now, what.join(QStringLiteral("; "))));
        printChanges(ip, was, is, settingsFieldKeys());
        return ExitDevice;
    }
    printChanges(ip, was, is, settingsFieldKeys());
    return ExitDone;
}

int Runner::setByMac(const Mac6 &mac, const QList<FieldChange> &changes)
{
    const QString device = macText(mac);
    const std::optional<FoundDevice> found = findByMac(session.discover(), mac);
    if (!found) {
        printError(QStringLiteral("%1: did not answer the discovery").arg(device));
        return ExitDevice;
    }
    const Checked<DiscoveryRecord> settings = deviceUploadWithChanges(found->record, changes);
    if (!settings.ok()) {
        printError(QStringLiteral("%1: %2").arg(device, settings.refusal));
        return ExitDevice;
    }
    const FieldValues was = discoveryFieldValues(found->record);
    const FieldValues wanted = discoveryFieldValues(encodeDiscoveryRecord(*settings.value));
    if (!session.requestGroup(CmdUploadSelected, encodeDeviceUploadBlock({mac, *settings.value}), found->localCard)) {
        printError(noAnswer(device, QStringLiteral("the upload")));
        return ExitDevice;
    }
    session.pause(g.writeDelayMs);
    const std::optional<FoundDevice> again = findByMac(session.discover(), settings.value->mac);
    if (!again) {
        printError(QStringLiteral("%1: the upload was confirmed, but %2 did not answer the discovery")
                       .arg(device, macText(settings.value->mac)));
        return ExitDevice;
    }
    const FieldValues is = discoveryFieldValues(again->record);
    const QStringList differing = changedKeys(wanted, is, discoveryFieldKeys());
    printChanges(device, was, is, discoveryFieldKeys());
    if (!differing.isEmpty()) {
        QStringList what;
        for (const QString &key : differing)
            what << QStringLiteral("%1 reads %2, not %3").arg(key, is.value(key), wanted.value(key));
        printError(QStringLiteral("%1: did not verify: %2").arg(device, what.join(QStringLiteral("; "))));
        return ExitDevice;
    }
    return ExitDone;
}

int Runner::factory(const Mac6 &mac)
{
    const QString device = macText(mac);
    // The device is written out of the card it answers on, as the discovery window does.
    const std::optional<FoundDevice> found = findByMac(session.discover(), mac);
    if (!found) {
        printError(QStringLiteral("%1: did not answer the discovery").arg(device));
        return ExitDevice;
    }
    if (!session.requestGroup(CmdFactorySetting, macBytes(mac), found->localCard)) {
        printError(noAnswer(device, QStringLiteral("the factory setting")));
        return ExitDevice;
    }
    session.pause(g.writeDelayMs);
    const std::optional<FoundDevice> again = findByMac(session.discover(), mac);
    if (!again) {
        printError(QStringLiteral("%1: the factory setting was confirmed, but the device did not answer the discovery")
                       .arg(device));
        return ExitDevice;
    }
    QStringList header = discoveryFieldKeys();
    header << kCardKey;
    print(header, {valuesInOrder(discoveryFieldValues(again->record, again->card), header)});
    return ExitDone;
}

int Runner::password(const QString &ip, const QString &oldPassword, const QString &newPassword)
{
    const std::optional<Frame> reply = session.request(ip, CmdSetPassword, passwordBytes(oldPassword) + passwordBytes(newPassword));
    if (!reply) {
        printError(noAnswer(ip, QStringLiteral("the password change")));
        return ExitDevice;
    }
    if (!reply->data.startsWith(QByteArray("\xFF\xFF", 2))) {
        printError(QStringLiteral("%1: New password setting aborted! Wrong old password typed").arg(ip));
        return ExitDevice;
    }
    // The new password must log in; the session then ends.
    const bool verified = login(ip, newPassword);
    session.command(ip, CmdLogout);
    if (!verified)
        return ExitDevice;
    print({QStringLiteral("device"), QStringLiteral("result")},
          {{ip, QStringLiteral("New password successfully set!")}});
    return ExitDone;
}

namespace {

FieldValues sourceValues(const QByteArray &data)
{
    const SourceFilterBlock block = decodeSourceFilterBlock(data);
    FieldValues v;
    for (int k = 0; k < 4; ++k)
        v.insert(QStringLiteral("source_%1").arg(k + 1), dottedText(block.sources[std::size_t(k)]));
    return v;
}

QStringList sourceKeys()
{
    return {QStringLiteral("source_1"), QStringLiteral("source_2"), QStringLiteral("source_3"), QStringLiteral("source_4")};
}

FieldValues bridgeValues(const QByteArray &data)
{
    const BridgeBlock block = decodeBridgeBlock(data);
    FieldValues v;
    v.insert(QStringLiteral("bridge"), block.enabled ? QStringLiteral("Enable") : QStringLiteral("Disable"));
    v.insert(QStringLiteral("bridge_local_port"), QString::number(block.localPort));
    for (int k = 0; k < 5; ++k) {
        v.insert(QStringLiteral("bridge_port_%1").arg(k + 1), QString::number(block.remotePorts[std::size_t(k)]));
        v.insert(QStringLiteral("bridge_ip_%1").arg(k + 1), dottedText(block.ips[std::size_t(k)]));
    }
    return v;
}

QStringList bridgeKeys()
{
    QStringList keys{QStringLiteral("bridge"), QStringLiteral("bridge_local_port")};
    for (int k = 1; k <= 5; ++k)
        keys << QStringLiteral("bridge_port_%1").arg(k);
    for (int k = 1; k <= 5; ++k)
        keys << QStringLiteral("bridge_ip_%1").arg(k);
    return keys;
}

// The source filter dialog's mirrors from shown values: each octet box by its change rule.
std::array<std::array<qint16, 4>, 4> sourceMirrors(const FieldValues &values)
{
    std::array<std::array<qint16, 4>, 4> out{};
    for (int k = 0; k < 4; ++k) {
        const QStringList parts = values.value(QStringLiteral("source_%1").arg(k + 1)).split(QLatin1Char('.'));
        for (int i = 0; i < 4; ++i)
            out[std::size_t(k)][std::size_t(i)] = i < parts.size() ? octetFieldValue(parts[i]) : qint16(-1);
    }
    return out;
}

Checked<BridgeBlock> bridgeFromValues(const FieldValues &values)
{
    std::array<qint32, 5> ports{};
    std::array<std::array<qint16, 4>, 5> ips{};
    for (int k = 0; k < 5; ++k) {
        ports[std::size_t(k)] = wordFieldValue(values.value(QStringLiteral("bridge_port_%1").arg(k + 1)));
        const QStringList parts = values.value(QStringLiteral("bridge_ip_%1").arg(k + 1)).split(QLatin1Char('.'));
        for (int i = 0; i < 4; ++i)
            ips[std::size_t(k)][std::size_t(i)] = i < parts.size() ? octetFieldValue(parts[i]) : qint16(-1);
    }
    return checkBridgeSettings(values.value(QStringLiteral("bridge")) == QLatin1String("Enable"),
                               wordFieldValue(values.value(QStringLiteral("bridge_local_port"))), ports, ips);
}

} // namespace

int Runner::source(const QString &ip, const QString &password, const std::optional<QStringList> &list,
                   const QList<FieldChange> &changes)
{
    const std::optional<Frame> before = session.command(ip, CmdDownloadSource);
    if (!before) {
        printError(noAnswer(ip, QStringLiteral("the source filter download")));
        return ExitDevice;
    }
    const FieldValues was = sourceValues(before->data);
    if (!list && changes.isEmpty()) {
        QStringList header{QStringLiteral("device")};
        header << sourceKeys();
        print(header, {QStringList{ip} + valuesInOrder(was, sourceKeys())});
        return ExitDone;
    }
    FieldValues wanted = was;
    if (list)
        for (int k = 0; k < 4; ++k)
            wanted.insert(QStringLiteral("source_%1").arg(k + 1), k < list->size() ? list->at(k) : QStringLiteral("0.0.0.0"));
    for (const FieldChange &c : changes)
        wanted.insert(c.key, c.value);
    const Checked<SourceFilterBlock> block = checkSourceFilter(sourceMirrors(wanted));
    if (!block.ok()) {
        printError(QStringLiteral("%1: %2").arg(ip, block.refusal));
        return ExitUsage;
    }
    wanted = sourceValues(encodeSourceFilterBlock(*block.value));
    if (!login(ip, password) || !writeSequence(ip, CmdUploadSource, encodeSourceFilterBlock(*block.value)))
        return ExitDevice;
    const std::optional<Frame> after = session.command(ip, CmdDownloadSource);
    if (!after) {
        printError(noAnswer(ip, QStringLiteral("the source filter download")));
        return ExitDevice;
    }
    const FieldValues is = sourceValues(after->data);
    printChanges(ip, was, is, sourceKeys());
    if (!changedKeys(wanted, is, sourceKeys()).isEmpty()) {
        printError(QStringLiteral("%1: did not verify: the source filter reads back differently").arg(ip));
        return ExitDevice;
    }
    return ExitDone;
}

int Runner::bridge(const QString &ip, const QString &password, const QList<FieldChange> &changes)
{
    const std::optional<Frame> before = session.command(ip, CmdDownloadBridge);
    if (!before) {
        printError(noAnswer(ip, QStringLiteral("the bridge download")));
        return ExitDevice;
    }
    const FieldValues was = bridgeValues(before->data);
    if (changes.isEmpty()) {
        QStringList header{QStringLiteral("device")};
        header << bridgeKeys();
        print(header, {QStringList{ip} + valuesInOrder(was, bridgeKeys())});
        return ExitDone;
    }
    FieldValues wanted = was;
    for (const FieldChange &c : changes)
        wanted.insert(c.key, c.value);
    const Checked<BridgeBlock> block = bridgeFromValues(wanted);
    if (!block.ok()) {
        printError(QStringLiteral("%1: %2").arg(ip, block.refusal));
        return ExitUsage;
    }
    wanted = bridgeValues(encodeBridgeBlock(*block.value));
    if (!login(ip, password) || !writeSequence(ip, CmdUploadBridge, encodeBridgeBlock(*block.value)))
        return ExitDevice;
    const std::optional<Frame> after = session.command(ip, CmdDownloadBridge);
    if (!after) {
        printError(noAnswer(ip, QStringLiteral("the bridge download")));
        return ExitDevice;
    }
    const FieldValues is = bridgeValues(after->data);
    printChanges(ip, was, is, bridgeKeys());
    if (!changedKeys(wanted, is, bridgeKeys()).isEmpty()) {
        printError(QStringLiteral("%1: did not verify: the bridge settings read back differently").arg(ip));
        return ExitDevice;
    }
    return ExitDone;
}

int Runner::mac(const QString &ip, const QString &password, bool automatic, const QString &code)
{
    const std::optional<Frame> before = session.command(ip, CmdDownloadSettings);
    if (!before) {
        printError(noAnswer(ip, QStringLiteral("the settings download")));
        return ExitDevice;
    }
    QByteArray data = simpleCommandData();
    QString wantedMac;
    if (!automatic) {
        const std::array<quint8, 3> bytes = bytesOfMacCode(qint32(*wholeNumber(code)));
        data = QByteArray(reinterpret_cast<const char *>(bytes.data()), 3);
        wantedMac = macText({0x00, 0x04, 0xA3, bytes[0], bytes[1], bytes[2]});
    }
    if (!login(ip, password) || !writeSequence(ip, automatic ? CmdMacAutomatic : CmdMacFromCode, data))
        return ExitDevice;
    // The computer's neighbour cache may still hold the old MAC address for a while.
    std::optional<Frame> after = session.command(ip, CmdDownloadSettings);
    if (!after) {
        session.pause(g.writeDelayMs);
        after = session.command(ip, CmdDownloadSettings);
    }
    if (!after) {
        printError(QStringLiteral("%1: the new MAC address was confirmed, but %2 (the computer's neighbour cache may "
                                  "still hold the old one: ip neigh flush to %1)")
                       .arg(ip, noAnswer(ip, QStringLiteral("the settings download"))));
        return ExitDevice;
    }
    const FieldValues was = settingsFieldValues(before->data);
    const FieldValues is = settingsFieldValues(after->data);
    printChanges(ip, was, is, {kMacKey});
    if (automatic ? is.value(kMacKey) == was.value(kMacKey) : is.value(kMacKey) != wantedMac) {
        printError(QStringLiteral("%1: did not verify: the MAC address reads %2").arg(ip, is.value(kMacKey)));
        return ExitDevice;
    }
    return ExitDone;
}

// ---- Commissioning ----------------------------------------------------------------------

class Progress {
public:
    explicit Progress(int total) : m_total(total), m_shown(isatty(STDERR_FILENO) == 1) {}
    void step(int done, const QString &what)
    {
        if (!m_shown)
            return;
        constexpr int width = 30;
        const int filled = m_total > 0 ? done * width / m_total : width;
        std::fprintf(stderr, "\r[%s%s] %d/%d %-24s", QByteArray(filled, '#').constData(),
                     QByteArray(width - filled, '.').constData(), done, m_total, qPrintable(what));
        std::fflush(stderr);
    }
    void finish()
    {
        if (m_shown)
            std::fprintf(stderr, "\n");
    }

private:
    int m_total;
    bool m_shown;
};

} // namespace

int Runner::commission(const CommissionSheet &sheet)
{
    struct Outcome {
        QString device;
        QString changes;
        QString result;   // empty while the write waits for its verification
        FieldValues wanted;
        Mac6 macAfter{};
    };
    QList<Outcome> outcomes;
    const int total = int(sheet.rows.size());
    Progress progress(2 * total);
    progress.step(0, QStringLiteral("discovery"));
    const std::optional<QList<FoundDevice>> found = session.discover();

    // The address each row plans, and the addresses that answering devices keep: those not
    // in the sheet, and those whose row plans no new address. A row planning an address that
    // another device keeps is not written: the two would answer for each other.
    const auto plannedAddress = [](const SheetRow &row) {
        for (const FieldChange &change : row.changes)
            if (change.key == QLatin1String("ip"))
                return change.value;
        return QString();
    };
    QHash<QString, QString> keptBy; // address -> MAC of the device keeping it
    for (const FoundDevice &d : found.value_or(QList<FoundDevice>{})) {
        const FieldValues values = discoveryFieldValues(d.record);
        const Mac6 mac = decodeDiscoveryRecord(d.record).mac;
        const auto row = std::find_if(sheet.rows.cbegin(), sheet.rows.cend(),
                                      [&](const SheetRow &r) { return r.mac == mac; });
        if (row == sheet.rows.cend() || plannedAddress(*row).isEmpty())
            keptBy.insert(values.value(QStringLiteral("ip")), values.value(kMacKey));
    }

    int step = 0;
    bool anyWritten = false;
    for (const SheetRow &row : sheet.rows) {
        Outcome o;
        o.device = row.macText;
        progress.step(++step, row.macText);
        const std::optional<FoundDevice> device = findByMac(found, row.mac);
        if (!device) {
            o.result = QStringLiteral("did not answer the discovery");
            outcomes << o;
            continue;
        }
        if (const QString planned = plannedAddress(row); keptBy.contains(planned)) {
            o.result = QStringLiteral("not written: %1 is the address of %2, which keeps it").arg(planned, keptBy.value(planned));
            outcomes << o;
            continue;
        }
        const Checked<DiscoveryRecord> settings = deviceUploadWithChanges(device->record, row.changes);
        if (!settings.ok()) {
            o.result = settings.refusal;
            outcomes << o;
            continue;
        }
        const FieldValues was = discoveryFieldValues(device->record);
        o.wanted = discoveryFieldValues(encodeDiscoveryRecord(*settings.value));
        o.macAfter = settings.value->mac;
        QStringList what;
        for (const QString &key : changedKeys(was, o.wanted, discoveryFieldKeys()))
            what << QStringLiteral("%1 %2 -> %3").arg(key, was.value(key), o.wanted.value(key));
        o.changes = what.join(QStringLiteral("; "));
        if (what.isEmpty()) {
            o.result = QStringLiteral("ok (nothing to change)");
        } else if (!session.requestGroup(CmdUploadSelected, encodeDeviceUploadBlock({row.mac, *settings.value}),
                                         device->localCard)) {
            o.result = QStringLiteral("did not confirm the upload within %1").arg(secondsText(g.timeoutMs));
        } else {
            anyWritten = true;
        }
        outcomes << o;
    }

    if (anyWritten) {
        session.pause(g.writeDelayMs);
        const std::optional<QList<FoundDevice>> again = session.discover();
        for (Outcome &o : outcomes) {
            if (!o.result.isEmpty())
                continue;
            progress.step(++step, o.device);
            const std::optional<FoundDevice> device = findByMac(again, o.macAfter);
            if (!device) {
                o.result = QStringLiteral("upload confirmed, but the device did not answer the discovery after it");
                continue;
            }
            const FieldValues is = discoveryFieldValues(device->record);
            QStringList what;
            for (const QString &key : changedKeys(o.wanted, is, discoveryFieldKeys()))
                what << QStringLiteral("%1 reads %2, not %3").arg(key, is.value(key), o.wanted.value(key));
            o.result = what.isEmpty() ? QStringLiteral("ok") : QStringLiteral("did not verify: ") + what.join(QStringLiteral("; "));
        }
    }
    progress.step(2 * total, QStringLiteral("done"));
    progress.finish();

    QList<QStringList> rows;
    int failed = 0;
    for (const Outcome &o : outcomes) {
        rows << QStringList{o.device, o.changes, o.result};
        if (!o.result.startsWith(QLatin1String("ok"))) {
            ++failed;
            printError(QStringLiteral("%1: %2").arg(o.device, o.result));
        }
    }
    print({QStringLiteral("device"), QStringLiteral("changes"), QStringLiteral("result")}, rows);
    return failed == 0 ? ExitDone : ExitDevice;
}

// ---- Parsing one command ----------------------------------------------------------------

namespace {

int usageError(const QString &command, const QString &text)
{
    printError(text);
    std::fprintf(stderr, "Try 'qvxctl %s--help'.\n", qPrintable(command.isEmpty() ? QString() : command + QLatin1Char(' ')));
    return ExitUsage;
}

std::optional<QList<FieldChange>> parseChanges(const QString &command, const QStringList &assignments)
{
    QList<FieldChange> changes;
    for (const QString &text : assignments) {
        const Checked<FieldChange> change = parseFieldAssignment(text);
        if (!change.ok()) {
            usageError(command, change.refusal);
            return std::nullopt;
        }
        for (const FieldChange &earlier : changes)
            if (earlier.key == change.value->key) {
                usageError(command, QStringLiteral("%1 is given twice").arg(earlier.key));
                return std::nullopt;
            }
        changes << *change.value;
    }
    return changes;
}

// A valid settings download, so that a change can be checked for its own value alone before
// anything is sent.
QByteArray validSettingsBase()
{
    SettingsBlock b;
    b.mac = {0x00, 0x04, 0xA3, 0x00, 0x00, 0x01};
    b.ip = {192, 168, 0, 1};
    b.mask = {255, 255, 255, 0};
    b.baudCode = 4;
    b.uartTimeout = 3250;
    return encodeSettingsBlock(b);
}

} // namespace

int runCtl(const QStringList &arguments, UdpEndpoint &endpoint, CardSource &cards)
{
    // The command is the first argument that is not an option or an option's value.
    QString name;
    qsizetype at = -1;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == QLatin1String("--format") || a == QLatin1String("--timeout") || a == QLatin1String("--card") ||
            a == QLatin1String("--write-delay")) {
            ++i;
            continue;
        }
        if (a.startsWith(QLatin1Char('-')))
            continue;
        name = a;
        at = i;
        break;
    }
    if (name.isEmpty()) {
        if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
            printOut(overviewText().toUtf8());
            return ExitDone;
        }
        if (arguments.contains(QStringLiteral("--version"))) {
            printOut(QByteArrayLiteral("qvxctl " QT_STRINGIFY(QVX_VERSION_MAJOR) "." QT_STRINGIFY(
                QVX_VERSION_MINOR) "." QT_STRINGIFY(QVX_VERSION_PATCH) "\n"));
            return ExitDone;
        }
        std::fputs(qPrintable(overviewText()), stderr);
        return ExitUsage;
    }
    const CommandInfo *info = findCommand(name);
    if (!info)
        return usageError(QString(), QStringLiteral("unknown command \"%1\"").arg(name));

    QCommandLineParser parser;
    parser.setApplicationDescription(info->description);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    addGlobalOptions(parser, info->cards);
    const QCommandLineOption passwordOption(QStringLiteral("password"), QStringLiteral("The device's password."),
                                            QStringLiteral("PW"));
    const QCommandLineOption setOption(QStringLiteral("set"),
                                       QStringLiteral("A source address, A.B.C.D; repeat for sources 1 to 4."),
                                       QStringLiteral("A.B.C.D"));
    const QCommandLineOption autoOption(QStringLiteral("auto"), QStringLiteral("A new MAC address chosen by the device."));
    const QCommandLineOption codeOption(QStringLiteral("code"),
                                        QStringLiteral("The code of the new MAC address, 65793..16777215."),
                                        QStringLiteral("N"));
    if (name == QLatin1String("set") || name == QLatin1String("source") || name == QLatin1String("bridge") ||
        name == QLatin1String("mac"))
        parser.addOption(passwordOption);
    if (name == QLatin1String("source"))
        parser.addOption(setOption);
    if (name == QLatin1String("mac")) {
        parser.addOption(autoOption);
        parser.addOption(codeOption);
    }

    QStringList args = arguments;
    args.removeAt(at);
    args.prepend(kProgram);
    if (!parser.parse(args))
        return usageError(name, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        // The usage line and the description, then the options as the parser lists them.
        const QString options = parser.helpText().mid(parser.helpText().indexOf(QStringLiteral("Options:")));
        printOut(QStringLiteral("Usage: qvxctl %1 %2 [options]\n\n%3\n\n%4")
                     .arg(name, info->synopsis, info->description, options)
                     .toUtf8());
        return ExitDone;
    }

    Globals g;
    const std::optional<RecordFormat> format = parseRecordFormat(parser.value(QStringLiteral("format")));
    if (!format)
        return usageError(name, QStringLiteral("--format must be table, json or csv"));
    g.format = *format;
    if (parser.isSet(QStringLiteral("timeout"))) {
        bool ok = false;
        const double seconds = parser.value(QStringLiteral("timeout")).toDouble(&ok);
        if (!ok || !(seconds > 0) || seconds > 3600)
            return usageError(name, QStringLiteral("--timeout must be a number of seconds above 0"));
        g.timeoutMs = g.discoveryMs = std::max(1, int(std::lround(seconds * 1000)));
    }
    if (parser.isSet(QStringLiteral("write-delay"))) {
        bool ok = false;
        const int ms = parser.value(QStringLiteral("write-delay")).toInt(&ok);
        if (!ok || ms < 0 || ms > 60000)
            return usageError(name, QStringLiteral("--write-delay must be 0 to 60000 milliseconds"));
        g.writeDelayMs = ms;
    }
    if (info->cards && parser.isSet(QStringLiteral("card"))) {
        g.card = parser.value(QStringLiteral("card"));
        QStringList names;
        for (const LocalCard &card : cards.listCards())
            names << card.name;
        if (!names.contains(g.card))
            return usageError(name, QStringLiteral("--card: this computer has no network card named \"%1\" (it has %2)")
                                        .arg(g.card, names.join(QStringLiteral(", "))));
    }

    const QStringList pos = parser.positionalArguments();
    const auto needCount = [&](qsizetype minimum, qsizetype maximum) {
        return pos.size() >= minimum && (maximum < 0 || pos.size() <= maximum);
    };
    const auto needAddress = [&](const QString &text) {
        if (isDeviceAddress(text))
            return true;
        usageError(name, QStringLiteral("\"%1\" is not a device address (such as 192.168.0.1)").arg(text));
        return false;
    };
    const auto needPassword = [&]() -> std::optional<QString> {
        if (!parser.isSet(passwordOption)) {
            usageError(name, QStringLiteral("writing needs the device's password: --password PW"));
            return std::nullopt;
        }
        const QString pw = parser.value(passwordOption);
        if (!passwordAccepted(pw)) {
            usageError(name, QStringLiteral("a password has 6 to 12 letters or digits"));
            return std::nullopt;
        }
        return pw;
    };

    if (name == QLatin1String("discover")) {
        if (!needCount(0, 0))
            return usageError(name, QStringLiteral("discover takes no arguments"));
        return Runner(g, endpoint, cards).discover();
    }
    if (name == QLatin1String("get")) {
        if (!needCount(1, 1))
            return usageError(name, QStringLiteral("get takes one device address"));
        if (!needAddress(pos[0]))
            return ExitUsage;
        return Runner(g, endpoint, cards).get(pos[0]);
    }
    if (name == QLatin1String("set")) {
        if (!needCount(2, -1))
            return usageError(name, QStringLiteral("set takes a device address and KEY=VALUE changes"));
        if (!needAddress(pos[0]))
            return ExitUsage;
        const std::optional<QList<FieldChange>> changes = parseChanges(name, pos.mid(1));
        if (!changes)
            return ExitUsage;
        const Checked<SettingsUploadBlock> alone = settingsUploadWithChanges(validSettingsBase(), *changes);
        if (!alone.ok())
            return usageError(name, alone.refusal);
        const std::optional<QString> pw = needPassword();
        if (!pw)
            return ExitUsage;
        return Runner(g, endpoint, cards).set(pos[0], *pw, *changes);
    }
    if (name == QLatin1String("set-by-mac")) {
        if (!needCount(2, -1))
            return usageError(name, QStringLiteral("set-by-mac takes a MAC address and KEY=VALUE changes"));
        const std::optional<Mac6> mac = parseMac(pos[0]);
        if (!mac)
            return usageError(name, QStringLiteral("\"%1\" is not a MAC address (such as 00-04-A3-00-00-01)").arg(pos[0]));
        const std::optional<QList<FieldChange>> changes = parseChanges(name, pos.mid(1));
        if (!changes)
            return ExitUsage;
        DiscoveryRecord base;
        base.mac = *mac;
        base.mask = {255, 255, 255, 0};
        base.baudCode = 4;
        const Checked<DiscoveryRecord> alone = deviceUploadWithChanges(encodeDiscoveryRecord(base), *changes);
        if (!alone.ok())
            return usageError(name, alone.refusal);
        return Runner(g, endpoint, cards).setByMac(*mac, *changes);
    }
    if (name == QLatin1String("factory")) {
        if (!needCount(1, 1))
            return usageError(name, QStringLiteral("factory takes one MAC address"));
        const std::optional<Mac6> mac = parseMac(pos[0]);
        if (!mac)
            return usageError(name, QStringLiteral("\"%1\" is not a MAC address (such as 00-04-A3-00-00-01)").arg(pos[0]));
        return Runner(g, endpoint, cards).factory(*mac);
    }
    if (name == QLatin1String("password")) {
        if (!needCount(3, 3))
            return usageError(name, QStringLiteral("password takes a device address, the old and the new password"));
        if (!needAddress(pos[0]))
            return ExitUsage;
        if (!passwordAccepted(pos[1]) || !passwordAccepted(pos[2]))
            return usageError(name, QStringLiteral("a password has 6 to 12 letters or digits"));
        return Runner(g, endpoint, cards).password(pos[0], pos[1], pos[2]);
    }
    if (name == QLatin1String("source")) {
        if (!needCount(1, -1))
            return usageError(name, QStringLiteral("source takes a device address"));
        if (!needAddress(pos[0]))
            return ExitUsage;
        std::optional<QStringList> list;
        if (parser.isSet(setOption)) {
            list = QStringList{};
            for (const QString &a : parser.values(setOption)) {
                const Checked<QString> shown = normalizeFieldValue(QStringLiteral("source_1"), a);
                if (!shown.ok())
                    return usageError(name, QStringLiteral("--set: \"%1\" is not an address (such as 192.168.0.20)").arg(a));
                *list << *shown.value;
            }
            if (list->size() > 4)
                return usageError(name, QStringLiteral("--set: at most four source addresses"));
        }
        const std::optional<QList<FieldChange>> changes = parseChanges(name, pos.mid(1));
        if (!changes)
            return ExitUsage;
        for (const FieldChange &c : *changes)
            if (!sourceKeys().contains(c.key))
                return usageError(name, QStringLiteral("%1 cannot be set with qvxctl source (source_1 .. source_4 only)").arg(c.key));
        std::optional<QString> pw;
        if (list || !changes->isEmpty()) {
            FieldValues alone;
            for (int k = 0; k < 4; ++k)
                alone.insert(QStringLiteral("source_%1").arg(k + 1), list && k < list->size() ? list->at(k) : QStringLiteral("0.0.0.0"));
            for (const FieldChange &c : *changes)
                alone.insert(c.key, c.value);
            const Checked<SourceFilterBlock> checked = checkSourceFilter(sourceMirrors(alone));
            if (!checked.ok())
                return usageError(name, checked.refusal);
            if (!(pw = needPassword()))
                return ExitUsage;
        }
        return Runner(g, endpoint, cards).source(pos[0], pw.value_or(QString()), list, *changes);
    }
    if (name == QLatin1String("bridge")) {
        if (!needCount(1, -1))
            return usageError(name, QStringLiteral("bridge takes a device address"));
        if (!needAddress(pos[0]))
            return ExitUsage;
        const std::optional<QList<FieldChange>> changes = parseChanges(name, pos.mid(1));
        if (!changes)
            return ExitUsage;
        FieldValues alone = bridgeValues(QByteArray(kBridgeBlockLength, '\0'));
        for (const FieldChange &c : *changes) {
            if (!bridgeKeys().contains(c.key))
                return usageError(name, QStringLiteral("%1 cannot be set with qvxctl bridge (bridge, bridge_local_port, "
                                                       "bridge_port_N, bridge_ip_N only)")
                                            .arg(c.key));
            alone.insert(c.key, c.value);
        }
        std::optional<QString> pw;
        if (!changes->isEmpty()) {
            const Checked<BridgeBlock> checked = bridgeFromValues(alone);
            if (!checked.ok())
                return usageError(name, checked.refusal);
            if (!(pw = needPassword()))
                return ExitUsage;
        }
        return Runner(g, endpoint, cards).bridge(pos[0], pw.value_or(QString()), *changes);
    }
    if (name == QLatin1String("mac")) {
        if (!needCount(1, 1))
            return usageError(name, QStringLiteral("mac takes one device address"));
        if (!needAddress(pos[0]))
            return ExitUsage;
        const bool automatic = parser.isSet(autoOption);
        if (automatic == parser.isSet(codeOption))
            return usageError(name, QStringLiteral("give either --auto or --code N"));
        const QString code = parser.value(codeOption);
        if (!automatic && (!isNumericText(code) || !macCodeAccepted(code) || !wholeNumber(code)))
            return usageError(name, macCodeRefusalText() + QStringLiteral(" (the code is 65793 to 16777215)"));
        const std::optional<QString> pw = needPassword();
        if (!pw)
            return ExitUsage;
        return Runner(g, endpoint, cards).mac(pos[0], *pw, automatic, code);
    }
    if (name == QLatin1String("commission")) {
        if (!needCount(1, 1))
            return usageError(name, QStringLiteral("commission takes one sheet (a CSV file)"));
        QFile file(pos[0]);
        if (!file.open(QIODevice::ReadOnly))
            return usageError(name, QStringLiteral("%1: %2").arg(pos[0], file.errorString()));
        const CommissionSheet sheet = parseCommissionSheet(file.readAll(), pos[0]);
        if (!sheet.ok()) {
            printError(sheet.error);
            return ExitUsage;
        }
        return Runner(g, endpoint, cards).commission(sheet);
    }
    return usageError(QString(), QStringLiteral("unknown command \"%1\"").arg(name));
}

} // namespace qvx
