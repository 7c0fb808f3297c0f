#include "ctl/CtlCommands.h"

#include "ctl/CtlCommandTable.h"
#include "ctl/CtlOutput.h"
#include "ctl/CtlRunner.h"
#include "netadapters/AddressRange.h"
#include "netadapters/CardSource.h"
#include "protocol/CommissionSheet.h"
#include "protocol/FieldKeys.h"
#include "protocol/FieldRules.h"
#include "protocol/Layouts.h"
#include "protocol/RecordFormats.h"
#include "protocol/SiteCheck.h"
#include "protocol/TextRules.h"

#include <QCommandLineParser>
#include <QFile>

#include <cmath>
#include <cstdio>

// The entry point of qvxctl: one command line parsed and checked, then run by a Runner
// (CtlRunner.h). The command table and help texts are in CtlCommandTable.cpp.

namespace qvx {

using namespace ctl;

namespace {

const QString kProgram = QStringLiteral("qvxctl");

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

// ---- Parsing one command ----------------------------------------------------------------

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
        if (const std::optional<QString> octet = octetRefusal(change.value->key, change.value->value)) {
            usageError(command, *octet);
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

// The options only some commands take, in the order their help lists them.
const QCommandLineOption &sourceListOption()
{
    static const QCommandLineOption option(QStringLiteral("set"),
                                           QStringLiteral("A source address, A.B.C.D; repeat for sources 1 to 4."),
                                           QStringLiteral("A.B.C.D"));
    return option;
}
const QCommandLineOption &passwordOption()
{
    static const QCommandLineOption option(QStringLiteral("password"), QStringLiteral("The device's password."),
                                           QStringLiteral("PW"));
    return option;
}
const QCommandLineOption &autoOption()
{
    static const QCommandLineOption option(QStringLiteral("auto"),
                                           QStringLiteral("A new MAC address chosen by the device."));
    return option;
}
const QCommandLineOption &codeOption()
{
    static const QCommandLineOption option(QStringLiteral("code"),
                                           QStringLiteral("The code of the new MAC address, 65793..16777215."),
                                           QStringLiteral("N"));
    return option;
}
const QCommandLineOption &rateOption()
{
    static const QCommandLineOption option(QStringLiteral("rate"),
                                           QStringLiteral("Requests per second, 1 to 10000 (default 500)."),
                                           QStringLiteral("N"), QStringLiteral("500"));
    return option;
}
const QCommandLineOption &retriesOption()
{
    static const QCommandLineOption option(QStringLiteral("retries"),
                                           QStringLiteral("How often a silent address is asked again at the end, "
                                                          "0 to 5 (default 1)."),
                                           QStringLiteral("N"), QStringLiteral("1"));
    return option;
}
const QCommandLineOption &forceOption()
{
    static const QCommandLineOption option(QStringLiteral("force"), QStringLiteral("Ask more than 65536 addresses."));
    return option;
}
const QCommandLineOption &scanOption()
{
    static const QCommandLineOption option(QStringLiteral("scan"),
                                           QStringLiteral("Also search this address range (repeatable), as qvxctl scan."),
                                           QStringLiteral("RANGE"));
    return option;
}
const QCommandLineOption &fieldsOption()
{
    static const QCommandLineOption option(QStringLiteral("fields"),
                                           QStringLiteral("The columns to show, as field keys (default for a table: "
                                                          "mac,ip,mask,gateway,local_port,remote_port,baud,card)."),
                                           QStringLiteral("KEY,..."));
    return option;
}
const QCommandLineOption &allOption()
{
    static const QCommandLineOption option(QStringLiteral("all"),
                                           QStringLiteral("Show every field (JSON and CSV always have them all)."));
    return option;
}

// Each option a command's entry may ask for, in the order the help lists them.
QList<std::pair<unsigned, QCommandLineOption>> commandOptions()
{
    return {{PasswordOption, passwordOption()}, {SourceListOption, sourceListOption()},
            {MacCodeOptions, autoOption()},     {MacCodeOptions, codeOption()},
            {ScanRangeOption, scanOption()},    {DeviceListOptions, fieldsOption()},
            {DeviceListOptions, allOption()},   {PaceOptions, rateOption()},
            {PaceOptions, retriesOption()},     {PaceOptions, forceOption()}};
}

} // namespace

namespace ctl {

struct CommandCall {
    const QString &name;
    const QCommandLineParser &parser;
    const QStringList pos; // the positional arguments
    Globals g;
    UdpEndpoint &endpoint;
    CardSource &cards;

