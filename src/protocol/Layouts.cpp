#include "protocol/Layouts.h"

#include "protocol/DiscoveryColumns.h"

namespace qvx {

namespace {

// Byte at a data offset, or 0 beyond the data.
quint8 byteAt(const QByteArray &data, int offset)
{
    return offset >= 0 && offset < data.size() ? static_cast<quint8>(data[offset]) : 0;
}

void appendByte(QByteArray &out, quint8 value)
{
    out.append(static_cast<char>(value));
}

// Enable bytes of requests are written 1 / 0.
quint8 enableByte(quint8 value)
{
    return value != 0 ? 1 : 0;
}

template <std::size_t N>
void appendBytes(QByteArray &out, const std::array<quint8, N> &bytes)
{
    for (quint8 b : bytes)
        appendByte(out, b);
}

template <std::size_t N>
std::array<quint8, N> readBytes(const QByteArray &data, int offset)
{
    std::array<quint8, N> out{};
    for (std::size_t i = 0; i < N; ++i)
        out[i] = byteAt(data, offset + int(i));
    return out;
}

// Offsets 0..24, shared by SettingsBlock, SettingsUploadBlock and DiscoveryRecord
// (DeviceUploadBlock: the same at base 6).
template <typename T>
void appendCommon(QByteArray &out, const T &b)
{
    appendBytes(out, b.mac);
    appendBytes(out, b.ip);
    appendBytes(out, b.mask);
    appendBytes(out, b.gateway);
    appendWord(out, b.localPort);
    appendWord(out, b.remotePort);
    appendByte(out, b.baudCode);
    appendWord(out, b.uartTimeout);
}

template <typename T>
void readCommon(const QByteArray &data, int base, T &b)
{
    b.mac = readBytes<6>(data, base + SettingsOffset::Mac);
    b.ip = readBytes<4>(data, base + SettingsOffset::Ip);
    b.mask = readBytes<4>(data, base + SettingsOffset::Mask);
    b.gateway = readBytes<4>(data, base + SettingsOffset::Gateway);
    b.localPort = readWord(data, base + SettingsOffset::LocalPort);
    b.remotePort = readWord(data, base + SettingsOffset::RemotePort);
    b.baudCode = byteAt(data, base + SettingsOffset::Baud);
    b.uartTimeout = readWord(data, base + SettingsOffset::UartTimeout);
}

// DiscoveryRecord offsets 28..76 (DeviceUploadBlock: 33..81).
void appendDiscoveryTail(QByteArray &out, const DiscoveryRecord &r, bool request)
{
    for (const Octets4 &a : r.sources)
        appendBytes(out, a);
    appendByte(out, request ? enableByte(r.bridgeStatus) : r.bridgeStatus);
    appendWord(out, r.bridgeLocalPort);
    for (quint16 p : r.bridgeRemotePorts)
        appendWord(out, p);
    for (const Octets4 &a : r.bridgeIps)
        appendBytes(out, a);
}

void readDiscoveryTail(const QByteArray &data, int base, DiscoveryRecord &r)
{
    for (int k = 0; k < 4; ++k)
        r.sources[k] = readBytes<4>(data, base + 4 * k);
    r.bridgeStatus = byteAt(data, base + 16);
    r.bridgeLocalPort = readWord(data, base + 17);
    for (int k = 0; k < 5; ++k)
        r.bridgeRemotePorts[k] = readWord(data, base + 19 + 2 * k);
    for (int k = 0; k < 5; ++k)
        r.bridgeIps[k] = readBytes<4>(data, base + 29 + 4 * k);
}

} // namespace

// ---- Field encodings -------------------------------------------------------------------

quint8 encodeUartFormat(const UartFormat &format)
{
    quint8 byte = 0xC0;
    if (format.sevenDataBits)
        byte |= 0x01;
    if (format.parity == Parity::Even)
        byte |= 0x04;
    else if (format.parity == Parity::Odd)
        byte |= 0x0C;
    if (format.twoStopBits)
        byte |= 0x10;
    return byte;
}

UartFormat decodeUartFormat(quint8 byte)
{
    UartFormat format;
    format.sevenDataBits = (byte & 0x01) != 0;
    switch (byte & 0x0C) {
    case 0x04: format.parity = Parity::Even; break;
    case 0x0C: format.parity = Parity::Odd; break;
    default: format.parity = Parity::None; break;
    }
    format.twoStopBits = (byte & 0x10) != 0;
    return format;
}

quint8 encodeModeFlags(const ModeFlags &flags)
{
    quint8 byte = 0;
    if (flags.tcpClient)
        byte |= 0x10;
    if (flags.tcp)
        byte |= 0x20;
    if (flags.dhcp)
        byte |= 0x40;
    return byte;
}

ModeFlags decodeModeFlags(quint8 byte)
{
    return ModeFlags{(byte & 0x10) != 0, (byte & 0x20) != 0, (byte & 0x40) != 0};
}

quint16 readWord(const QByteArray &data, int offset)
{
    return static_cast<quint16>(byteAt(data, offset) * 256 + byteAt(data, offset + 1));
}

void appendWord(QByteArray &out, quint16 value)
{
    appendByte(out, static_cast<quint8>(value >> 8));
    appendByte(out, static_cast<quint8>(value & 0xFF));
}

QString octetText(quint8 value)
{
    return QString::number(value);
}

// The shown forms are built character by character: a discovery storm formats thousands of
// rows, and QString::arg chains cost several times more.
static void appendDecimal(QString &out, quint8 value)
{
    if (value >= 100)
        out.append(QChar(u'0' + value / 100));
    if (value >= 10)
        out.append(QChar(u'0' + value / 10 % 10));
    out.append(QChar(u'0' + value % 10));
}

static void appendHexByte(QString &out, quint8 value)
{
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    out.append(QChar(kDigits[value >> 4]));
    out.append(QChar(kDigits[value & 0x0F]));
}

// The bytes' texts joined by a separator, built in one string of the given size.
template <std::size_t N, typename AppendByte>
static QString joinBytes(const std::array<quint8, N> &bytes, char16_t separator, int size, AppendByte appendByte)
{
    QString out;
    out.reserve(size);
    for (std::size_t i = 0; i < N; ++i) {
        if (i)
            out.append(separator);
        appendByte(out, bytes[i]);
    }
    return out;
}

QString dottedText(const Octets4 &address)
{
    return joinBytes(address, u'.', 15, appendDecimal);
}

QString macByteText(quint8 value)
{
    QString out;
    out.reserve(2);
    appendHexByte(out, value);
    return out;
}

QString macText(const Mac6 &mac)
{
    return joinBytes(mac, u'-', 17, appendHexByte);
}

QString firmwareText(quint8 value)
{
    return QStringLiteral("%1.%2").arg((value & 0xF0) / 16).arg(value & 0x0F);
}

QString baudText(quint8 code)
{
    return code < kBaudRates.size() ? QString::number(kBaudRates[code]) : QStringLiteral("UNKNOWN");
}

QString dataBitsText(quint8 format)
{
    return decodeUartFormat(format).sevenDataBits ? QStringLiteral("7") : QStringLiteral("8");
}

QString parityText(quint8 format)
{
    switch (decodeUartFormat(format).parity) {
    case Parity::Even: return QStringLiteral("EVEN");
    case Parity::Odd: return QStringLiteral("ODD");
    case Parity::None: break;
    }
    return QStringLiteral("NONE");
}

QString stopBitsText(quint8 format)
{
    return decodeUartFormat(format).twoStopBits ? QStringLiteral("2") : QStringLiteral("1");
}

QString enableText(quint8 enableByte)
{
    return enableByte == 0 ? QStringLiteral("Disable") : QStringLiteral("Enable");
}

// ---- SettingsBlock ------------------------------------------------------------------------

QByteArray encodeSettingsBlock(const SettingsBlock &block)
{
    QByteArray out;
    out.reserve(SettingsOffset::FullLength);
    appendCommon(out, block);
    appendByte(out, block.firmware);
    appendByte(out, block.format);
    appendByte(out, block.timeoutToDefault);
    if (block.hasMode) {
        appendByte(out, block.mode);
        appendBytes(out, block.tcpServer);
    }
    return out;
}

SettingsBlock decodeSettingsBlock(const QByteArray &data)
{
    SettingsBlock block;
    readCommon(data, 0, block);
    block.firmware = byteAt(data, SettingsOffset::Firmware);
    block.format = byteAt(data, SettingsOffset::Format);
    block.timeoutToDefault = byteAt(data, SettingsOffset::TimeoutToDefault);
    block.hasMode = data.size() > SettingsOffset::ShortLength;
    if (block.hasMode) {
        block.mode = byteAt(data, SettingsOffset::Mode);
        block.tcpServer = readBytes<4>(data, SettingsOffset::TcpServer);
    }
    return block;
}

// ---- SettingsUploadBlock ------------------------------------------------------------------

QByteArray encodeSettingsUploadBlock(const SettingsUploadBlock &block)
{
    QByteArray out;
    out.reserve(kSettingsUploadLength);
    appendCommon(out, block);
    appendByte(out, block.format);
    appendByte(out, enableByte(block.timeoutToDefault));
    appendByte(out, block.mode);
    appendBytes(out, block.tcpServer);
    appendByte(out, 0);
    return out;
}

SettingsUploadBlock decodeSettingsUploadBlock(const QByteArray &data)
{
    SettingsUploadBlock block;
    readCommon(data, 0, block);
    block.format = byteAt(data, 25);
    block.timeoutToDefault = byteAt(data, 26);
    block.mode = byteAt(data, 27);
    block.tcpServer = readBytes<4>(data, 28);
    return block;
}

// ---- DiscoveryRecord ----------------------------------------------------------------------

QByteArray encodeDiscoveryRecord(const DiscoveryRecord &record)
{
    QByteArray out;
    out.reserve(kDiscoveryRecordLength);
    appendCommon(out, record);
    appendByte(out, record.unread25);
    appendByte(out, record.format);
    appendByte(out, record.timeoutToDefault);
    appendDiscoveryTail(out, record, false);
    return out;
}

DiscoveryRecord decodeDiscoveryRecord(const QByteArray &data)
{
    DiscoveryRecord record;
    readCommon(data, 0, record);
    record.unread25 = byteAt(data, 25);
    record.format = byteAt(data, 26);
    record.timeoutToDefault = byteAt(data, 27);
    readDiscoveryTail(data, 28, record);
    return record;
}

QString discoveryCellText(const DiscoveryRecord &record, int recordLength, int column)
{
    if (column < 0 || column >= kDeviceGridColumns)
        return {};
    const DiscoveryColumn &field = kDiscoveryColumns[std::size_t(column)];
    return field.carriedBy(recordLength) ? field.text(record) : QString();
}

QStringList discoveryRowTexts(const QByteArray &data)
{
    const DiscoveryRecord record = decodeDiscoveryRecord(data);
    QStringList cells;
    cells.reserve(kDeviceGridColumns);
    for (int c = 0; c < kDeviceGridColumns; ++c)
        cells << discoveryCellText(record, int(data.size()), c);
    return cells;
}

// ---- SourceFilterBlock --------------------------------------------------------------------

QByteArray encodeSourceFilterBlock(const SourceFilterBlock &block)
{
    QByteArray out;
    out.reserve(kSourceFilterLength);
    for (const Octets4 &a : block.sources)
        appendBytes(out, a);
    return out;
}

SourceFilterBlock decodeSourceFilterBlock(const QByteArray &data)
{
    SourceFilterBlock block;
    for (int k = 0; k < 4; ++k)
        block.sources[k] = readBytes<4>(data, 4 * k);
    return block;
}

// ---- BridgeBlock --------------------------------------------------------------------------

QByteArray encodeBridgeBlock(const BridgeBlock &block)
{
    QByteArray out;
    out.reserve(kBridgeBlockLength);
    appendByte(out, block.enabled ? 1 : 0);
    appendWord(out, block.localPort);
    for (quint16 p : block.remotePorts)
        appendWord(out, p);
    for (const Octets4 &a : block.ips)
        appendBytes(out, a);
    return out;
}

BridgeBlock decodeBridgeBlock(const QByteArray &data)
{
    BridgeBlock block;
    block.enabled = (byteAt(data, 0) & 0x01) != 0;
    block.localPort = readWord(data, 1);
    for (int k = 0; k < 5; ++k)
        block.remotePorts[k] = readWord(data, 3 + 2 * k);
    for (int k = 0; k < 5; ++k)
        block.ips[k] = readBytes<4>(data, 13 + 4 * k);
    return block;
}

// ---- UartQuickBlock -----------------------------------------------------------------------

QByteArray encodeUartQuickBlock(const UartQuickBlock &block)
{
    QByteArray out;
    appendByte(out, block.baudCode);
    appendByte(out, block.format);
    return out;
}

UartQuickBlock decodeUartQuickBlock(const QByteArray &data)
{
    return UartQuickBlock{byteAt(data, 0), byteAt(data, 1)};
}

// ---- DeviceUploadBlock --------------------------------------------------------------------

QByteArray encodeDeviceUploadBlock(const DeviceUploadBlock &block)
{
    QByteArray out;
    out.reserve(kDeviceUploadLength);
    appendBytes(out, block.destination);
    appendCommon(out, block.settings);              // 6..30
    appendByte(out, block.settings.format);         // 31
    appendByte(out, enableByte(block.settings.timeoutToDefault)); // 32
    appendDiscoveryTail(out, block.settings, true); // 33..81
    return out;
}

DeviceUploadBlock decodeDeviceUploadBlock(const QByteArray &data)
{
    DeviceUploadBlock block;
    block.destination = readBytes<6>(data, 0);
    readCommon(data, 6, block.settings);
    block.settings.unread25 = 0;
    block.settings.format = byteAt(data, 31);
    block.settings.timeoutToDefault = byteAt(data, 32);
    readDiscoveryTail(data, 33, block.settings);
    return block;
}

} // namespace qvx
