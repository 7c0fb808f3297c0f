#include "protocol/IntervalTimer.h"

#include <algorithm>

namespace qvx {

static int g_speedup = 1;

void IntervalTimer::setSpeedup(int divisor)
{
    g_speedup = std::max(1, divisor);
}

int IntervalTimer::speedup()
{
    return g_speedup;
}

IntervalTimer::IntervalTimer(const QString &name, int intervalMs, bool enabled, QObject *parent)
    : QObject(parent), m_interval(intervalMs), m_enabled(enabled)
{
    setObjectName(name);
    m_timer.setSingleShot(false);
    // Coarse timers may fire up to 5 % early or late; the reply and write delays are exact.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &IntervalTimer::onFired);
    apply(true);
}

void IntervalTimer::setInterval(int ms)
{
    if (ms == m_interval)
        return;
    m_interval = ms;
    apply(true);
}

void IntervalTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    apply(true);
}

void IntervalTimer::arm(int ms)
{
    const bool counting = m_timer.isActive();
    const bool longer = ms > m_interval;
    m_interval = ms;
    m_enabled = true;
    apply(!counting || longer);
}

void IntervalTimer::onFired()
{
    if (m_singleShot) {
        m_enabled = false;
        m_timer.stop();
    }
    Q_EMIT timeout();
}

void IntervalTimer::apply(bool restart)
{
    if (!m_enabled || m_interval <= 0) {
        m_timer.stop();
        return;
    }
    if (restart || !m_timer.isActive()) {
        m_timer.start(std::max(1, m_interval / g_speedup));
    }
}

} // namespace qvx
