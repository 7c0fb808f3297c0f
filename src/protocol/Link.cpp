#include "protocol/Link.h"

#include "protocol/Commands.h"
#include "protocol/Endpoint.h"
#include "protocol/Frame.h"
#include "protocol/IntervalTimer.h"
#include "protocol/MessageSink.h"
#include "protocol/ProgramState.h"

namespace qvx {

Destination Destination::group()
{
    return {kMulticastGroupAddress, kDevicePort};
}

Destination Destination::device(quint32 address)
{
    return {address, kDevicePort};
}

QString Destination::addressText() const
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

Link::Link(UdpEndpoint &endpoint, ProgramState &state, IntervalTimer &replyTimer, MessageSink &messages)
    : m_endpoint(endpoint), m_state(state), m_replyTimer(replyTimer), m_messages(messages)
{
}

QString Link::deviceAddressText() const
{
    const auto &o = m_state.deviceAddress;
    return QStringLiteral("%1.%2.%3.%4").arg(o[0]).arg(o[1]).arg(o[2]).arg(o[3]);
}

std::optional<Destination> Link::deviceDestination() const
{
    quint32 address = 0;
    for (qint16 octet : m_state.deviceAddress) {
        if (octet < 0 || octet > 255)
            return std::nullopt;
        address = (address << 8) | quint32(octet);
    }
    return Destination::device(address);
}

bool Link::ensureBound()
{
    if (m_endpoint.isBound())
        return true;
    int number = 0;
    QString reason;
    if (m_endpoint.bind(kLocalPort, &number, &reason)) {
        m_state.bindFailureReported = false;
        return true;
    }
    // Another program may hold the port. Say so once; every later request tries again.
    if (!m_state.bindFailureReported) {
        m_state.bindFailureReported = true;
        m_messages.show(QStringLiteral("The local UDP port %1 could not be opened: %2\n"
                                       "No request can be sent until the port is free; "
                                       "every request tries to open it again.")
                            .arg(kLocalPort)
                            .arg(reason),
                        QStringLiteral("Errore ") + QString::number(number), MessageIcon::Exclamation);
    }
    return false;
}

void Link::afterSend(quint8 cmd, int replyTimeoutMs)
{
    if (cmd != CmdLoginStatus)
        m_state.silenceReported = false;
    if (replyTimeoutMs > 0) {
        m_replyTimer.arm(replyTimeoutMs);
        m_state.commandPending = true;
    }
}

bool Link::sendFrame(quint8 cmd, const QByteArray &data, const Destination &to, int replyTimeoutMs,
                     const QString &errorTitlePrefix)
{
    if (!ensureBound())
        return false;
    const SendResult result = m_endpoint.send(buildRequestFrame(cmd, data), to.address, to.port);
    if (!result.ok) {
        QString text = result.errorText;
        if (to != Destination::group() && m_unicastFailureNote) {
            const QString note = m_unicastFailureNote(to.addressText());
            if (!note.isEmpty())
                text += QLatin1Char('\n') + note;
        }
        m_messages.show(text, errorTitlePrefix + QString::number(result.errorNumber), MessageIcon::Exclamation);
        return false;
    }
    afterSend(cmd, replyTimeoutMs);
    return true;
}

bool Link::sendToDevice(quint8 cmd, const QByteArray &data, int replyTimeoutMs, const QString &errorTitlePrefix)
{
    const std::optional<Destination> device = deviceDestination();
    if (!device) {
        m_messages.show(QStringLiteral("Invalid destination address: %1").arg(deviceAddressText()),
                        errorTitlePrefix.trimmed(), MessageIcon::Exclamation);
        return false;
    }
    return sendFrame(cmd, data, *device, replyTimeoutMs, errorTitlePrefix);
}

bool Link::sendCommand(quint8 code)
{
    return sendToDevice(code, simpleCommandData(), kReplyTimeoutMs, QStringLiteral("Errore  "));
}

SendResult Link::sendFrameThroughCard(quint8 cmd, const QByteArray &data, const Destination &to,
                                      const NetworkCard &card, int replyTimeoutMs)
{
    if (!ensureBound())
        return {false, 0, QStringLiteral("the local UDP port %1 is not open").arg(kLocalPort)};
    const SendResult result = m_endpoint.sendThroughCard(buildRequestFrame(cmd, data), to.address, to.port, card);
    if (!result.ok)
        return result;
    m_state.silenceReported = false;
    if (replyTimeoutMs > 0) {
        m_replyTimer.arm(replyTimeoutMs);
        m_state.commandPending = true;
    }
    return result;
}

SendResult Link::sendQuietly(quint8 cmd, const QByteArray &data, const Destination &to)
{
    if (!ensureBound())
        return {false, 0, QStringLiteral("the local UDP port %1 is not open").arg(kLocalPort)};
    return m_endpoint.send(buildRequestFrame(cmd, data), to.address, to.port);
}

void Link::stopReplyWait()
{
    m_state.commandPending = false;
    m_replyTimer.setEnabled(false);
    m_replyTimer.setInterval(0);
}

} // namespace qvx
