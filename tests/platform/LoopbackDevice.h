#pragma once
// A device on 127.0.0.1 for the tests of the endpoint and of the simulator, on Linux and on
// Windows alike: a plain socket, which starts no thread of its own (the thread sanitizer
// runs these tests).
#include <QByteArray>

#ifdef Q_OS_WIN
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <optional>
#include <thread>

namespace qvx::test {

inline constexpr quint32 kLoopback = 0x7F000001;

inline sockaddr_in ipv4Address(quint16 port, quint32 address = kLoopback)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(address);
    return a;
}

class LoopbackDevice {
public:
#ifdef Q_OS_WIN
    using Socket = SOCKET;
#else
    using Socket = int;
#endif
    struct Datagram {
        QByteArray data;
        quint16 senderPort = 0;
    };

    LoopbackDevice()
    {
#ifdef Q_OS_WIN
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
#endif
        m_socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in local = ipv4Address(0);
        socklen_t length = sizeof local;
        if (::bind(m_socket, reinterpret_cast<sockaddr *>(&local), sizeof local) == 0 &&
            ::getsockname(m_socket, reinterpret_cast<sockaddr *>(&local), &length) == 0)
            m_port = ntohs(local.sin_port);
    }
    ~LoopbackDevice()
    {
#ifdef Q_OS_WIN
        ::closesocket(m_socket);
        WSACleanup();
#else
        ::close(m_socket);
#endif
    }
    LoopbackDevice(const LoopbackDevice &) = delete;
    LoopbackDevice &operator=(const LoopbackDevice &) = delete;
    bool isOpen() const { return m_port != 0; }
    quint16 localPort() const { return m_port; }
    Socket descriptor() const { return m_socket; }

    // Sends, waiting while the system's send buffer is full; the bytes sent or -1.
    qint64 writeDatagram(const QByteArray &datagram, quint16 port, quint32 address = kLoopback)
    {
        const sockaddr_in to = ipv4Address(port, address);
        for (;;) {
            const qint64 sent = ::sendto(m_socket, datagram.constData(), int(datagram.size()), 0,
                                         reinterpret_cast<const sockaddr *>(&to), sizeof to);
#ifdef Q_OS_WIN
            const bool full = sent < 0 && (WSAGetLastError() == WSAEWOULDBLOCK || WSAGetLastError() == WSAENOBUFS);
#else
            const bool full = sent < 0 && (errno == ENOBUFS || errno == EAGAIN || errno == EINTR);
#endif
            if (!full)
                return sent;
            std::this_thread::yield();
        }
    }
    std::optional<Datagram> receive(int timeoutMs)
    {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_socket, &readable);
        timeval wait{timeoutMs / 1000, timeoutMs % 1000 * 1000};
        if (::select(int(m_socket) + 1, &readable, nullptr, nullptr, &wait) != 1)
            return std::nullopt;
        char buffer[4096];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const qint64 size = ::recvfrom(m_socket, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &length);
        if (size < 0)
            return std::nullopt;
        return Datagram{QByteArray(buffer, qsizetype(size)), ntohs(from.sin_port)};
    }

private:
    Socket m_socket;
    quint16 m_port = 0;
};

} // namespace qvx::test
