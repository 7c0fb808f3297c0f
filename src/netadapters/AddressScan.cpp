#include "netadapters/AddressScan.h"

#include <algorithm>

namespace qvx {

namespace {
// How often the pacing looks at the clock; each look sends what is due by then.
constexpr int kPaceTickMs = 5;
} // namespace

AddressScan::AddressScan(Sender send, QObject *parent) : QObject(parent), m_send(std::move(send))
{
    m_pace.setTimerType(Qt::PreciseTimer);
    m_pace.setInterval(kPaceTickMs);
    connect(&m_pace, &QTimer::timeout, this, &AddressScan::sendDue);
    m_linger.setSingleShot(true);
    connect(&m_linger, &QTimer::timeout, this, &AddressScan::finish);
}

void AddressScan::start(const QList<quint32> &addresses, int ratePerSecond, int retries, int lingerMs)
{
    if (m_running)
        cancel();
    m_addresses = addresses;
    m_asked.clear();
    m_answered.clear();
    m_found.clear();
    m_requestsSent = 0;
    m_failedSends = 0;
    m_firstSendError.clear();
    m_cancelled = false;
    m_rate = std::max(1, ratePerSecond);
    m_retriesLeft = std::max(0, retries);
    m_lingerMs = std::max(0, lingerMs);
    m_roundNumber = 0;
    m_running = true;
    startRound(addresses);
}

void AddressScan::startRound(const QList<quint32> &addresses)
{
    ++m_roundNumber;
    m_round = addresses;
    m_next = 0;
    m_roundClock.start();
    m_pace.start();
    sendDue();
}

void AddressScan::sendDue()
{
    if (!m_running)
        return;
    // As many requests as the rate allows since the round began: the pace holds on average
    // however late the timer fires.
    const qint64 due = std::min<qint64>(m_round.size(), 1 + m_roundClock.elapsed() * m_rate / 1000);
    while (m_next < due) {
        const quint32 address = m_round[m_next++];
        if (m_answered.contains(address))
            continue; // answered since the round was planned
        m_asked.insert(address);
        const SendResult sent = m_send(address);
        ++m_requestsSent;
        if (!sent.ok) {
            if (m_failedSends++ == 0)
                m_firstSendError = sent.errorText;
        }
    }
    Q_EMIT progress(int(m_next), int(m_round.size()), m_roundNumber);
    if (m_next < m_round.size())
        return;
    m_pace.stop();
    if (m_retriesLeft > 0) {
        QList<quint32> silent;
        for (quint32 address : std::as_const(m_addresses))
            if (!m_answered.contains(address))
                silent << address;
        if (!silent.isEmpty()) {
            --m_retriesLeft;
            startRound(silent);
            return;
        }
    }
    m_linger.start(m_lingerMs);
}

void AddressScan::takeReply(quint32 source, const SettingsBlock &settings, int length,
                            const std::optional<LocalCard> &card)
{
    if (!claims(source) || m_answered.contains(source))
        return;
    m_answered.insert(source);
    m_found << Found{source, settings, length, card};
    Q_EMIT deviceFound(m_found.last());
    // Everything answered: nothing is left to wait for.
    if (m_answered.size() == m_addresses.size() && !m_pace.isActive()) {
        m_linger.stop();
        finish();
    }
}

void AddressScan::cancel()
{
    if (!m_running)
        return;
    m_cancelled = true;
    finish();
}

void AddressScan::finish()
{
    m_pace.stop();
    m_linger.stop();
    if (!m_running)
        return;
    m_running = false;
    Q_EMIT finished();
}

} // namespace qvx
