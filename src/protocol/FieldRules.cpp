#include "protocol/FieldRules.h"

#include "protocol/TextRules.h"

#include <algorithm>

namespace qvx {

namespace {

bool isOctet(qint32 value)
{
    return value >= 0 && value <= 255;
}

bool isWord(qint32 value)
{
    return value >= 0 && value <= 65535;
}

// Upload rules of the discovery editor. An octet: a numeric text up to 255, rounded halves
// to even; a value that rounds below 0 does not fit either.
std::optional<quint8> editorOctet(const QString &text)
{
    if (!isNumericText(text))
        return std::nullopt;
    const double value = numericValue(text);
    if (value > 255)
        return std::nullopt;
    const double rounded = roundHalfEven(value);
    if (!(rounded >= 0))
        return std::nullopt;
    return quint8(rounded);
}

// A port: the same up to 65535.
std::optional<quint16> editorPort(const QString &text)
{
    if (!isNumericText(text))
        return std::nullopt;
    const double value = numericValue(text);
    if (value > 65535)
        return std::nullopt;
    const double rounded = roundHalfEven(value);
    if (!(rounded >= 0))
        return std::nullopt;
    return quint16(rounded);
}

std::optional<Octets4> editorAddress(const std::array<QString, 4> &boxes)
{
    Octets4 out{};
    for (std::size_t i = 0; i < 4; ++i) {
        const std::optional<quint8> octet = editorOctet(boxes[i]);
        if (!octet)
            return std::nullopt;
        out[i] = *octet;
    }
    return out;
}

template <typename T>
Checked<T> refuse(const QString &message)
{
    return Checked<T>{std::nullopt, message};
}

} // namespace

// ---- List items -------------------------------------------------------------------------

const QStringList &baudItems()
{
    static const QStringList items = [] {
        QStringList out;
        for (int rate : kBaudRates)
            out << QString::number(rate);
        return out;
    }();
    return items;
}

const QStringList &dataBitsItems()
{
    static const QStringList items{QStringLiteral("7"), QStringLiteral("8")};
    return items;
}

const QStringList &parityItems()
{
    static const QStringList items{QStringLiteral("ODD"), QStringLiteral("EVEN"), QStringLiteral("NONE")};
    return items;
}

const QStringList &stopBitsItems()
{
    static const QStringList items{QStringLiteral("1"), QStringLiteral("2")};
    return items;
}

const QStringList &timeoutToDefaultItems()
{
    static const QStringList items{QStringLiteral("DISABLE"), QStringLiteral("ENABLE")};
    return items;
}

// ---- Programmer window ------------------------------------------------------------------

bool octetEntryAccepted(const QString &text)
{
    // Refused: an empty box, any negative value (-0.4 too), or a value whose stored,
    // rounded octet is above 255 (255.4 stores 255 and passes, 255.6 does not).
    const double value = numericValue(text);
    return !text.isEmpty() && value >= 0 && roundHalfEven(value) <= 255;
}

QString octetOutOfRangeText(const QString &field, int index)
{
    return QStringLiteral("The value selected for %1 field #%2 is out of range. "
                          "Values allowed are in the interval [0-255]")
        .arg(field)
        .arg(index);
}

bool uartTimeoutEntryAccepted(const QString &text)
{
    const double value = numericValue(text);
    return !text.isEmpty() && value >= 50 && value <= 65535;
}

QString uartTimeoutOutOfRangeText()
{
    return QStringLiteral("The value selected for UART Timeout is out of range. "
                          "Values allowed are in the interval [50-65535]");
}

Checked<SettingsUploadBlock> checkSettingsUpload(const SettingsUploadFields &f)
{
    using Result = Checked<SettingsUploadBlock>;
    const auto octetError = [](const QString &field, int index) {
        return refuse<SettingsUploadBlock>(QStringLiteral("%1 Error\nThe value of field #%2 is out of range. "
                                                          "Values allowed are in the interval [0-255]")
                                               .arg(field)
                                               .arg(index));
    };
    const auto wordError = [](const QString &field) {
        return refuse<SettingsUploadBlock>(
            QStringLiteral("%1 Error\nThe value is out of range. Values allowed are in the interval [0-65535]")
                .arg(field));
    };
    const auto badOctet = [](const auto &values) {
        for (int i = 0; i < int(values.size()); ++i)
            if (!isOctet(values[std::size_t(i)]))
                return i;
        return -1;
    };

    if (int i = badOctet(f.mac); i >= 0)
        return octetError(QStringLiteral("Device Mac-Address"), i);
    if (int i = badOctet(f.ip); i >= 0)
        return octetError(QStringLiteral("Device IP-Address"), i);
    if (int i = badOctet(f.mask); i >= 0)
        return octetError(QStringLiteral("Device Subnet Mask"), i);
    if (int i = badOctet(f.gateway); i >= 0)
        return octetError(QStringLiteral("Device Gateway"), i);
    if (!isWord(f.localPort))
        return wordError(QStringLiteral("Device Local Port Number"));
    if (!isWord(f.remotePort))
        return wordError(QStringLiteral("Device Remote Port Number"));
    if (!isWord(f.uartTimeout))
        return wordError(QStringLiteral("Device UART RX Timeout"));

    // The server address matters in TCP client mode only, and a device that does not report
    // one leaves the four boxes empty: all four empty is the address 0.0.0.0.
    Octets4 server{};
    if (!std::all_of(f.tcpServer.begin(), f.tcpServer.end(), [](const QString &t) { return t.trimmed().isEmpty(); })) {
        for (int i = 0; i < 4; ++i) {
            const std::optional<qint64> value = wholeNumber(f.tcpServer[std::size_t(i)]);
            if (!value || *value < 0 || *value > 255)
                return refuse<SettingsUploadBlock>(QStringLiteral("Server remote IP-Address Error\nField #%1 must "
                                                                  "hold a whole number in the interval [0-255]")
                                                       .arg(i));
            server[std::size_t(i)] = quint8(*value);
        }
    }

    SettingsUploadBlock block;
    for (std::size_t i = 0; i < 6; ++i)
        block.mac[i] = quint8(f.mac[i]);
    for (std::size_t i = 0; i < 4; ++i) {
        block.ip[i] = quint8(f.ip[i]);
        block.mask[i] = quint8(f.mask[i]);
        block.gateway[i] = quint8(f.gateway[i]);
    }
    block.localPort = quint16(f.localPort);
    block.remotePort = quint16(f.remotePort);
    // The index only ever comes from the list, 0..8.
    block.baudCode = quint8(std::clamp(f.baudIndex, 0, 255));
    block.uartTimeout = quint16(f.uartTimeout);
    block.format = encodeUartFormat(f.format);
    block.timeoutToDefault = f.timeoutToDefault ? 1 : 0;
    block.mode = encodeModeFlags(f.mode);
    block.tcpServer = server;
    return Result{block, {}};
}

// ---- Discovery window -------------------------------------------------------------------

Checked<DiscoveryRecord> checkDeviceUpload(const DeviceEditorTexts &t)
{
    using Result = Checked<DiscoveryRecord>;
    DiscoveryRecord s;

    for (std::size_t i = 0; i < 6; ++i) {
        const qint32 value = hexPairToByte(t.mac[i], 2);
        if (value < 0 || value > 255)
            return refuse<DiscoveryRecord>(QStringLiteral("MAC Address Error"));
        s.mac[i] = quint8(value);
    }

    const auto address = [](const std::array<QString, 4> &boxes, Octets4 &out) {
        const std::optional<Octets4> value = editorAddress(boxes);
        if (value)
            out = *value;
        return value.has_value();
    };
    const auto port = [](const QString &text, quint16 &out) {
        const std::optional<quint16> value = editorPort(text);
        if (value)
            out = *value;
        return value.has_value();
    };

    if (!address(t.ip, s.ip))
        return refuse<DiscoveryRecord>(QStringLiteral("IP Address Error"));
    if (!address(t.mask, s.mask))
        return refuse<DiscoveryRecord>(QStringLiteral("Subnet Mask Error"));
    if (!address(t.gateway, s.gateway))
        return refuse<DiscoveryRecord>(QStringLiteral("Gateway Error"));
    if (!port(t.localPort, s.localPort))
        return refuse<DiscoveryRecord>(QStringLiteral("Local port Error"));
    if (!port(t.remotePort, s.remotePort))
        return refuse<DiscoveryRecord>(QStringLiteral("Remote port Error"));

    // The baud rate code is the list index; with nothing selected there is no code to send.
    if (t.baudIndex < 0 || t.baudIndex >= baudItems().size())
        return refuse<DiscoveryRecord>(QStringLiteral("Baudrate Error"));
    s.baudCode = quint8(t.baudIndex);

    // Any text is taken by its leading number (0 for none), but it must fit a word.
    const double timeout = roundHalfEven(numericValue(t.timeout));
    if (!(timeout >= 0 && timeout <= 65535))
        return refuse<DiscoveryRecord>(QStringLiteral("Timeout Error"));
    s.uartTimeout = quint16(timeout);

    UartFormat format;
    if (t.dataBitsIndex < 0)
        return refuse<DiscoveryRecord>(QStringLiteral("Data Bits Error"));
    format.sevenDataBits = t.dataBitsIndex == 0;
    if (t.parityIndex < 0)
        return refuse<DiscoveryRecord>(QStringLiteral("Parity Bit Error"));
    format.parity = t.parityIndex == 0 ? Parity::Odd : t.parityIndex == 1 ? Parity::Even : Parity::None;
    if (t.stopBitsIndex < 0)
        return refuse<DiscoveryRecord>(QStringLiteral("Stop Bit Error"));
    format.twoStopBits = t.stopBitsIndex == 1;
    s.format = encodeUartFormat(format);

    if (t.timeoutToDefaultIndex < 0)
        return refuse<DiscoveryRecord>(QStringLiteral("Timeout to default serial parameter Error"));
    s.timeoutToDefault = quint8(t.timeoutToDefaultIndex == 1 ? 1 : 0);

    for (int k = 0; k < 4; ++k)
        if (!address(t.sources[std::size_t(k)], s.sources[std::size_t(k)]))
            return refuse<DiscoveryRecord>(QStringLiteral("IP Source %1 Address Error").arg(k + 1));

    if (!t.bridgeEnabled)
        return refuse<DiscoveryRecord>(QStringLiteral("Error! Modalità bridge non selezionata"));
    s.bridgeStatus = *t.bridgeEnabled ? 1 : 0;

    if (!port(t.bridgeLocalPort, s.bridgeLocalPort))
        return refuse<DiscoveryRecord>(QStringLiteral("Local Bridge port Error"));
    for (int k = 1; k <= 5; ++k)
        if (!port(t.bridgeRemotePorts[std::size_t(k - 1)], s.bridgeRemotePorts[std::size_t(k - 1)]))
            return refuse<DiscoveryRecord>(QStringLiteral("Remote Bridge ") + QString::number(k) +
                                           QStringLiteral(" port Error"));
    for (int k = 0; k < 5; ++k)
        if (!address(t.bridgeIps[std::size_t(k)], s.bridgeIps[std::size_t(k)]))
            return refuse<DiscoveryRecord>(QStringLiteral("IP Bridge %1 Address Error").arg(k + 1));

    return Result{s, {}};
}

// ---- Dialogs ----------------------------------------------------------------------------

Checked<SourceFilterBlock> checkSourceFilter(const std::array<std::array<qint16, 4>, 4> &sources)
{
    SourceFilterBlock block;
    for (std::size_t k = 0; k < 4; ++k) {
        for (std::size_t i = 0; i < 4; ++i) {
            const qint16 octet = sources[k][i];
            if (!isOctet(octet))
                return refuse<SourceFilterBlock>(QStringLiteral("Source %1 IP-Address Error").arg(k + 1));
            block.sources[k][i] = quint8(octet);
        }
    }
    return {block, {}};
}

Checked<BridgeBlock> checkBridgeSettings(bool enabled, qint32 localPort, const std::array<qint32, 5> &remotePorts,
                                         const std::array<std::array<qint16, 4>, 5> &ips)
{
    BridgeBlock block;
    block.enabled = enabled;
    if (!isWord(localPort))
        return refuse<BridgeBlock>(QStringLiteral("Local port Error"));
    block.localPort = quint16(localPort);
    for (std::size_t k = 0; k < 5; ++k) {
        if (!isWord(remotePorts[k]))
            return refuse<BridgeBlock>(QStringLiteral("Remote port %1 Error").arg(k + 1));
        block.remotePorts[k] = quint16(remotePorts[k]);
    }
    for (std::size_t k = 0; k < 5; ++k) {
        for (std::size_t i = 0; i < 4; ++i) {
            if (!isOctet(ips[k][i]))
                return refuse<BridgeBlock>(QStringLiteral("Bridge %1 IP-Address Error").arg(k + 1));
            block.ips[k][i] = quint8(ips[k][i]);
        }
    }
    return {block, {}};
}

bool macCodeAccepted(const QString &text)
{
    const double code = numericValue(text);
    return code >= double(kLowestMacCode) && code <= double(kHighestMacCode);
}

QString macCodeRefusalText()
{
    return QStringLiteral("ATTENZIONE! Inserire un codice corretto");
}

std::array<quint8, 3> bytesOfMacCode(qint32 code)
{
    const auto v = quint32(code);
    return {quint8((v & 0xFF0000) >> 16), quint8((v & 0xFF00) >> 8), quint8(v & 0xFF)};
}

// ---- Passwords --------------------------------------------------------------------------

bool isPasswordCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9');
}

bool passwordAccepted(const QString &password)
{
    if (password.size() < kPasswordMinLength || password.size() > kPasswordMaxLength)
        return false;
    return std::all_of(password.begin(), password.end(), isPasswordCharacter);
}

QByteArray passwordBytes(const QString &password)
{
    const QString padded = password.left(kPasswordMaxLength).rightJustified(kPasswordMaxLength, QLatin1Char(' '));
    QByteArray out;
    for (const QChar c : padded) {
        // Anything outside ASCII would not fit the byte it is sent as.
        const char16_t u = c.unicode();
        out.append(u < 0x80 ? char(u) : ' ');
    }
    return out;
}

} // namespace qvx
