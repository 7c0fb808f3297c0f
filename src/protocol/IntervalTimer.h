#pragma once
#include <QObject>
#include <QTimer>

namespace qvx {

// A periodic timer with an interval and an enabled state, fired only while it is enabled
// and its interval is above 0 (an interval of 0 keeps it inert, unlike QTimer, which would
// fire on every pass of the event loop). A speed-up divisor shortens the real waits for
// tests; interval() always reports the nominal value.
class IntervalTimer : public QObject {
    Q_OBJECT
public:
    explicit IntervalTimer(const QString &name, int intervalMs, bool enabled, QObject *parent = nullptr);

    int interval() const { return m_interval; }
    bool isEnabled() const { return m_enabled; }
    // True while a countdown is running (enabled with a non-zero interval).
    bool isCounting() const { return m_timer.isActive(); }
    // Milliseconds left of the running countdown (real time), -1 when not counting.
    int remainingTime() const { return m_timer.isActive() ? m_timer.remainingTime() : -1; }

    void setInterval(int ms);
    void setEnabled(bool enabled);
    // Sets the interval and enables the timer. While a countdown runs, it restarts only when
    // the new interval is longer than the running one, so requests sent in quick succession
    // do not postpone the report of a silent device.
    void arm(int ms);

    // A single-shot timer disables itself each time it fires: arm() or setEnabled(true)
    // starts one countdown.
    void setSingleShot(bool singleShot) { m_singleShot = singleShot; }
    bool isSingleShot() const { return m_singleShot; }

    static void setSpeedup(int divisor);
    static int speedup();

Q_SIGNALS:
    void timeout();

private:
    void apply(bool restart);
    void onFired();

    QTimer m_timer;
    int m_interval = 0;
    bool m_enabled = false;
    bool m_singleShot = false;
};

} // namespace qvx
