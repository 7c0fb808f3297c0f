#include "protocol/FieldKeys.h"

#include "protocol/DiscoveryColumns.h"
#include "protocol/TextRules.h"

#include <QRegularExpression>

namespace qvx {

namespace {

// A key's kind: the discovery record's from its column, the settings download's own keys
// here; "firmware" and "card" are read only.
FieldKind kindOf(const QString &key)
{
    if (const DiscoveryColumn *column = discoveryColumn(key))
        return column->kind;
    if (key == QLatin1String("tcp_server"))
        return FieldKind::Address;
    if (key == QLatin1String("dhcp"))
        return FieldKind::EnableDisable;
    if (key == QLatin1String("protocol"))
        return FieldKind::Protocol;
    if (key == QLatin1String("tcp_mode"))
        return FieldKind::TcpMode;
    return FieldKind::ReadOnly;
}

// The item of `items` that matches `value` in any letter case.
std::optional<QString> item(const QString &value, const QStringList &items)
{
    for (const QString &candidate : items)
        if (candidate.compare(value.trimmed(), Qt::CaseInsensitive) == 0)
            return candidate;
    return std::nullopt;
}

Checked<QString> refused(const QString &message)
{
    return {std::nullopt, message};
}

QString oneOf(const QStringList &items)
{
    return items.join(QStringLiteral(", "));
}

QString refusedKeyText(const QString &key, const QString &how)
{
    return QStringLiteral("%1 cannot be set %2").arg(key, how);
}

} // namespace

const QStringList &discoveryFieldKeys()
{
    static const QStringList keys = [] {
        QStringList out;
        for (const DiscoveryColumn &column : kDiscoveryColumns)
            out << QLatin1String(column.key);
        return out;
    }();
    return keys;
}

const QStringList &settingsFieldKeys()
{
    static const QStringList keys{
        QStringLiteral("mac"),       QStringLiteral("ip"),         QStringLiteral("mask"),
        QStringLiteral("gateway"),   QStringLiteral("local_port"), QStringLiteral("remote_port"),
        QStringLiteral("baud"),      QStringLiteral("rx_timeout"), QStringLiteral("firmware"),
        QStringLiteral("data_bits"), QStringLiteral("parity"),     QStringLiteral("stop_bits"),
        QStringLiteral("default_timeout"), QStringLiteral("dhcp"), QStringLiteral("protocol"),
        QStringLiteral("tcp_mode"),  QStringLiteral("tcp_server")};
    return keys;
}

const QStringList &allFieldKeys()
{
    static const QStringList keys = [] {
        QStringList out = discoveryFieldKeys();
        for (const QString &key : settingsFieldKeys())
            if (!out.contains(key))
                out << key;
        out << kCardKey;
        return out;
    }();
    return keys;
}

bool isFieldKey(const QString &key)
{
    return allFieldKeys().contains(key);
}

bool isReadOnlyKey(const QString &key)
{
    return key == QLatin1String("firmware") || key == kCardKey;
}

bool inDiscoveryRecord(const QString &key)
{
    return discoveryFieldKeys().contains(key);
}

bool inSettingsDownload(const QString &key)
{
    return settingsFieldKeys().contains(key);
}

FieldValues discoveryFieldValues(const QByteArray &recordData, const QString &card)
{
    const DiscoveryRecord record = decodeDiscoveryRecord(recordData);
    FieldValues values;
    for (const DiscoveryColumn &column : kDiscoveryColumns)
        values.insert(QLatin1String(column.key),
                      column.carriedBy(int(recordData.size())) ? column.text(record) : QString());
    values.insert(kCardKey, card);
    return values;
}

FieldValues settingsFieldValues(const QByteArray &data)
{
    FieldValues v;
    if (data.size() < SettingsOffset::ShortLength)
        return v;
    const SettingsBlock b = decodeSettingsBlock(data);
    v.insert(QStringLiteral("mac"), macText(b.mac));
    v.insert(QStringLiteral("ip"), dottedText(b.ip));
    v.insert(QStringLiteral("mask"), dottedText(b.mask));
    v.insert(QStringLiteral("gateway"), dottedText(b.gateway));
    v.insert(QStringLiteral("local_port"), QString::number(b.localPort));
    v.insert(QStringLiteral("remote_port"), QString::number(b.remotePort));
    v.insert(QStringLiteral("baud"), baudText(b.baudCode));
    v.insert(QStringLiteral("rx_timeout"), QString::number(b.uartTimeout));
    v.insert(QStringLiteral("firmware"), firmwareText(b.firmware));
    v.insert(QStringLiteral("data_bits"), dataBitsText(b.format));
    v.insert(QStringLiteral("parity"), parityText(b.format));
    v.insert(QStringLiteral("stop_bits"), stopBitsText(b.format));
    v.insert(QStringLiteral("default_timeout"), enableText(b.timeoutToDefault));
    if (data.size() >= SettingsOffset::FullLength) {
        const ModeFlags mode = decodeModeFlags(b.mode);
        v.insert(QStringLiteral("dhcp"), mode.dhcp ? QStringLiteral("Enable") : QStringLiteral("Disable"));
        v.insert(QStringLiteral("protocol"), mode.tcp ? QStringLiteral("TCP") : QStringLiteral("UDP"));
        v.insert(QStringLiteral("tcp_mode"), mode.tcpClient ? QStringLiteral("Client") : QStringLiteral("Server"));
        v.insert(QStringLiteral("tcp_server"), dottedText(b.tcpServer));
    }
    return v;
}

QStringList valuesInOrder(const FieldValues &values, const QStringList &keys)
{
    QStringList out;
    for (const QString &key : keys)
        out << values.value(key);
    return out;
}

Checked<QString> normalizeFieldValue(const QString &key, const QString &value)
{
    if (!isFieldKey(key))
        return refused(QStringLiteral("unknown field key \"%1\"").arg(key));
    if (isReadOnlyKey(key))
        return refused(QStringLiteral("%1 is read only").arg(key));

    const QString v = value.trimmed();
    switch (kindOf(key)) {
    case FieldKind::Mac: {
        static const QRegularExpression mac(QStringLiteral("^[0-9A-Fa-f]{2}([-:][0-9A-Fa-f]{2}){5}$"));
        if (!mac.match(v).hasMatch() || v.count(v[2]) != 5)
            return refused(QStringLiteral("%1: \"%2\" is not a MAC address (six pairs of hex digits, "
                                          "such as 00-04-A3-00-00-01)")
                               .arg(key, value));
        QString shown = v.toUpper();
        shown.replace(QLatin1Char(':'), QLatin1Char('-'));
        return {shown, {}};
    }
    case FieldKind::Address: {
        static const QRegularExpression dotted(QStringLiteral("^(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})$"));
        const QRegularExpressionMatch m = dotted.match(v);
        if (!m.hasMatch())
            return refused(QStringLiteral("%1: \"%2\" is not an address (four numbers joined by dots, "
                                          "such as 192.168.0.20)")
                               .arg(key, value));
        QStringList parts;
        for (int i = 1; i <= 4; ++i)
            parts << QString::number(m.captured(i).toInt());
        return {parts.join(QLatin1Char('.')), {}};
    }
    case FieldKind::Number: {
        static const QRegularExpression digits(QStringLiteral("^\\d{1,9}$"));
        if (!digits.match(v).hasMatch())
            return refused(QStringLiteral("%1: \"%2\" is not a whole number").arg(key, value));
        return {QString::number(v.toLongLong()), {}};
    }
    case FieldKind::Baud:
        if (const auto found = item(v, baudItems()))
            return {*found, {}};
        return refused(QStringLiteral("%1: \"%2\" is not a baud rate (%3)").arg(key, value, oneOf(baudItems())));
    case FieldKind::DataBits:
        if (const auto found = item(v, dataBitsItems()))
            return {*found, {}};
        return refused(QStringLiteral("%1: \"%2\" is not 7 or 8").arg(key, value));
    case FieldKind::Parity:
        if (const auto found = item(v, parityItems()))
            return {*found, {}};
        return refused(QStringLiteral("%1: \"%2\" is not NONE, EVEN or ODD").arg(key, value));
    case FieldKind::StopBits:
        if (const auto found = item(v, stopBitsItems()))
            return {*found, {}};
        return refused(QStringLiteral("%1: \"%2\" is not 1 or 2").arg(key, value));
    case FieldKind::EnableDisable:
        if (const auto found = item(v, {QStringLiteral("Enable"), QStringLiteral("Disable")}))
            return {*found, {}};
        return refused(QStringLiteral("%1: \"%2\" is not Enable or Disable").arg(key, value));
    case FieldKind::Protocol:
        if (const auto found = item(v, {QStringLiteral("TCP"), QStringLiteral("UDP")}))
            return {*found, {}};
        return refused(QStringLiteral("%1: \"%2\" is not TCP or UDP").arg(key, value));
    case FieldKind::TcpMode:
        if (const auto found = item(v, {QStringLiteral("Client"), QStringLiteral("Server")}))
            return {*found, {}};
        return refused(QStringLiteral("%1: \"%2\" is not Client or Server").arg(key, value));
    case FieldKind::ReadOnly:
        break;
    }
    return refused(QStringLiteral("%1 is read only").arg(key));
}

Checked<FieldChange> parseFieldAssignment(const QString &text)
{
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return {std::nullopt, QStringLiteral("\"%1\" is not KEY=VALUE").arg(text)};
    const QString key = text.left(eq).trimmed();
    const Checked<QString> value = normalizeFieldValue(key, text.mid(eq + 1));
    if (!value.ok())
        return {std::nullopt, value.refusal};
    return {FieldChange{key, *value.value}, {}};
}

Checked<DiscoveryRecord> deviceUploadWithChanges(const QByteArray &recordData, const QList<FieldChange> &changes)
{
    DeviceEditorTexts editor = editorTextsFromRecord(decodeDiscoveryRecord(recordData), int(recordData.size()));
    for (const FieldChange &change : changes) {
        if (isReadOnlyKey(change.key))
            return {std::nullopt, QStringLiteral("%1 is read only").arg(change.key)};
        if (!inDiscoveryRecord(change.key))
            return {std::nullopt,
                    refusedKeyText(change.key, QStringLiteral("by MAC address: it is not in the discovery record "
                                                              "(set it by address with qvxctl set)"))};
        const Checked<QString> value = normalizeFieldValue(change.key, change.value);
        if (!value.ok())
            return {std::nullopt, value.refusal};
        discoveryColumn(change.key)->toEditor(editor, *value.value);
    }
    return checkDeviceUpload(editor);
}

Checked<SettingsUploadBlock> settingsUploadWithChanges(const QByteArray &data, const QList<FieldChange> &changes)
{
    if (data.size() < SettingsOffset::ShortLength)
        return {std::nullopt, QStringLiteral("the device's settings reply is too short to be written back")};
    const SettingsBlock b = decodeSettingsBlock(data);
    const bool hasMode = data.size() >= SettingsOffset::FullLength;

    SettingsUploadFields f;
    for (std::size_t i = 0; i < 6; ++i)
        f.mac[i] = b.mac[i];
    for (std::size_t i = 0; i < 4; ++i) {
        f.ip[i] = b.ip[i];
        f.mask[i] = b.mask[i];
        f.gateway[i] = b.gateway[i];
    }
    f.localPort = b.localPort;
    f.remotePort = b.remotePort;
    f.uartTimeout = b.uartTimeout;
    f.baudIndex = b.baudCode;
    f.format = decodeUartFormat(b.format);
    f.timeoutToDefault = b.timeoutToDefault != 0;
    f.mode = hasMode ? decodeModeFlags(b.mode) : ModeFlags{};
    if (hasMode)
        for (std::size_t i = 0; i < 4; ++i)
            f.tcpServer[i] = octetText(b.tcpServer[i]);

    bool timeoutGiven = false;
    for (const FieldChange &change : changes)
        timeoutGiven = timeoutGiven || change.key == QLatin1String("rx_timeout");

    for (const FieldChange &change : changes) {
        const QString &key = change.key;
        if (isReadOnlyKey(key))
            return {std::nullopt, QStringLiteral("%1 is read only").arg(key)};
        if (key == kMacKey)
            return {std::nullopt, refusedKeyText(key, QStringLiteral("by address (use qvxctl mac, or qvxctl "
                                                                     "set-by-mac mac=NEW)"))};
        if (key.startsWith(QLatin1String("source_")))
            return {std::nullopt, refusedKeyText(key, QStringLiteral("with qvxctl set (use qvxctl source, or "
                                                                     "qvxctl set-by-mac)"))};
        if (key.startsWith(QLatin1String("bridge")))
            return {std::nullopt, refusedKeyText(key, QStringLiteral("with qvxctl set (use qvxctl bridge, or "
                                                                     "qvxctl set-by-mac)"))};
        if (!inSettingsDownload(key))
            return {std::nullopt, QStringLiteral("unknown field key \"%1\"").arg(key)};
        const Checked<QString> normalized = normalizeFieldValue(key, change.value);
        if (!normalized.ok())
            return {std::nullopt, normalized.refusal};
        const QString &v = *normalized.value;

        const auto octets = [&](std::array<qint16, 4> &out, const QString &field) -> std::optional<QString> {
            const std::array<QString, 4> parts = dottedParts(v);
            for (int i = 0; i < 4; ++i) {
                if (!octetEntryAccepted(parts[std::size_t(i)]))
                    return octetOutOfRangeText(field, i);
                out[std::size_t(i)] = octetFieldValue(parts[std::size_t(i)]);
            }
            return std::nullopt;
        };
        std::optional<QString> refusal;
        if (key == QLatin1String("ip"))
            refusal = octets(f.ip, QStringLiteral("IP-Address"));
        else if (key == QLatin1String("mask"))
            refusal = octets(f.mask, QStringLiteral("Subnet Mask"));
        else if (key == QLatin1String("gateway"))
            refusal = octets(f.gateway, QStringLiteral("Gateway"));
        else if (key == QLatin1String("local_port"))
            f.localPort = wordFieldValue(v);
        else if (key == QLatin1String("remote_port"))
            f.remotePort = wordFieldValue(v);
        else if (key == QLatin1String("rx_timeout")) {
            if (!uartTimeoutEntryAccepted(v))
                refusal = uartTimeoutOutOfRangeText();
            f.uartTimeout = wordFieldValue(v);
        } else if (key == QLatin1String("baud")) {
            f.baudIndex = int(baudItems().indexOf(v));
            if (!timeoutGiven)
                f.uartTimeout = kAutoUartTimeouts[std::size_t(f.baudIndex)];
        } else if (key == QLatin1String("data_bits"))
            f.format.sevenDataBits = v == QLatin1String("7");
        else if (key == QLatin1String("parity"))
            f.format.parity = v == QLatin1String("EVEN") ? Parity::Even
                              : v == QLatin1String("ODD") ? Parity::Odd
                                                          : Parity::None;
        else if (key == QLatin1String("stop_bits"))
            f.format.twoStopBits = v == QLatin1String("2");
        else if (key == QLatin1String("default_timeout"))
            f.timeoutToDefault = v == QLatin1String("Enable");
        else if (key == QLatin1String("dhcp"))
            f.mode.dhcp = v == QLatin1String("Enable");
        else if (key == QLatin1String("protocol"))
            f.mode.tcp = v == QLatin1String("TCP");
        else if (key == QLatin1String("tcp_mode"))
            f.mode.tcpClient = v == QLatin1String("Client");
        else if (key == QLatin1String("tcp_server"))
            f.tcpServer = dottedParts(v);
        if (refusal)
            return {std::nullopt, *refusal};
    }
    // A code the device reported outside the list selects nothing in the window; it is not
    // written back unless a baud rate is given.
    if (f.baudIndex < 0 || f.baudIndex >= baudItems().size())
        return {std::nullopt, QStringLiteral("the device reports an unknown baud rate code (%1); give baud=RATE")
                                  .arg(b.baudCode)};
    return checkSettingsUpload(f);
}

FieldValues expectedSettingsValues(const SettingsUploadBlock &block, const QByteArray &before)
{
    SettingsBlock s;
    s.mac = block.mac;
    s.ip = block.ip;
    s.mask = block.mask;
    s.gateway = block.gateway;
    s.localPort = block.localPort;
    s.remotePort = block.remotePort;
    s.baudCode = block.baudCode;
    s.uartTimeout = block.uartTimeout;
    s.firmware = decodeSettingsBlock(before).firmware;
    s.format = block.format;
    s.timeoutToDefault = block.timeoutToDefault;
    s.hasMode = before.size() >= SettingsOffset::FullLength;
    s.mode = block.mode;
    s.tcpServer = block.tcpServer;
    return settingsFieldValues(encodeSettingsBlock(s));
}

QStringList changedKeys(const FieldValues &before, const FieldValues &after, const QStringList &keys)
{
    QStringList out;
    for (const QString &key : keys)
        if (before.value(key) != after.value(key))
            out << key;
    return out;
}

} // namespace qvx
