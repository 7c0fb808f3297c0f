#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>

namespace qvx {

using Octets4 = std::array<quint8, 4>;
using Mac6 = std::array<quint8, 6>;

// Baud rate codes 0..8 and the automatic UART receive timeout (microseconds) of each.
inline constexpr std::array<int, 9> kBaudRates{600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
inline constexpr std::array<int, 9> kAutoUartTimeouts{48750, 24375, 13000, 6500, 3250, 1625, 813, 541, 271};

// ---- Field encodings -------------------------------------------------------------------

enum class Parity { None, Even, Odd };

struct UartFormat {
    bool sevenDataBits = false;
    Parity parity = Parity::None;
    bool twoStopBits = false;
    bool operator==(const UartFormat &) const = default;
};
// Starts at 0xC0; 0x01 seven data bits; 0x04 even, 0x0C odd; 0x10 two stop bits.
quint8 encodeUartFormat(const UartFormat &format);
// Parity from (byte AND 0x0C): 0x04 even, 0x0C odd, anything else none.
UartFormat decodeUartFormat(quint8 byte);

struct ModeFlags {
    bool tcpClient = false; // bit 4: "TCP Client" / "TCP Server"
    bool tcp = false;       // bit 5: "TCP" / "UDP"
    bool dhcp = false;      // bit 6: "DHCP enabled" / "DHCP disabled"
    bool operator==(const ModeFlags &) const = default;
};
quint8 encodeModeFlags(const ModeFlags &flags);
ModeFlags decodeModeFlags(quint8 byte);

// Word: high byte first.
quint16 readWord(const QByteArray &data, int offset);
void appendWord(QByteArray &out, quint16 value);

// Shown forms.
QString octetText(quint8 value);                // "192"
QString dottedText(const Octets4 &address);     // "192.168.1.10"
QString macByteText(quint8 value);              // "0A"
QString macText(const Mac6 &mac);               // "00-1A-2B-3C-4D-5E"
QString firmwareText(quint8 value);             // 0x3A -> "3.10"
QString baudText(quint8 code);                  // "9600", or "UNKNOWN" for 9 and above
QString dataBitsText(quint8 format);            // "7" / "8"
QString parityText(quint8 format);              // "EVEN" / "ODD" / "NONE"
QString stopBitsText(quint8 format);            // "2" / "1"
QString enableText(quint8 enableByte);          // "Disable" for 0, else "Enable"

// ---- Layouts -----------------------------------------------------------------------------
// Offsets are data offsets: 0 is the first byte after LEN. Decoders read at fixed positions
// and take 0 for any byte beyond the data they are given; callers that must tell a short
// block apart check the data length against the offsets below.
// Encoders write every byte as held in the struct (format bytes included: build them with
// encodeUartFormat), except that the enable bytes of the request layouts
// (SettingsUploadBlock, DeviceUploadBlock) are written 1 for any non-zero value and 0 for 0.
// The reply layouts (SettingsBlock, DiscoveryRecord) keep their raw bytes both ways, so that a
// device's non-zero enable byte such as 2 reaches the decoder unchanged.

// Reply to 97 (LEN 33; LEN 28 stops before the mode byte).
struct SettingsBlock {
    Mac6 mac{};
    Octets4 ip{}, mask{}, gateway{};
    quint16 localPort = 0, remotePort = 0;
    quint8 baudCode = 0;
    quint16 uartTimeout = 0;
    quint8 firmware = 0;
    quint8 format = 0xC0;
    quint8 timeoutToDefault = 0;
    bool hasMode = true;   // false: LEN 28, no mode byte and no TCP server address
    quint8 mode = 0;
    Octets4 tcpServer{};
    bool operator==(const SettingsBlock &) const = default;
};
namespace SettingsOffset {
constexpr int Mac = 0, Ip = 6, Mask = 10, Gateway = 14, LocalPort = 18, RemotePort = 20, Baud = 22,
              UartTimeout = 23, Firmware = 25, Format = 26, TimeoutToDefault = 27, Mode = 28, TcpServer = 29;
constexpr int ShortLength = 28, FullLength = 33;
}
QByteArray encodeSettingsBlock(const SettingsBlock &block);
SettingsBlock decodeSettingsBlock(const QByteArray &data);

// Request 98 (LEN 33): SettingsBlock without the firmware byte, one reserved 0 byte at the end.
struct SettingsUploadBlock {
    Mac6 mac{};
    Octets4 ip{}, mask{}, gateway{};
    quint16 localPort = 0, remotePort = 0;
    quint8 baudCode = 0;
    quint16 uartTimeout = 0;
    quint8 format = 0xC0;
    quint8 timeoutToDefault = 0;
    quint8 mode = 0;
    Octets4 tcpServer{};
    bool operator==(const SettingsUploadBlock &) const = default;
};
constexpr int kSettingsUploadLength = 33;
QByteArray encodeSettingsUploadBlock(const SettingsUploadBlock &block);
SettingsUploadBlock decodeSettingsUploadBlock(const QByteArray &data);

// Reply to 107 (LEN 77), one per device.
struct DiscoveryRecord {
    Mac6 mac{};
    Octets4 ip{}, mask{}, gateway{};
    quint16 localPort = 0, remotePort = 0;
    quint8 baudCode = 0;
    quint16 uartTimeout = 0;
    quint8 unread25 = 0;   // the firmware byte's place; the program does not read it
    quint8 format = 0xC0;
    quint8 timeoutToDefault = 0;
    std::array<Octets4, 4> sources{};
    quint8 bridgeStatus = 0;
    quint16 bridgeLocalPort = 0;
    std::array<quint16, 5> bridgeRemotePorts{};
    std::array<Octets4, 5> bridgeIps{};
    bool operator==(const DiscoveryRecord &) const = default;
};
constexpr int kDiscoveryRecordLength = 77;
QByteArray encodeDiscoveryRecord(const DiscoveryRecord &record);
DiscoveryRecord decodeDiscoveryRecord(const QByteArray &data);

// The 28 cell texts of a device grid row, in column order (the columns are described once,
// in DiscoveryColumns.h). A record shorter than 77 bytes gives empty cells for every field
// that its data does not cover completely.
QStringList discoveryRowTexts(const QByteArray &data);
constexpr int kDeviceGridColumns = 28;
// One of those cells, from the decoded record and the number of record bytes the reply
// carried; empty for a column outside the grid.
QString discoveryCellText(const DiscoveryRecord &record, int recordLength, int column);

// Reply to 105 and request 106 (LEN 16).
struct SourceFilterBlock {
    std::array<Octets4, 4> sources{};
    bool operator==(const SourceFilterBlock &) const = default;
};
constexpr int kSourceFilterLength = 16;
QByteArray encodeSourceFilterBlock(const SourceFilterBlock &block);
SourceFilterBlock decodeSourceFilterBlock(const QByteArray &data);

// Reply to 110 and request 111 (LEN 33). Read: bit 0 of the status only; written 1 / 0.
struct BridgeBlock {
    bool enabled = false;
    quint16 localPort = 0;
    std::array<quint16, 5> remotePorts{};
    std::array<Octets4, 5> ips{};
    bool operator==(const BridgeBlock &) const = default;
};
constexpr int kBridgeBlockLength = 33;
QByteArray encodeBridgeBlock(const BridgeBlock &block);
BridgeBlock decodeBridgeBlock(const QByteArray &data);

// Request 104 (LEN 2).
struct UartQuickBlock {
    quint8 baudCode = 0;
    quint8 format = 0xC0;
    bool operator==(const UartQuickBlock &) const = default;
};
QByteArray encodeUartQuickBlock(const UartQuickBlock &block);
UartQuickBlock decodeUartQuickBlock(const QByteArray &data);

// Request 108 (LEN 82): the destination MAC, then the DiscoveryRecord fields without byte 25.
struct DeviceUploadBlock {
    Mac6 destination{};
    DiscoveryRecord settings; // settings.unread25 is not carried
    bool operator==(const DeviceUploadBlock &) const = default;
};
constexpr int kDeviceUploadLength = 82;
QByteArray encodeDeviceUploadBlock(const DeviceUploadBlock &block);
DeviceUploadBlock decodeDeviceUploadBlock(const QByteArray &data);

} // namespace qvx
