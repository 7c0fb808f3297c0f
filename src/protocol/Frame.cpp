#include "protocol/Frame.h"
#include "protocol/Commands.h"

#include <QString>

namespace qvx {

const char *commandName(quint8 code)
{
    switch (code) {
    case CmdDownloadSettings: return "download settings";
    case CmdUploadSettings: return "upload settings";
    case CmdSetDefault: return "set default configuration";
    case CmdLogin: return "login";
    case CmdSetPassword: return "set new password";
    case CmdLoginStatus: return "login status";
    case CmdLogout: return "logout";
    case CmdBaudOnTheFly: return "change baud rate on the fly";
    case CmdDownloadSource: return "download source filter";
    case CmdUploadSource: return "upload source filter";
    case CmdDiscovery: return "discovery";
    case CmdUploadSelected: return "upload selected device";
    case CmdFactorySetting: return "factory setting";
    case CmdDownloadBridge: return "download bridge destinations";
    case CmdUploadBridge: return "upload bridge destinations";
    case CmdMacAutomatic: return "reassign MAC automatically";
    case CmdMacFromCode: return "reassign MAC from code";
    default: return "unknown";
    }
}

quint8 frameChecksum(const QByteArray &body)
{
    unsigned sum = 0;
    for (char c : body)
        sum = (sum + static_cast<quint8>(c)) & 0xFF;
    return static_cast<quint8>(sum);
}

QByteArray simpleCommandData()
{
    return QByteArray("\xAA\xAA", 2);
}

static QByteArray buildFrame(char marker, quint8 cmd, const QByteArray &data)
{
    Q_ASSERT(data.size() <= 255);
    QByteArray body;
    body.reserve(data.size() + 2);
    body.append(static_cast<char>(cmd));
    body.append(static_cast<char>(static_cast<quint8>(data.size())));
    body.append(data);

    QByteArray frame;
    frame.reserve(body.size() + 4);
    frame.append(kStartMarker);
    frame.append(marker);
    frame.append(body);
    frame.append(static_cast<char>(frameChecksum(body)));
    frame.append(kEndMarker);
    return frame;
}

QByteArray buildRequestFrame(quint8 cmd, const QByteArray &data)
{
    return buildFrame(kRequestMarker, cmd, data);
}

QByteArray buildReplyFrame(quint8 cmd, const QByteArray &data)
{
    return buildFrame(kReplyMarker, cmd, data);
}

static std::optional<Frame> recognize(const QByteArray &datagram, char marker, int maxDataLength)
{
    if (datagram.size() < 6)
        return std::nullopt;
    const auto byte = [&](int i) { return static_cast<quint8>(datagram[i]); };
    const int len = byte(3);
    // The whole frame must have arrived and must fit what is stored; nothing past the
    // received bytes is ever read.
    if (len > maxDataLength || datagram.size() < len + 6)
        return std::nullopt;
    if (datagram[0] != kStartMarker || datagram[1] != marker || datagram[len + 5] != kEndMarker)
        return std::nullopt;
    if (frameChecksum(datagram.mid(2, len + 2)) != byte(len + 4))
        return std::nullopt;
    return Frame{byte(2), datagram.mid(4, len)};
}

std::optional<Frame> recognizeReply(const QByteArray &datagram)
{
    return recognize(datagram, kReplyMarker, kMaxReplyDataLength);
}

std::optional<Frame> recognizeRequest(const QByteArray &datagram)
{
    return recognize(datagram, kRequestMarker, 255);
}

QString hexDump(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace qvx
