#include "protocol/Link.h"

#include "protocol/Commands.h"
#include "protocol/Endpoint.h"
#include "protocol/Frame.h"
#include "protocol/IntervalTimer.h"
#include "protocol/MessageSink.h"
#include "protocol/ProgramState.h"

namespace qvx {

Link::Link(UdpEndpoint &endpoint, ProgramState &state, IntervalTimer &replyTimer, MessageSink &messages)
    : m_endpoint(endpoint), m_state(state), m_replyTimer(replyTimer), m_messages(messages)
{
}

QString Link::deviceAddressText() const
{
    const auto &o = m_state.deviceAddress;
    return QStringLiteral("%1.%2.%3.%4").arg(o[0]).arg(o[1]).arg(o[2]).arg(o[3]);
}

bool Link::isUnicastTargetSelected() const
{
    return m_endpoint.remoteHost() == deviceAddressText();
}

void Link::selectUnicastTarget()
{
    m_endpoint.close();
    m_endpoint.setRemoteHost(deviceAddressText());
    m_endpoint.setRemotePort(kDevicePort);
    bindLocalPort();
}

bool Link::isMulticastTargetSelected() const
{
    return m_endpoint.remoteHost() == QLatin1String(kMulticastGroup);
}

void Link::selectMulticastTarget()
{
    m_endpoint.close();
    m_endpoint.setRemoteHost(QString::fromLatin1(kMulticastGroup));
    bindLocalPort();
}

void Link::bindLocalPort()
{
    int number = 0;
    QString reason;
    if (m_endpoint.bind(kLocalPort, &number, &reason)) {
        m_state.bindFailureReported = false;
        return;
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
}

bool Link::ensureBound()
{
    if (!m_endpoint.isBound())
        bindLocalPort();
    return m_endpoint.isBound();
}

bool Link::sendFrame(quint8 cmd, const QByteArray &data, Target target, int replyTimeoutMs,
                     const QString &errorTitlePrefix)
{
    if (target == Target::Unicast) {
        if (!isUnicastTargetSelected())
            selectUnicastTarget();
    } else if (!isMulticastTargetSelected()) {
        selectMulticastTarget();
    }
    if (!ensureBound())
        return false;

    const SendResult result = m_endpoint.send(buildRequestFrame(cmd, data));
    if (!result.ok) {
        QString text = result.errorText;
        if (target == Target::Unicast && m_unicastFailureNote) {
            const QString note = m_unicastFailureNote(m_endpoint.remoteHost());
            if (!note.isEmpty())
                text += QLatin1Char('\n') + note;
        }
        m_messages.show(text, errorTitlePrefix + QString::number(result.errorNumber), MessageIcon::Exclamation);
        return false;
    }
    if (cmd != CmdLoginStatus)
        m_state.silenceReported = false;
    if (replyTimeoutMs > 0) {
        m_replyTimer.arm(replyTimeoutMs);
        m_state.commandPending = true;
    }
    return true;
}

SendResult Link::sendFrameThroughCard(quint8 cmd, const QByteArray &data, const NetworkCard &card,
                                      int replyTimeoutMs)
{
    if (!isMulticastTargetSelected())
        selectMulticastTarget();
    if (!ensureBound())
        return {false, 0, QStringLiteral("the local UDP port %1 is not open").arg(kLocalPort)};
    const SendResult result = m_endpoint.sendThroughCard(buildRequestFrame(cmd, data), card);
    if (!result.ok)
        return result;
    m_state.silenceReported = false;
    if (replyTimeoutMs > 0) {
        m_replyTimer.arm(replyTimeoutMs);
        m_state.commandPending = true;
    }
    return result;
}

bool Link::sendCommand(quint8 code)
{
    return sendFrame(code, simpleCommandData(), Target::Unicast, kReplyTimeoutMs, QStringLiteral("Errore  "));
}

void Link::startWriteSequence(quint8 writeCode, IntervalTimer &deferredWriteTimer, int delayMs)
{
    sendCommand(CmdLogout);
    m_state.pendingWriteCode = writeCode;
    deferredWriteTimer.arm(delayMs);
}

void Link::stopReplyWait()
{
    m_state.commandPending = false;
    m_replyTimer.setEnabled(false);
    m_replyTimer.setInterval(0);
}

} // namespace qvx
