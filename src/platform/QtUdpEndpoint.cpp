#include "platform/QtUdpEndpoint.h"

#include <QNetworkDatagram>
#include <QVariant>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qvx {

QtUdpEndpoint::QtUdpEndpoint(QObject *parent) : UdpEndpoint(parent)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &UdpEndpoint::readyRead);
}

void QtUdpEndpoint::close()
{
    m_socket.close();
}

void QtUdpEndpoint::setRemoteHost(const QString &host)
{
    m_remoteHost = host;
    m_remoteAddress = QHostAddress(host);
}

bool QtUdpEndpoint::bind(quint16 localPort, int *errorNumber, QString *errorText)
{
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.close();
    if (!m_socket.bind(QHostAddress::AnyIPv4, localPort)) {
        if (errorNumber)
            *errorNumber = static_cast<int>(m_socket.error());
        if (errorText)
            *errorText = m_socket.errorString();
        return false;
    }
    m_socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, kWantedReceiveBuffer);
    m_receiveBuffer = m_socket.socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption).toInt();
    // Requests to the group leave through the default route with a TTL of one hop.
    m_socket.setSocketOption(QAbstractSocket::MulticastTtlOption, 1);
    return true;
}

bool QtUdpEndpoint::isBound() const
{
    return m_socket.state() == QAbstractSocket::BoundState;
}

SendResult QtUdpEndpoint::send(const QByteArray &datagram)
{
    if (!isBound()) {
        // Never let the socket pick a port of its own: devices answer to the local port.
        return {false, static_cast<int>(QAbstractSocket::AddressInUseError),
                QStringLiteral("The local UDP port is not open")};
    }
    if (m_remoteAddress.isNull() || m_remoteAddress.protocol() != QAbstractSocket::IPv4Protocol) {
        return {false, static_cast<int>(QAbstractSocket::HostNotFoundError),
                QStringLiteral("Invalid destination address: %1").arg(m_remoteHost)};
    }
    const qint64 written = m_socket.writeDatagram(datagram, m_remoteAddress, m_remotePort);
    if (written != datagram.size())
        return {false, static_cast<int>(m_socket.error()), m_socket.errorString()};
    return {};
}

bool QtUdpEndpoint::hasPendingDatagram() const
{
    return m_socket.hasPendingDatagrams();
}

QByteArray QtUdpEndpoint::readDatagram()
{
    // One system call per datagram: read into a buffer that holds the largest datagram,
    // without asking for the size first.
    if (m_readBuffer.size() < kMaxDatagram)
        m_readBuffer.resize(kMaxDatagram);
    const qint64 read = m_socket.readDatagram(m_readBuffer.data(), m_readBuffer.size());
    if (read < 0)
        return {};
    return QByteArray(m_readBuffer.constData(), static_cast<qsizetype>(read));
}

QString QtUdpEndpoint::localIPv4Address() const
{
    // The socket is bound to every address; report the address the system would send from
    // towards the current remote host. Connecting a UDP socket sends nothing.
    QHostAddress towards = m_remoteAddress;
    if (towards.isNull() || towards.protocol() != QAbstractSocket::IPv4Protocol)
        return {};
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
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
