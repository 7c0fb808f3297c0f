#include "ctl/CtlRunner.h"

#include "ctl/CtlCommands.h"
#include "protocol/Frame.h"
#include "protocol/TextRules.h"

namespace qvx::ctl {

namespace {

QByteArray macBytes(const Mac6 &mac)
{
    QByteArray out;
    for (quint8 b : mac)
        out.append(char(b));
    return out;
}

} // namespace

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
    printDevices(header, rows);
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

int Runner::changeBlock(const QString &ip, const QString &password, const BlockCommand &block,
                        const std::function<void(FieldValues &)> &change, bool showOnly)
{
    const QString download = QStringLiteral("the %1 download").arg(block.name);
    const std::optional<Frame> before = session.command(ip, block.downloadCode);
    if (!before) {
        printError(noAnswer(ip, download));
        return ExitDevice;
    }
    const FieldValues was = block.values(before->data);
    if (showOnly) {
        QStringList header{QStringLiteral("device")};
        header << block.keys;
        print(header, {QStringList{ip} + valuesInOrder(was, block.keys)});
        return ExitDone;
    }
    FieldValues wanted = was;
    change(wanted);
    const Checked<QByteArray> encoded = block.encode(wanted);
    if (!encoded.ok()) {
        printError(QStringLiteral("%1: %2").arg(ip, encoded.refusal));
        return ExitUsage;
    }
    // What the device should read back: the values as the block carries them.
    wanted = block.values(*encoded.value);
    if (!login(ip, password) || !writeSequence(ip, block.uploadCode, *encoded.value))
        return ExitDevice;
    const std::optional<Frame> after = session.command(ip, block.downloadCode);
    if (!after) {
        printError(noAnswer(ip, download));
        return ExitDevice;
    }
    const FieldValues is = block.values(after->data);
    printChanges(ip, was, is, block.keys);
    if (!changedKeys(wanted, is, block.keys).isEmpty()) {
        printError(QStringLiteral("%1: did not verify: %2").arg(ip, block.mismatch));
        return ExitDevice;
    }
    return ExitDone;
}

int Runner::source(const QString &ip, const QString &password, const std::optional<QStringList> &list,
                   const QList<FieldChange> &changes)
{
    const BlockCommand filter{
        CmdDownloadSource,
        CmdUploadSource,
        QStringLiteral("source filter"),
        QStringLiteral("the source filter reads back differently"),
        sourceValues,
        sourceKeys(),
        [](const FieldValues &values) -> Checked<QByteArray> {
            const Checked<SourceFilterBlock> block = checkSourceFilter(sourceMirrors(values));
            if (!block.ok())
                return {std::nullopt, block.refusal};
            return {encodeSourceFilterBlock(*block.value), {}};
        },
    };
    const auto change = [&](FieldValues &wanted) {
        if (list)
            for (int k = 0; k < 4; ++k)
                wanted.insert(QStringLiteral("source_%1").arg(k + 1),
                              k < list->size() ? list->at(k) : QStringLiteral("0.0.0.0"));
        for (const FieldChange &c : changes)
            wanted.insert(c.key, c.value);
    };
    return changeBlock(ip, password, filter, change, !list && changes.isEmpty());
}

int Runner::bridge(const QString &ip, const QString &password, const QList<FieldChange> &changes)
{
    const BlockCommand settings{
        CmdDownloadBridge,
        CmdUploadBridge,
        QStringLiteral("bridge"),
        QStringLiteral("the bridge settings read back differently"),
        bridgeValues,
        bridgeKeys(),
        [](const FieldValues &values) -> Checked<QByteArray> {
            const Checked<BridgeBlock> block = bridgeFromValues(values);
            if (!block.ok())
                return {std::nullopt, block.refusal};
            return {encodeBridgeBlock(*block.value), {}};
        },
    };
    const auto change = [&](FieldValues &wanted) {
        for (const FieldChange &c : changes)
            wanted.insert(c.key, c.value);
    };
    return changeBlock(ip, password, settings, change, changes.isEmpty());
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

} // namespace qvx::ctl
