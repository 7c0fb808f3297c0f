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

} // namespace

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
    const QCommandLineOption rateOption(QStringLiteral("rate"),
                                        QStringLiteral("Requests per second, 1 to 10000 (default 500)."),
                                        QStringLiteral("N"), QStringLiteral("500"));
    const QCommandLineOption retriesOption(QStringLiteral("retries"),
                                           QStringLiteral("How often a silent address is asked again at the end, "
                                                          "0 to 5 (default 1)."),
                                           QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption forceOption(QStringLiteral("force"),
                                         QStringLiteral("Ask more than 65536 addresses."));
    const QCommandLineOption scanOption(QStringLiteral("scan"),
                                        QStringLiteral("Also search this address range (repeatable), as qvxctl scan."),
                                        QStringLiteral("RANGE"));
    if (name == QLatin1String("check"))
        parser.addOption(scanOption);
    const QCommandLineOption fieldsOption(QStringLiteral("fields"),
                                          QStringLiteral("The columns to show, as field keys (default for a table: "
                                                         "mac,ip,mask,gateway,local_port,remote_port,baud,card)."),
                                          QStringLiteral("KEY,..."));
    const QCommandLineOption allOption(QStringLiteral("all"),
                                       QStringLiteral("Show every field (JSON and CSV always have them all)."));
    if (name == QLatin1String("scan") || name == QLatin1String("discover")) {
        parser.addOption(fieldsOption);
        parser.addOption(allOption);
    }
    if (name == QLatin1String("scan")) {
        parser.addOption(rateOption);
        parser.addOption(retriesOption);
        parser.addOption(forceOption);
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

    const bool listsDevices = name == QLatin1String("scan") || name == QLatin1String("discover");
    if (listsDevices && parser.isSet(fieldsOption)) {
        QStringList known = name == QLatin1String("scan") ? settingsFieldKeys() : discoveryFieldKeys();
        known << kCardKey;
        for (const QString &key : parser.value(fieldsOption).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (!known.contains(key.trimmed()))
                return usageError(name, QStringLiteral("--fields: %1 lists no field \"%2\" (it has %3)")
                                            .arg(name, key.trimmed(), known.join(QLatin1Char(','))));
            g.fields << key.trimmed();
        }
    }
    g.allFields = listsDevices && parser.isSet(allOption);
    if (name == QLatin1String("discover")) {
        if (!needCount(0, 0))
            return usageError(name, QStringLiteral("discover takes no arguments"));
        return Runner(g, endpoint, cards).discover();
    }
    if (name == QLatin1String("scan")) {
        if (!needCount(1, -1))
            return usageError(name, QStringLiteral("scan takes one or more address ranges"));
        bool rateOk = false, retriesOk = false;
        const int rate = parser.value(rateOption).toInt(&rateOk);
        const int retries = parser.value(retriesOption).toInt(&retriesOk);
        if (!rateOk || rate < 1 || rate > 10000)
            return usageError(name, QStringLiteral("--rate must be 1 to 10000 requests per second"));
        if (!retriesOk || retries < 0 || retries > 5)
            return usageError(name, QStringLiteral("--retries must be 0 to 5"));
        const Checked<QList<quint32>> addresses =
            scanAddresses(pos, parser.isSet(forceOption) ? 0 : kScanAddressLimit);
        if (!addresses.ok())
            return usageError(name, addresses.refusal +
                                        (addresses.refusal.contains(QLatin1String("more than"))
                                             ? QStringLiteral(" (--force asks them all)")
                                             : QString()));
        return Runner(g, endpoint, cards).scan(*addresses.value, rate, retries);
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
    if (name == QLatin1String("check")) {
        if (!needCount(1, 1))
            return usageError(name, QStringLiteral("check takes one sheet (a CSV file)"));
        std::optional<QList<quint32>> scanTargets;
        if (parser.isSet(scanOption)) {
            const Checked<QList<quint32>> addresses = scanAddresses(parser.values(scanOption));
            if (!addresses.ok())
                return usageError(name, addresses.refusal);
            scanTargets = *addresses.value;
        }
        QFile file(pos[0]);
        if (!file.open(QIODevice::ReadOnly))
            return usageError(name, QStringLiteral("%1: %2").arg(pos[0], file.errorString()));
        const SiteSheet sheet = parseSiteSheet(file.readAll(), pos[0]);
        if (!sheet.ok()) {
            printError(sheet.error);
            return ExitUsage;
        }
        return Runner(g, endpoint, cards).check(sheet, scanTargets);
    }
    return usageError(QString(), QStringLiteral("unknown command \"%1\"").arg(name));
}

} // namespace qvx
