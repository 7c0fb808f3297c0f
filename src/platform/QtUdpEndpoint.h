#pragma once
#include "platform/DatagramReceiver.h"
#include "platform/DatagramSocket.h"
#include "protocol/Endpoint.h"

#include <QHostAddress>
#include <QList>
#include <QSocketNotifier>

#include <memory>

namespace qvx {

// The real endpoint: one IPv4 UDP socket bound on every local address. A receiving thread
// (DatagramReceiver) empties the socket as datagrams come and queues them; the endpoint
// signals readyRead on its own thread once per filling of that queue, and a read takes the
// whole queue. Sends go out on the caller's thread. Each bind opens a new socket with a new
// receiver; closing stops the receiver and discards what it had queued, so no datagram of
// a closed socket is ever handed over. Without a thread (the system refused one) the
// socket is read on the endpoint's thread instead.
class QtUdpEndpoint : public UdpEndpoint {
    Q_OBJECT
public:
    // Receive buffer asked for at each bind, so that a discovery storm is not dropped by
    // the system before the program drains it.
    static constexpr int kWantedReceiveBuffer = 4 * 1024 * 1024;

    explicit QtUdpEndpoint(QObject *parent = nullptr);
    ~QtUdpEndpoint() override;

    void close() override;
    void setRemoteHost(const QString &host) override;
    QString remoteHost() const override { return m_remoteHost; }
    void setRemotePort(quint16 port) override { m_remotePort = port; }
    quint16 remotePort() const override { return m_remotePort; }
    bool bind(quint16 localPort, int *errorNumber, QString *errorText) override;
    bool isBound() const override;
    SendResult send(const QByteArray &datagram) override;
    SendResult sendThroughCard(const QByteArray &datagram, const NetworkCard &card) override;
    QList<ReceivedDatagram> readPendingDatagrams() override;
    bool hasPendingDatagram() const override;
    quint64 droppedDatagrams() const override;
    QString localIPv4Address() const override;

    // The receive buffer size the system granted at the last bind (0 before any bind).
    int receiveBufferSize() const { return m_receiveBuffer; }
    quint16 localPort() const { return m_socket.localPort(); }
    // The socket's descriptor while bound (-1 otherwise), for diagnostics and benchmarks.
    int socketDescriptor() const { return m_socket.descriptor(); }
    // Whether a receiving thread reads the socket.
    bool hasReceivingThread() const { return m_receiver && m_receiver->isRunning(); }
    // Datagrams longer than DatagramBatchReader::kMaxDatagram, handed over cut, since the
    // endpoint was made.
    quint64 truncatedDatagrams() const;

private:
    SendResult sendChecked(const QByteArray &datagram, const NetworkCard *card);
    // Moves every datagram waiting on the socket into m_pending.
    void drainSocket();
    void onWake();
    quint64 droppedOnCurrentSocket() const;

    DatagramSocket m_socket;
    std::unique_ptr<DatagramReceiver> m_receiver;
    std::unique_ptr<QSocketNotifier> m_notifier;
    // Reads on this thread when there is no receiving thread.
    std::unique_ptr<DatagramBatchReader> m_reader;
    QList<ReceivedDatagram> m_pending;
    QString m_remoteHost;
    QHostAddress m_remoteAddress;
    quint16 m_remotePort = 0;
    int m_receiveBuffer = 0;
    // Drops and cut datagrams counted on sockets closed before the current one.
    quint64 m_droppedBefore = 0;
    quint64 m_truncatedBefore = 0;
};

} // namespace qvx
