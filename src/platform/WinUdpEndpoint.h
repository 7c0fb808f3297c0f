#pragma once
#include "protocol/Endpoint.h"

#include <QList>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace qvx {

// The endpoint on Windows: one Winsock socket bound on every local IPv4 address, read by a
// thread of its own so that a storm of replies is taken out of the system's buffer as fast
// as it comes, whatever the window thread is doing. Each datagram carries its destination
// address and card (IP_PKTINFO through WSARecvMsg). The thread queues the datagrams in order
// of arrival and, each time the queue stops being empty, posts one call to the endpoint's own
// thread, which signals readyRead; a read takes the whole queue. Sends go out on the caller's
// thread.
//
// Unlike Linux, Windows grants the 8 MiB receive buffer without administrator rights, so no
// group of sockets is needed; and it keeps no per-socket count of dropped datagrams, so
// countsDroppedDatagrams() is false. A "port unreachable" answer to one of the endpoint's
// datagrams does not end the next receive (SIO_UDP_CONNRESET off), and the port is held
// exclusively (SO_EXCLUSIVEADDRUSE): a second copy of the program is refused.
class WinUdpEndpoint : public UdpEndpoint {
    Q_OBJECT
public:
    // Receive buffer asked for at the bind: about 10,000 device replies.
    static constexpr int kWantedReceiveBuffer = 8 * 1024 * 1024;
    // Bytes kept of each datagram; a longer one is handed over cut and marked truncated.
    static constexpr int kMaxDatagram = 2048;
    // Datagrams queued at most; past that the thread waits and the system's buffer holds the
    // rest.
    static constexpr qsizetype kMaxQueued = 200000;

    explicit WinUdpEndpoint(QObject *parent = nullptr);
    ~WinUdpEndpoint() override;

    bool bind(quint16 localPort, int *errorNumber, QString *errorText) override;
    bool isBound() const override;
    SendResult send(const QByteArray &datagram, quint32 address, quint16 port) override;
    SendResult sendThroughCard(const QByteArray &datagram, quint32 address, quint16 port,
                               const NetworkCard &card) override;
    QList<ReceivedDatagram> readPendingDatagrams() override;
    bool hasPendingDatagram() const override;
    quint64 droppedDatagrams() const override { return 0; }
    bool countsDroppedDatagrams() const override { return false; }

    // The receive buffer the system granted at the bind (0 before), and the bound port.
    int receiveBufferSize() const { return m_receiveBuffer; }
    quint16 localPort() const { return m_localPort; }
    // Whether the receiving thread runs.
    bool hasReceivingThread() const { return m_thread.joinable(); }
    // Datagrams handed over cut since the endpoint was made.
    quint64 truncatedDatagrams() const { return m_truncated.load(std::memory_order_relaxed); }

private:
    // Stops the thread and closes the socket; what was queued is discarded.
    void close();
    void run();
    // Queues `datagrams` and posts a wake if the queue was empty; false when stopping.
    bool handOver(QList<ReceivedDatagram> &&datagrams);
    void onWake();
    SendResult sendChecked(const QByteArray &datagram, quint32 address, quint16 port, const NetworkCard *card);

    // SOCKET and WSAEVENT kept as plain numbers and pointers: no Winsock header here.
    std::uintptr_t m_socket;
    void *m_readEvent = nullptr;
    void *m_stopEvent = nullptr;
    void *m_receiveMessage = nullptr; // WSARecvMsg
    bool m_winsockStarted = false;
    quint16 m_localPort = 0;
    int m_receiveBuffer = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_room;
    QList<ReceivedDatagram> m_queue;
    bool m_wakePosted = false;
    bool m_stopping = false;
    std::atomic<quint64> m_truncated{0};
    std::thread m_thread;
};

} // namespace qvx
