#pragma once
#include "protocol/Endpoint.h"
#include "platform/QtUdpEndpoint.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <vector>

class QWidget;

namespace qvx::bench {

// ---- Output -------------------------------------------------------------------------------
// One figure per line on stdout, tab-separated, for scripts/bench to gather into one table:
//   FIG <figure> <value> <target> <verdict> <conditions>
// verdict is "yes", "NO" or "-" (no target).
void printFigure(const QString &name, const QString &value, const QString &target, const QString &verdict,
            const QString &conditions);
QString verdictText(bool met);
QString formatMs(double milliseconds, int decimals = 1);
QString formatUs(double microseconds, int decimals = 2);

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point start);
double msBetween(Clock::time_point from, Clock::time_point to);

// ---- Host ---------------------------------------------------------------------------------
// An integer from /proc/sys (e.g. "net/core/rmem_max"), or -1.
long sysctlValue(const char *path);
// A "Vm..." line of /proc/self/status in KiB (e.g. "VmHWM"), or -1.
long procStatusKiB(const char *field);
// SO_RCVBUF as the kernel reports it, or -1.
int receiveBufferOf(int fd);

// Waits (event loop running) until the window is exposed on the offscreen screen, at most
// `timeoutMs`. Returns false on timeout.
bool waitExposed(QWidget *window, int timeoutMs = 5000);

// ---- Devices ------------------------------------------------------------------------------
// The discovery reply of simulated device n (0-based): a frame of 83 bytes with a MAC
// address and an IP address of its own.
QByteArray deviceReply(int n);
std::vector<QByteArray> deviceReplies(int count);

// ---- Loopback traffic -----------------------------------------------------------------------
// Sends the datagrams back to back to 127.0.0.1:port from a socket of its own. The
// destination is always the loopback address; the count is capped at 100,000 and each
// datagram is retried at most 1,000 times while the sending buffer is full.
struct BlastResult {
    int sent = 0;
    int failed = 0;
    double ms = 0;
};
BlastResult blastToLoopback(quint16 port, const std::vector<QByteArray> &datagrams);

// ---- The program's endpoint, made safe for a benchmark --------------------------------------
// Receives through a real QtUdpEndpoint, bound once on an ephemeral port (on every local
// IPv4 address, as the program binds), and sends nothing at all: every send is counted and
// dropped, whatever address it names. With `defaultBuffer` each socket of the endpoint gets the buffer an untuned system
// gives (net.core.rmem_default), even to root, and the endpoint adds sockets as it does on
// such a system.
class LoopbackOnlyEndpoint : public UdpEndpoint {
    Q_OBJECT
public:
    explicit LoopbackOnlyEndpoint(bool defaultBuffer = false, QObject *parent = nullptr);

    bool bind(quint16, int *, QString *) override { return m_inner.isBound(); }
    bool isBound() const override { return m_inner.isBound(); }
    SendResult send(const QByteArray &, quint32, quint16) override
    {
        ++m_sendsDropped;
        return {};
    }
    SendResult sendThroughCard(const QByteArray &, quint32, quint16, const NetworkCard &) override
    {
        ++m_sendsDropped;
        return {};
    }
    QList<ReceivedDatagram> readPendingDatagrams() override { return m_inner.readPendingDatagrams(); }
    quint64 droppedDatagrams() const override { return m_inner.droppedDatagrams(); }
    bool hasPendingDatagram() const override { return m_inner.hasPendingDatagram(); }

    quint16 port() const { return m_inner.localPort(); }
    // The buffer the endpoint asked for and was granted, and the one in force now.
    int grantedByEndpoint() const { return m_inner.receiveBufferSize(); }
    int receiveSocketCount() const { return m_inner.receiveSocketCount(); }
    int receiveBufferNow() const;
    int sendsDropped() const { return m_sendsDropped; }

private:
    QtUdpEndpoint m_inner;
    int m_sendsDropped = 0;
};

} // namespace qvx::bench
