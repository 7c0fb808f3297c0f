// The Winsock endpoint on loopback: what a device's reply carries, the port held alone, a
// storm taken whole, and a "port unreachable" that costs no reply.
#include "platform/WinUdpEndpoint.h"

#include <QNetworkInterface>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

using namespace qvx;

namespace {

constexpr quint32 kLoopback = 0x7F000001;

// A plain Winsock socket on a port the system picks, playing the devices.
class DeviceSocket {
public:
    DeviceSocket()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        m_socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(kLoopback);
        ::bind(m_socket, reinterpret_cast<sockaddr *>(&local), sizeof local);
        int length = sizeof local;
        ::getsockname(m_socket, reinterpret_cast<sockaddr *>(&local), &length);
        m_port = ntohs(local.sin_port);
    }
    ~DeviceSocket()
    {
        ::closesocket(m_socket);
        WSACleanup();
    }
    quint16 port() const { return m_port; }
    void sendTo(quint16 port, const QByteArray &datagram)
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(kLoopback);
        while (::sendto(m_socket, datagram.constData(), int(datagram.size()), 0, reinterpret_cast<sockaddr *>(&to),
                        sizeof to) < 0 && WSAGetLastError() == WSAEWOULDBLOCK)
            Sleep(0);
    }
    // The next datagram, waiting up to a second; empty when none came.
    QByteArray receive(quint16 *sourcePort = nullptr)
    {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_socket, &readable);
        timeval wait{1, 0};
        if (::select(0, &readable, nullptr, nullptr, &wait) != 1)
            return {};
        char buffer[4096];
        sockaddr_in from{};
        int length = sizeof from;
        const int n = ::recvfrom(m_socket, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &length);
        if (sourcePort)
            *sourcePort = ntohs(from.sin_port);
        return n < 0 ? QByteArray() : QByteArray(buffer, n);
    }

private:
    SOCKET m_socket = INVALID_SOCKET;
    quint16 m_port = 0;
};

QByteArray numbered(quint32 number, int size = 120)
{
    QByteArray datagram(size, '\x5A');
    std::memcpy(datagram.data(), &number, sizeof number);
    return datagram;
}

quint32 numberOf(const QByteArray &datagram)
{
    quint32 number = 0;
    std::memcpy(&number, datagram.constData(), sizeof number);
    return number;
}

// Reads until `count` datagrams came or `ms` passed.
QList<ReceivedDatagram> readAtLeast(WinUdpEndpoint &endpoint, qsizetype count, int ms = 10000)
{
    QList<ReceivedDatagram> all;
    const bool enough = QTest::qWaitFor([&] {
        all.append(endpoint.readPendingDatagrams());
        return all.size() >= count;
    }, ms);
    Q_UNUSED(enough); // the caller compares the count
    return all;
}

struct BoundEndpoint : testing::Test {
    void SetUp() override
    {
        int number = 0;
        QString text;
        ASSERT_TRUE(endpoint.bind(0, &number, &text)) << text.toStdString();
        ASSERT_TRUE(endpoint.hasReceivingThread());
    }
    WinUdpEndpoint endpoint;
    DeviceSocket device;
};

TEST_F(BoundEndpoint, AReplyCarriesItsSourceDestinationAndCardAndIsSignalledOnce)
{
    QSignalSpy ready(&endpoint, &UdpEndpoint::readyRead);
    device.sendTo(endpoint.localPort(), numbered(7));
    device.sendTo(endpoint.localPort(), numbered(8, WinUdpEndpoint::kMaxDatagram + 100));
    // Signalled on this thread once the queue fills; read only after that.
    EXPECT_TRUE(ready.wait(5000));
    const QList<ReceivedDatagram> got = readAtLeast(endpoint, 2);
    ASSERT_EQ(got.size(), 2);
    EXPECT_EQ(numberOf(got[0].data), 7u);
    EXPECT_EQ(got[0].sourceAddress, kLoopback);
    EXPECT_EQ(got[0].sourcePort, device.port());
    EXPECT_EQ(got[0].destinationAddress, kLoopback);
    EXPECT_FALSE(got[0].truncated);
    int loopbackIndex = 0;
    for (const QNetworkInterface &card : QNetworkInterface::allInterfaces())
        if (card.type() == QNetworkInterface::Loopback)
            loopbackIndex = card.index();
    EXPECT_NE(got[0].interfaceIndex, 0);
    if (loopbackIndex != 0) {
        EXPECT_EQ(got[0].interfaceIndex, loopbackIndex);
    }
    // A datagram longer than the endpoint reads comes cut and marked.
    EXPECT_TRUE(got[1].truncated);
    EXPECT_EQ(got[1].data.size(), WinUdpEndpoint::kMaxDatagram);
    EXPECT_EQ(endpoint.truncatedDatagrams(), 1u);
    EXPECT_FALSE(endpoint.hasPendingDatagram());
    EXPECT_FALSE(endpoint.countsDroppedDatagrams());
}

