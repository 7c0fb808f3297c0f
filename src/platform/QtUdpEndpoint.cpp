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

void QtUdpEndpoint::setRemoteHost(const QString &host)
{
    m_remoteHost = host;
    m_remoteAddress = QHostAddress(host);
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

SendResult QtUdpEndpoint::send(const QByteArray &datagram)
{
    return sendChecked(datagram, nullptr);
}

SendResult QtUdpEndpoint::sendThroughCard(const QByteArray &datagram, const NetworkCard &card)
{
    return sendChecked(datagram, &card);
}

SendResult QtUdpEndpoint::sendChecked(const QByteArray &datagram, const NetworkCard *card)
{
    if (!isBound()) {
        // Never let the socket pick a port of its own: devices answer to the local port.
        return {false, EADDRINUSE, QStringLiteral("The local UDP port is not open")};
    }
    if (m_remoteAddress.isNull() || m_remoteAddress.protocol() != QAbstractSocket::IPv4Protocol)
        return {false, EDESTADDRREQ, QStringLiteral("Invalid destination address: %1").arg(m_remoteHost)};
    return m_sockets.first().sendTo(datagram, m_remoteAddress.toIPv4Address(), m_remotePort, card);
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

QString QtUdpEndpoint::localIPv4Address() const
{
    // The socket is bound to every address; report the address the system would send from
    // towards the current remote host. Connecting a UDP socket sends nothing.
    QHostAddress towards = m_remoteAddress;
    if (towards.isNull() || towards.protocol() != QAbstractSocket::IPv4Protocol)
        return {};
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(m_remotePort ? m_remotePort : 4096);
    remote.sin_addr.s_addr = htonl(towards.toIPv4Address());
    QString result;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&remote), sizeof remote) == 0) {
        sockaddr_in local{};
        socklen_t length = sizeof local;
        if (::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &length) == 0)
            result = QHostAddress(ntohl(local.sin_addr.s_addr)).toString();
    }
    ::close(fd);
    return result;
}

} // namespace qvx
