#pragma once
#include "protocol/Layouts.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace qvx {

// The checks that every write makes before its frame leaves, in their fixed order, with the
// messages the user sees. The windows run them on their boxes and mirrors, qvxctl on the
// values typed on its command line or read from a sheet. The first failing check is the
// only one reported; a refused write sends nothing.

// Title of the messages that refuse a write.
inline const QString kRefusedWriteTitle = QStringLiteral("Message Warning");
// Title of the messages of the programmer window's leaving checks.
inline const QString kOutOfRangeTitle = QStringLiteral("Attention! - Value out of range");

// A checked write: its value, or the one message that refuses it.
template <typename T>
struct Checked {
    std::optional<T> value;
    QString refusal;
    bool ok() const { return value.has_value(); }
};

// ---- Items of the discovery editor's lists (the list index is what is written) -----------

const QStringList &baudItems();             // "600" .. "115200": the index is the baud code
const QStringList &dataBitsItems();         // "7", "8"
const QStringList &parityItems();           // "ODD", "EVEN", "NONE"
const QStringList &stopBitsItems();         // "1", "2"
const QStringList &timeoutToDefaultItems(); // "DISABLE", "ENABLE"

// ---- Programmer window: leaving checks and the settings upload (command 98) -------------

// The leaving check of an octet box: refused when empty, negative, or rounding above 255.
bool octetEntryAccepted(const QString &text);
// "The value selected for <field> field #<index> is out of range. Values allowed are in the
// interval [0-255]" (field "IP-Address", "Subnet Mask" or "Gateway").
QString octetOutOfRangeText(const QString &field, int index);
// The leaving check of the UART receive timeout box: 50..65535, not empty.
bool uartTimeoutEntryAccepted(const QString &text);
QString uartTimeoutOutOfRangeText();

// The programmer window's numeric fields as its change handlers store them. Octets are
// 16-bit with -1 marking a box that holds no octet; ports and the timeout are 32-bit.
struct SettingsUploadFields {
    std::array<qint16, 6> mac{};
    std::array<qint16, 4> ip{}, mask{}, gateway{};
    qint32 localPort = 0, remotePort = 0, uartTimeout = 0;
    int baudIndex = 0;
    UartFormat format;
    bool timeoutToDefault = false;
    ModeFlags mode;
    std::array<QString, 4> tcpServer; // the texts of the four server address boxes
};
// The checks of "Upload Settings": MAC, address, mask, gateway octets; local and remote
// port; UART timeout; the TCP server address (four empty boxes are 0.0.0.0). The block to
// send, or the message (title kRefusedWriteTitle).
Checked<SettingsUploadBlock> checkSettingsUpload(const SettingsUploadFields &fields);

// ---- Discovery window: upload of the selected device (command 108) ----------------------

// The texts and selections of the discovery window's details editor.
struct DeviceEditorTexts {
    std::array<QString, 6> mac;
    std::array<QString, 4> ip, mask, gateway;
    QString localPort, remotePort;
    int baudIndex = -1; // list indexes; -1 is no selection
    QString timeout;
    int dataBitsIndex = -1, parityIndex = -1, stopBitsIndex = -1, timeoutToDefaultIndex = -1;
    std::array<std::array<QString, 4>, 4> sources;
    std::optional<bool> bridgeEnabled; // neither option button selected: nothing
    QString bridgeLocalPort;
    std::array<QString, 5> bridgeRemotePorts;
    std::array<std::array<QString, 4>, 5> bridgeIps;
};

// The checks of "Upload selected device", in their order ("MAC Address Error", "IP Address
// Error", ..., "IP Bridge 5 Address Error"). The new settings, or the message.
Checked<DiscoveryRecord> checkDeviceUpload(const DeviceEditorTexts &texts);

// ---- Source filter, bridge and MAC reassignment dialogs (commands 106, 111, 113) --------

// From the dialog's octet mirrors (-1 marks a non-numeric box): "Source k IP-Address Error".
Checked<SourceFilterBlock> checkSourceFilter(const std::array<std::array<qint16, 4>, 4> &sources);

// From the bridge dialog's mirrors and status: "Local port Error", "Remote port k Error",
// "Bridge k IP-Address Error", in that order.
Checked<BridgeBlock> checkBridgeSettings(bool enabled, qint32 localPort, const std::array<qint32, 5> &remotePorts,
                                         const std::array<std::array<qint16, 4>, 5> &ips);

// The MAC reassignment code: the leading number of the text, 65793..16777215 inclusive.
constexpr qint64 kLowestMacCode = 65793;
constexpr qint64 kHighestMacCode = 16777215;
bool macCodeAccepted(const QString &text);
QString macCodeRefusalText(); // "ATTENZIONE! Inserire un codice corretto"
// The three code bytes (high, middle, low) of a code's 32-bit form.
std::array<quint8, 3> bytesOfMacCode(qint32 code);

// ---- Passwords --------------------------------------------------------------------------

constexpr int kPasswordMinLength = 6;
constexpr int kPasswordMaxLength = 12;
// A letter A-Z, a-z or a digit: the characters a password is made of.
bool isPasswordCharacter(QChar c);
// 6 to 12 characters, each a password character.
bool passwordAccepted(const QString &password);
// The 12 bytes a password is sent as in a login or password-change frame: its first 12
// characters, padded on the left with spaces to 12; a character outside ASCII becomes a
// space.
QByteArray passwordBytes(const QString &password);

} // namespace qvx