TEST_F(BoundEndpoint, APortInUseIsRefusedAsOnLinuxAndTheHolderKeepsIt)
{
    WinUdpEndpoint second;
    int number = 0;
    QString text;
    EXPECT_FALSE(second.bind(endpoint.localPort(), &number, &text));
    EXPECT_EQ(number, WSAEADDRINUSE);
    EXPECT_EQ(text, "Address already in use");
    EXPECT_FALSE(second.isBound());
    const SendResult refused = second.send("x", kLoopback, device.port());
    EXPECT_FALSE(refused.ok);

    device.sendTo(endpoint.localPort(), numbered(1));
    EXPECT_EQ(readAtLeast(endpoint, 1).size(), 1);
}

TEST_F(BoundEndpoint, SendsLeaveFromTheBoundPortByRoutingAndThroughACard)
{
    const struct {
        const char *what;
        bool throughCard;
    } cases[] = {{"by routing", false}, {"through the loopback card", true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const SendResult result = c.throughCard
            ? endpoint.sendThroughCard("request", kLoopback, device.port(), NetworkCard{0, kLoopback})
            : endpoint.send("request", kLoopback, device.port());
        ASSERT_TRUE(result.ok) << result.errorText.toStdString();
        quint16 sourcePort = 0;
        EXPECT_EQ(device.receive(&sourcePort), "request");
        EXPECT_EQ(sourcePort, endpoint.localPort());
    }
    EXPECT_FALSE(endpoint.sendThroughCard("request", kLoopback, device.port(), NetworkCard{}).ok);
}

// 5,000 replies at once, read while the window thread is busy: none is lost, all in order.
// Under Wine the Linux socket's buffer applies: scripts/windows raises net.core.rmem_max for
// the run.
TEST_F(BoundEndpoint, AStormOfFiveThousandRepliesArrivesWholeAndInOrder)
{
    constexpr int kReplies = 5000;
    for (int i = 0; i < kReplies; ++i)
        device.sendTo(endpoint.localPort(), numbered(quint32(i)));
    const QList<ReceivedDatagram> got = readAtLeast(endpoint, kReplies, 30000);
    ASSERT_EQ(got.size(), kReplies);
    for (int i = 0; i < kReplies; ++i)
        ASSERT_EQ(numberOf(got[i].data), quint32(i)) << "at " << i;
}

// A device that answers "port unreachable" (here: a loopback port nobody listens on) costs
// no other reply: the receive after it goes on.
TEST_F(BoundEndpoint, APortUnreachableAnswerCostsNoReply)
{
    quint16 closedPort = 0;
    {
        DeviceSocket closed;
        closedPort = closed.port();
    }
    constexpr int kReplies = 200;
    for (int i = 0; i < kReplies; ++i) {
        if (i % 50 == 0) {
            ASSERT_TRUE(endpoint.send("request", kLoopback, closedPort).ok);
        }
        device.sendTo(endpoint.localPort(), numbered(quint32(i)));
    }
    QTest::qWait(50);
    ASSERT_TRUE(endpoint.send("request", kLoopback, closedPort).ok);
    device.sendTo(endpoint.localPort(), numbered(quint32(kReplies)));
    EXPECT_EQ(readAtLeast(endpoint, kReplies + 1).size(), kReplies + 1);
}

} // namespace
