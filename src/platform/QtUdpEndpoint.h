#pragma once
#include "platform/DatagramReceiver.h"
#include "platform/DatagramSocketGroup.h"
#include "protocol/Endpoint.h"

#include <QList>
#include <QSocketNotifier>

#include <memory>

namespace qvx {

// The real endpoint: the local UDP port bound on every local IPv4 address, as one socket
// or, where the system grants one socket less buffer than a storm of replies needs, as a
// group of sockets sharing the port (DatagramSocketGroup). A receiving thread
// (DatagramReceiver) empties the sockets as datagrams come and queues them in order of
// arrival; the endpoint signals readyRead on its own thread once per filling of that queue,
// and a read takes the whole queue. Sends go out of the first socket on the caller's thread.
// The port is bound once; a bind opens new sockets with a new receiver after closing the
// old ones, whose queue is discarded, so no datagram of a closed socket is ever handed over. Without a
// thread (the system refused one) one socket is read on the endpoint's thread instead.
class QtUdpEndpoint : public UdpEndpoint {
    Q_OBJECT
public:
    // Receive buffer each socket asks for at a bind, so that a discovery storm is not
    // dropped by the system before the program drains it.
    static constexpr int kWantedReceiveBuffer = 4 * 1024 * 1024;
    // Receive buffer wanted in all: where one socket is granted less (no root, the stock
    // net.core.rmem_max), the port gets further sockets until their buffers add up to this,
    // about 10,000 device replies.
    static constexpr qint64 kWantedReceiveCapacity = 8 * 1024 * 1024;

    explicit QtUdpEndpoint(QObject *parent = nullptr);
    ~QtUdpEndpoint() override;

    // Stops the receiver and closes the sockets; what was queued is discarded. The program
    // never closes its port while it runs: only the destructor and tests that bind afresh
    // (a new bind closes first) do.
    void close();
    bool bind(quint16 localPort, int *errorNumber, QString *errorText) override;
    bool isBound() const override;
    SendResult send(const QByteArray &datagram, quint32 address, quint16 port) override;
    SendResult sendThroughCard(const QByteArray &datagram, quint32 address, quint16 port,
                               const NetworkCard &card) override;
    QList<ReceivedDatagram> readPendingDatagrams() override;
    bool hasPendingDatagram() const override;
    quint64 droppedDatagrams() const override;

    // The receive buffer each socket asks for at the next bind (kWantedReceiveBuffer unless
    // changed), e.g. to see how the endpoint fares where the system grants little.
    void setWantedReceiveBuffer(int bytes) { m_wantedReceiveBuffer = bytes; }
    // The receive buffer size the system granted each socket at the last bind (0 before
    // any bind), and the number of sockets sharing the port.
    int receiveBufferSize() const { return m_receiveBuffer; }
    int receiveSocketCount() const { return m_sockets.memberCount(); }
    quint16 localPort() const { return m_sockets.localPort(); }
    // The first socket's descriptor while bound (-1 otherwise), for diagnostics and tests.
    int socketDescriptor() const { return m_sockets.isOpen() ? m_sockets.first().descriptor() : -1; }
    // Whether a receiving thread reads the socket.
    bool hasReceivingThread() const { return m_receiver && m_receiver->isRunning(); }
    // Datagrams longer than DatagramBatchReader::kMaxDatagram, handed over cut, since the
    // endpoint was made.
    quint64 truncatedDatagrams() const;

private:
    SendResult sendChecked(const QByteArray &datagram, quint32 address, quint16 port, const NetworkCard *card);
    // Moves every datagram waiting on the socket into m_pending.
    void drainSocket();
    void onWake();
    quint64 droppedOnCurrentSockets() const;

    DatagramSocketGroup m_sockets;
    std::unique_ptr<DatagramReceiver> m_receiver;
    std::unique_ptr<QSocketNotifier> m_notifier;
    // Reads on this thread when there is no receiving thread.
    std::unique_ptr<DatagramBatchReader> m_reader;
    QList<ReceivedDatagram> m_pending;
    int m_wantedReceiveBuffer = kWantedReceiveBuffer;
    int m_receiveBuffer = 0;
    // Drops and cut datagrams counted on sockets closed before the current ones.
    quint64 m_droppedBefore = 0;
    quint64 m_truncatedBefore = 0;
};

} // namespace qvx
