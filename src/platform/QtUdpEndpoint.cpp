#include "platform/QtUdpEndpoint.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qvx {

QtUdpEndpoint::QtUdpEndpoint(QObject *parent) : UdpEndpoint(parent) {}

QtUdpEndpoint::~QtUdpEndpoint()
{
    close();
}

void QtUdpEndpoint::close()
{
    m_notifier.reset();
    if (m_sockets.isOpen()) {
        m_droppedBefore += droppedOnCurrentSockets();
        m_truncatedBefore = truncatedDatagrams();
    }
    // The thread stops before its socket closes; what it had queued goes with it.
    m_receiver.reset();
    m_reader.reset();
    m_sockets.close();
    m_pending.clear();
}

bool QtUdpEndpoint::bind(quint16 localPort, int *errorNumber, QString *errorText)
{
    close();
    if (!m_sockets.open(localPort, m_wantedReceiveBuffer, kWantedReceiveCapacity, errorNumber, errorText))
        return false;
    m_receiveBuffer = m_sockets.receiveBufferSize();
    m_receiver = std::make_unique<DatagramReceiver>(m_sockets.descriptors());
    if (m_receiver->isRunning()) {
        m_notifier = std::make_unique<QSocketNotifier>(m_receiver->wakeDescriptor(), QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, &QtUdpEndpoint::onWake);
        return true;
    }
    // No thread: one socket, read on this thread.
    m_receiver.reset();
    if (m_sockets.memberCount() > 1) {
        const quint16 port = m_sockets.localPort();
        m_sockets.close();
        if (!m_sockets.open(port, m_wantedReceiveBuffer, 0, errorNumber, errorText))
            return false;
    }
    m_reader = std::make_unique<DatagramBatchReader>();
    m_notifier = std::make_unique<QSocketNotifier>(m_sockets.first().descriptor(), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &UdpEndpoint::readyRead);
    return true;
}

void QtUdpEndpoint::onWake()
{
    m_receiver->clearWake();
    // A read since the wake may have taken the queue already.
    if (m_receiver->hasQueued())
        Q_EMIT readyRead();
}

bool QtUdpEndpoint::isBound() const
{
    return m_sockets.isOpen();
}

SendResult QtUdpEndpoint::send(const QByteArray &datagram, quint32 address, quint16 port)
{
    return sendChecked(datagram, address, port, nullptr);
}

SendResult QtUdpEndpoint::sendThroughCard(const QByteArray &datagram, quint32 address, quint16 port,
                                          const NetworkCard &card)
{
    return sendChecked(datagram, address, port, &card);
}

SendResult QtUdpEndpoint::sendChecked(const QByteArray &datagram, quint32 address, quint16 port,
                                      const NetworkCard *card)
{
    if (!isBound()) {
        // Never let the socket pick a port of its own: devices answer to the local port.
        return {false, EADDRINUSE, QStringLiteral("The local UDP port is not open")};
    }
    return m_sockets.first().sendTo(datagram, address, port, card);
}

void QtUdpEndpoint::drainSocket()
{
    if (m_receiver) {
        m_pending.append(m_receiver->take());
        return;
    }
    if (!m_reader)
        return;
    // Bounded, so that a flood cannot hold the event loop: what is left is read at the
    // next arrival signal.
    constexpr int kMaxBatches = 1024;
    for (int i = 0; i < kMaxBatches; ++i)
        if (m_reader->readBatch(m_sockets.first().descriptor(), m_pending) < DatagramBatchReader::kBatch)
            break;
}

QList<ReceivedDatagram> QtUdpEndpoint::readPendingDatagrams()
{
    drainSocket();
    return std::exchange(m_pending, {});
}

bool QtUdpEndpoint::hasPendingDatagram() const
{
    if (!m_pending.isEmpty())
        return true;
    if (m_receiver)
        return m_receiver->hasQueued();
    if (!m_sockets.isOpen())
        return false;
    pollfd waiting{m_sockets.first().descriptor(), POLLIN, 0};
    return ::poll(&waiting, 1, 0) > 0 && (waiting.revents & POLLIN);
}

quint64 QtUdpEndpoint::droppedOnCurrentSockets() const
{
    const quint64 reported = m_receiver ? m_receiver->reportedDrops() : m_reader ? m_reader->reportedDrops() : 0;
    return std::max(m_sockets.droppedDatagrams(), reported);
}

quint64 QtUdpEndpoint::droppedDatagrams() const
{
    return m_droppedBefore + (m_sockets.isOpen() ? droppedOnCurrentSockets() : 0);
}

quint64 QtUdpEndpoint::truncatedDatagrams() const
{
    const quint64 current = m_receiver ? m_receiver->truncatedDatagrams() : m_reader ? m_reader->truncatedDatagrams() : 0;
    return m_truncatedBefore + current;
}

} // namespace qvx
