#include "protocol/WriteSequence.h"

#include "protocol/Commands.h"
#include "protocol/IntervalTimer.h"
#include "protocol/Link.h"

namespace qvx {

WriteSequence::WriteSequence(Link &link, IntervalTimer &timer, QObject *parent)
    : QObject(parent), m_link(link), m_timer(timer)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &IntervalTimer::timeout, this, &WriteSequence::sendNow);
}

void WriteSequence::start(quint8 writeCode, BlockBuilder build, int delayMs, const QString &errorTitlePrefix)
{
    m_link.sendCommand(CmdLogout);
    m_writeCode = writeCode;
    m_build = std::move(build);
    m_errorTitlePrefix = errorTitlePrefix;
    m_timer.setEnabled(false);
    if (delayMs > 0)
        m_timer.arm(delayMs);
}

void WriteSequence::sendNow()
{
    m_timer.setEnabled(false);
    if (!isWaiting())
        return;
    const quint8 code = std::exchange(m_writeCode, quint8(0));
    const BlockBuilder build = std::exchange(m_build, {});
    const std::optional<QByteArray> block = build();
    const bool sent = block && m_link.sendToDevice(code, *block, kReplyTimeoutMs, m_errorTitlePrefix);
    Q_EMIT finished(code, sent);
}

void WriteSequence::cancel()
{
    m_timer.setEnabled(false);
    m_writeCode = 0;
    m_build = {};
}

} // namespace qvx
