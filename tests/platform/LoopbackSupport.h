#pragma once
// What the endpoint tests share: loopback addresses, a plain socket acting as a device, and
// the two receive buffers each endpoint test runs with.
#include "platform/QtUdpEndpoint.h"

#include <QTest>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>
#include <string>

namespace qvx::test {

inline constexpr quint32 kLoopback = 0x7F000001;

// What an untuned Linux gives a socket (net.core.rmem_default), halved: the system doubles
// what it is asked for. An endpoint asking for this shares its port among a group of sockets.
inline constexpr int kUntunedBuffer = 212992 / 2;

// The buffer the endpoint asks for (one socket where the system grants it, as to root) and
// the untuned one (a group of sockets).
inline auto endpointBuffers() { return testing::Values(QtUdpEndpoint::kWantedReceiveBuffer, kUntunedBuffer); }
inline std::string endpointBufferName(const testing::TestParamInfo<int> &info)
{
    return info.param == kUntunedBuffer ? "UntunedSystem" : "WantedBuffer";
}

inline sockaddr_in ipv4Address(quint16 port, quint32 address = kLoopback)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(address);
    return a;
}

// A device on 127.0.0.1 with a port of its own: a plain socket, which starts no thread of
// its own (the thread sanitizer runs these tests).
class LoopbackDevice {
public:
    struct Datagram {
        QByteArray data;
        quint16 senderPort = 0;
    };

    LoopbackDevice()
    {
        m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local = ipv4Address(0);
        socklen_t length = sizeof local;
        if (m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr *>(&local), sizeof local) == 0 &&
            ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&local), &length) == 0)
            m_port = ntohs(local.sin_port);
    }
    ~LoopbackDevice() { ::close(m_fd); }
    LoopbackDevice(const LoopbackDevice &) = delete;
    LoopbackDevice &operator=(const LoopbackDevice &) = delete;
    bool isOpen() const { return m_port != 0; }
    quint16 localPort() const { return m_port; }
    int descriptor() const { return m_fd; }

    qint64 writeDatagram(const QByteArray &datagram, quint16 port, quint32 address = kLoopback)
    {
        const sockaddr_in to = ipv4Address(port, address);
        return ::sendto(m_fd, datagram.constData(), size_t(datagram.size()), 0,
                        reinterpret_cast<const sockaddr *>(&to), sizeof to);
    }
    std::optional<Datagram> receive(int timeoutMs)
    {
        pollfd waiting{m_fd, POLLIN, 0};
        if (::poll(&waiting, 1, timeoutMs) <= 0)
            return std::nullopt;
        char buffer[4096];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t size = ::recvfrom(m_fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &length);
        if (size < 0)
            return std::nullopt;
        return Datagram{QByteArray(buffer, qsizetype(size)), ntohs(from.sin_port)};
    }

private:
    int m_fd = -1;
    quint16 m_port = 0;
};

inline bool bindOrFail(QtUdpEndpoint &endpoint, quint16 port = 0)
{
    int number = 0;
    QString reason;
    const bool bound = endpoint.bind(port, &number, &reason);
    EXPECT_TRUE(bound) << reason.toStdString();
    return bound;
}

// Reads until `count` datagrams have arrived or `timeoutMs` have passed.
inline QList<ReceivedDatagram> readAtLeast(UdpEndpoint &endpoint, qsizetype count, int timeoutMs = 2000)
{
    QList<ReceivedDatagram> got;
    (void)QTest::qWaitFor(
        [&] {
            got += endpoint.readPendingDatagrams();
            return got.size() >= count;
        },
        timeoutMs);
    return got;
}

} // namespace qvx::test