    int usage(const QString &text) const { return usageError(name, text); }
    Runner runner() const { return Runner(g, endpoint, cards); }
    bool hasCount(qsizetype minimum, qsizetype maximum) const
    {
        return pos.size() >= minimum && (maximum < 0 || pos.size() <= maximum);
    }
    // A device address, or a usage error.
    bool isAddress(const QString &text) const
    {
        if (isDeviceAddress(text))
            return true;
        usage(QStringLiteral("\"%1\" is not a device address (such as 192.168.0.1)").arg(text));
        return false;
    }
    // The --password given, when it is one; otherwise a usage error.
    std::optional<QString> password() const
    {
        if (!parser.isSet(passwordOption())) {
            usage(QStringLiteral("writing needs the device's password: --password PW"));
            return std::nullopt;
        }
        const QString pw = parser.value(passwordOption());
        if (!passwordAccepted(pw)) {
            usage(QStringLiteral("a password has 6 to 12 letters or digits"));
            return std::nullopt;
        }
        return pw;
    }
    // The columns of a device list named by --fields (among `known` and the card) and
    // --all; false after a usage error.
    bool takeDeviceListFields(QStringList known)
    {
        if (parser.isSet(fieldsOption())) {
            known << kCardKey;
            for (const QString &key : parser.value(fieldsOption()).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                if (!known.contains(key.trimmed())) {
                    usage(QStringLiteral("--fields: %1 lists no field \"%2\" (it has %3)")
                              .arg(name, key.trimmed(), known.join(QLatin1Char(','))));
                    return false;
                }
                g.fields << key.trimmed();
            }
        }
        g.allFields = parser.isSet(allOption());
        return true;
    }
};

int runDiscover(CommandCall &c)
{
    if (!c.takeDeviceListFields(discoveryFieldKeys()))
        return ExitUsage;
    if (!c.hasCount(0, 0))
        return c.usage(QStringLiteral("discover takes no arguments"));
    return c.runner().discover();
}

int runScan(CommandCall &c)
{
    if (!c.takeDeviceListFields(settingsFieldKeys()))
        return ExitUsage;
    if (!c.hasCount(1, -1))
        return c.usage(QStringLiteral("scan takes one or more address ranges"));
    bool rateOk = false, retriesOk = false;
    const int rate = c.parser.value(rateOption()).toInt(&rateOk);
    const int retries = c.parser.value(retriesOption()).toInt(&retriesOk);
    if (!rateOk || rate < 1 || rate > 10000)
        return c.usage(QStringLiteral("--rate must be 1 to 10000 requests per second"));
    if (!retriesOk || retries < 0 || retries > 5)
        return c.usage(QStringLiteral("--retries must be 0 to 5"));
    const Checked<QList<quint32>> addresses =
        scanAddresses(c.pos, c.parser.isSet(forceOption()) ? 0 : kScanAddressLimit);
    if (!addresses.ok())
        return c.usage(addresses.refusal +
                                    (addresses.refusal.contains(QLatin1String("more than"))
                                         ? QStringLiteral(" (--force asks them all)")
                                         : QString()));
    return c.runner().scan(*addresses.value, rate, retries);
}

int runGet(CommandCall &c)
{
    if (!c.hasCount(1, 1))
        return c.usage(QStringLiteral("get takes one device address"));
    if (!c.isAddress(c.pos[0]))
        return ExitUsage;
    return c.runner().get(c.pos[0]);
}

int runSet(CommandCall &c)
{
    if (!c.hasCount(2, -1))
        return c.usage(QStringLiteral("set takes a device address and KEY=VALUE changes"));
    if (!c.isAddress(c.pos[0]))
        return ExitUsage;
    const std::optional<QList<FieldChange>> changes = parseChanges(c.name, c.pos.mid(1));
    if (!changes)
        return ExitUsage;
    const Checked<SettingsUploadBlock> alone = settingsUploadWithChanges(validSettingsBase(), *changes);
    if (!alone.ok())
        return c.usage(alone.refusal);
    const std::optional<QString> pw = c.password();
    if (!pw)
        return ExitUsage;
    return c.runner().set(c.pos[0], *pw, *changes);
}

int runSetByMac(CommandCall &c)
{
    if (!c.hasCount(2, -1))
        return c.usage(QStringLiteral("set-by-mac takes a MAC address and KEY=VALUE changes"));
    const std::optional<Mac6> mac = parseMac(c.pos[0]);
    if (!mac)
        return c.usage(QStringLiteral("\"%1\" is not a MAC address (such as 00-04-A3-00-00-01)").arg(c.pos[0]));
    const std::optional<QList<FieldChange>> changes = parseChanges(c.name, c.pos.mid(1));
    if (!changes)
        return ExitUsage;
    DiscoveryRecord base;
    base.mac = *mac;
    base.mask = {255, 255, 255, 0};
    base.baudCode = 4;
    const Checked<DiscoveryRecord> alone = deviceUploadWithChanges(encodeDiscoveryRecord(base), *changes);
    if (!alone.ok())
        return c.usage(alone.refusal);
    return c.runner().setByMac(*mac, *changes);
}

int runFactory(CommandCall &c)
{
    if (!c.hasCount(1, 1))
        return c.usage(QStringLiteral("factory takes one MAC address"));
    const std::optional<Mac6> mac = parseMac(c.pos[0]);
    if (!mac)
        return c.usage(QStringLiteral("\"%1\" is not a MAC address (such as 00-04-A3-00-00-01)").arg(c.pos[0]));
    return c.runner().factory(*mac);
}

int runPassword(CommandCall &c)
{
    if (!c.hasCount(3, 3))
        return c.usage(QStringLiteral("password takes a device address, the old and the new password"));
    if (!c.isAddress(c.pos[0]))
        return ExitUsage;
    if (!passwordAccepted(c.pos[1]) || !passwordAccepted(c.pos[2]))
        return c.usage(QStringLiteral("a password has 6 to 12 letters or digits"));
    return c.runner().password(c.pos[0], c.pos[1], c.pos[2]);
}

int runSource(CommandCall &c)
{
    if (!c.hasCount(1, -1))
        return c.usage(QStringLiteral("source takes a device address"));
    if (!c.isAddress(c.pos[0]))
        return ExitUsage;
    std::optional<QStringList> list;
    if (c.parser.isSet(sourceListOption())) {
        list = QStringList{};
        for (const QString &a : c.parser.values(sourceListOption())) {
            const Checked<QString> shown = normalizeFieldValue(QStringLiteral("source_1"), a);
            if (!shown.ok())
                return c.usage(QStringLiteral("--set: \"%1\" is not an address (such as 192.168.0.20)").arg(a));
            *list << *shown.value;
        }
        if (list->size() > 4)
            return c.usage(QStringLiteral("--set: at most four source addresses"));
    }
    const std::optional<QList<FieldChange>> changes = parseChanges(c.name, c.pos.mid(1));
    if (!changes)
        return ExitUsage;
    for (const FieldChange &change : *changes)
        if (!sourceKeys().contains(change.key))
            return c.usage(QStringLiteral("%1 cannot be set with qvxctl source (source_1 .. source_4 only)").arg(change.key));
    std::optional<QString> pw;
    if (list || !changes->isEmpty()) {
        FieldValues alone;
        for (int k = 0; k < 4; ++k)
            alone.insert(QStringLiteral("source_%1").arg(k + 1), list && k < list->size() ? list->at(k) : QStringLiteral("0.0.0.0"));
        for (const FieldChange &change : *changes)
            alone.insert(change.key, change.value);
        const Checked<SourceFilterBlock> checked = checkSourceFilter(sourceMirrors(alone));
        if (!checked.ok())
            return c.usage(checked.refusal);
        if (!(pw = c.password()))
            return ExitUsage;
    }
    return c.runner().source(c.pos[0], pw.value_or(QString()), list, *changes);
}

int runBridge(CommandCall &c)
{
    if (!c.hasCount(1, -1))
        return c.usage(QStringLiteral("bridge takes a device address"));
    if (!c.isAddress(c.pos[0]))
        return ExitUsage;
    const std::optional<QList<FieldChange>> changes = parseChanges(c.name, c.pos.mid(1));
    if (!changes)
        return ExitUsage;
    FieldValues alone = bridgeValues(QByteArray(kBridgeBlockLength, '\0'));
    for (const FieldChange &change : *changes) {
        if (!bridgeKeys().contains(change.key))
            return c.usage(QStringLiteral("%1 cannot be set with qvxctl bridge (bridge, bridge_local_port, "
                                                   "bridge_port_N, bridge_ip_N only)")
                                        .arg(change.key));
        alone.insert(change.key, change.value);
    }
    std::optional<QString> pw;
    if (!changes->isEmpty()) {
        const Checked<BridgeBlock> checked = bridgeFromValues(alone);
        if (!checked.ok())
            return c.usage(checked.refusal);
        if (!(pw = c.password()))
            return ExitUsage;
    }
    return c.runner().bridge(c.pos[0], pw.value_or(QString()), *changes);
}

int runMac(CommandCall &c)
{
    if (!c.hasCount(1, 1))
        return c.usage(QStringLiteral("mac takes one device address"));
    if (!c.isAddress(c.pos[0]))
        return ExitUsage;
    const bool automatic = c.parser.isSet(autoOption());
    if (automatic == c.parser.isSet(codeOption()))
        return c.usage(QStringLiteral("give either --auto or --code N"));
    const QString code = c.parser.value(codeOption());
    if (!automatic && (!isNumericText(code) || !macCodeAccepted(code) || !wholeNumber(code)))
        return c.usage(macCodeRefusalText() + QStringLiteral(" (the code is 65793 to 16777215)"));
    const std::optional<QString> pw = c.password();
    if (!pw)
        return ExitUsage;
    return c.runner().mac(c.pos[0], *pw, automatic, code);
}

int runCommission(CommandCall &c)
{
    if (!c.hasCount(1, 1))
        return c.usage(QStringLiteral("commission takes one sheet (a CSV file)"));
    QFile file(c.pos[0]);
    if (!file.open(QIODevice::ReadOnly))
        return c.usage(QStringLiteral("%1: %2").arg(c.pos[0], file.errorString()));
    const CommissionSheet sheet = parseCommissionSheet(file.readAll(), c.pos[0]);
    if (!sheet.ok()) {
        printError(sheet.error);
        return ExitUsage;
    }
    return c.runner().commission(sheet);
}

int runCheck(CommandCall &c)
{
    if (!c.hasCount(1, 1))
        return c.usage(QStringLiteral("check takes one sheet (a CSV file)"));
    std::optional<QList<quint32>> scanTargets;
    if (c.parser.isSet(scanOption())) {
        const Checked<QList<quint32>> addresses = scanAddresses(c.parser.values(scanOption()));
        if (!addresses.ok())
            return c.usage(addresses.refusal);
        scanTargets = *addresses.value;
    }
    QFile file(c.pos[0]);
    if (!file.open(QIODevice::ReadOnly))
        return c.usage(QStringLiteral("%1: %2").arg(c.pos[0], file.errorString()));
    const SiteSheet sheet = parseSiteSheet(file.readAll(), c.pos[0]);
    if (!sheet.ok()) {
        printError(sheet.error);
        return ExitUsage;
    }
    return c.runner().check(sheet, scanTargets);
}

} // namespace ctl

int runCtl(const QStringList &arguments, UdpEndpoint &endpoint, CardSource &cards)
{
    // The command is the first argument that is not an option or an option's value.
    QString name;
    qsizetype at = -1;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == QLatin1String("--format") || a == QLatin1String("--timeout") || a == QLatin1String("--card") ||
            a == QLatin1String("--write-delay") || a == QLatin1String("--rate") || a == QLatin1String("--retries") ||
            a == QLatin1String("--scan") || a == QLatin1String("--fields")) {
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
    for (const auto &[flag, option] : commandOptions())
        if (info->options & flag)
            parser.addOption(option);

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

    CommandCall call{name, parser, parser.positionalArguments(), g, endpoint, cards};
    return info->run(call);
}


} // namespace qvx
