#include "platform/QtUdpEndpoint.h"
#include "UntunedBuffer.h"
#include "protocol/Frame.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <thread>

using namespace qvx;
using qvx::test::kUntunedBuffer;

namespace {

constexpr quint32 kLoopback = 0x7F000001;

sockaddr_in loopback(quint16 port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(kLoopback);
    return a;
}

// A device on 127.0.0.1 with a port of its own; a plain socket, which starts no thread of
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
        sockaddr_in local = loopback(0);
        socklen_t length = sizeof local;
        if (m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr *>(&local), sizeof local) == 0 &&
            ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&local), &length) == 0)
            m_port = ntohs(local.sin_port);
    }
    ~LoopbackDevice() { ::close(m_fd); }
    bool isOpen() const { return m_port != 0; }
    quint16 localPort() const { return m_port; }

    qint64 writeDatagram(const QByteArray &datagram, quint16 port)
    {
        const sockaddr_in to = loopback(port);
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

bool bindOrFail(QtUdpEndpoint &endpoint, quint16 port = 0)
{
    int number = 0;
    QString reason;
    const bool bound = endpoint.bind(port, &number, &reason);
    EXPECT_TRUE(bound) << reason.toStdString();
    return bound;
}

// Reads until `count` datagrams have arrived or two seconds have passed.
QList<ReceivedDatagram> readAtLeast(UdpEndpoint &endpoint, int count)
{
    QList<ReceivedDatagram> got;
    (void)QTest::qWaitFor(
        [&] {
            got += endpoint.readPendingDatagrams();
            return got.size() >= count;
        },
        2000);
    return got;
}

} // namespace

// The real endpoint on loopback only, with ports the system picks.
TEST(QtUdpEndpointTest, RoundTripsAFrameOnLoopback)
{
    LoopbackDevice device;
    ASSERT_TRUE(device.isOpen());

    QtUdpEndpoint endpoint;
    ASSERT_TRUE(bindOrFail(endpoint));
    ASSERT_TRUE(endpoint.isBound());
    EXPECT_GT(endpoint.localPort(), 0);
    EXPECT_GT(endpoint.receiveBufferSize(), 0);
    endpoint.setRemoteHost(QStringLiteral("127.0.0.1"));
    endpoint.setRemotePort(device.localPort());

    const QByteArray request = buildRequestFrame(0x61, simpleCommandData());
    ASSERT_TRUE(endpoint.send(request).ok);
    const std::optional<LoopbackDevice::Datagram> received = device.receive(2000);
    ASSERT_TRUE(received);
    EXPECT_EQ(received->data, request);
    EXPECT_EQ(received->senderPort, endpoint.localPort());

    // Two replies at once: both are waiting when the signal arrives.
    QSignalSpy arrived(&endpoint, &UdpEndpoint::readyRead);
    QByteArray reply = buildReplyFrame(0x63, simpleCommandData());
    reply.append(char(0x80)); // a byte above 127 travels unchanged
    device.writeDatagram(reply, received->senderPort);
    device.writeDatagram(reply, received->senderPort);
    ASSERT_TRUE(arrived.wait(2000));
    QList<QByteArray> got;
    for (int i = 0; i < 20 && got.size() < 2; ++i) {
        while (endpoint.hasPendingDatagram())
            for (const ReceivedDatagram &d : endpoint.readPendingDatagrams())
                got.append(d.data);
        if (got.size() < 2)
            arrived.wait(100);
    }
    ASSERT_EQ(got.size(), 2);
    EXPECT_EQ(got[0], reply);
    EXPECT_EQ(static_cast<quint8>(got[0].back()), 0x80);
}

TEST(QtUdpEndpointTest, RefusesAnUnboundSendABusyPortAndAnInvalidDestination)
{
    QtUdpEndpoint unbound, first, second;
    unbound.setRemoteHost(QStringLiteral("127.0.0.1"));
    unbound.setRemotePort(9);
    const SendResult result = unbound.send(QByteArray("x")); // never from a port of its own choosing
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.errorText.isEmpty());
    EXPECT_FALSE(unbound.sendThroughCard(QByteArray("x"), {1, kLoopback}).ok);
    EXPECT_FALSE(unbound.isBound());

    int number = 0;
    QString reason;
    ASSERT_TRUE(first.bind(0, &number, &reason));
    EXPECT_FALSE(second.bind(first.localPort(), &number, &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(number, EADDRINUSE);
    EXPECT_FALSE(second.isBound());

    first.setRemoteHost(QStringLiteral("192.168.0.300"));
    first.setRemotePort(4096);
    EXPECT_FALSE(first.send(QByteArray("x")).ok);
    EXPECT_FALSE(first.sendThroughCard(QByteArray("x"), {1, kLoopback}).ok);
}

// The endpoint with the buffer it asks for (one socket where the system grants it, as to
// root), and as on an untuned system, where a group of sockets shares the port.
class EndpointBufferTest : public testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        endpoint.setWantedReceiveBuffer(GetParam());
        ASSERT_TRUE(bindOrFail(endpoint));
        if (GetParam() == kUntunedBuffer) {
            ASSERT_GT(endpoint.receiveSocketCount(), 1);
        }
    }
    QtUdpEndpoint endpoint;
};

INSTANTIATE_TEST_SUITE_P(Buffers, EndpointBufferTest, test::endpointBuffers(), test::endpointBufferName);

// A batch read hands over every waiting datagram in order, each with where it came from,
// where it was sent to and the card it arrived on; a datagram longer than the endpoint
// reads arrives cut and marked.
TEST_P(EndpointBufferTest, ReadsBatchesInOrderWithSourceDestinationAndCard)
{
    LoopbackDevice device;
    ASSERT_TRUE(device.isOpen());

    constexpr int kCount = 3000; // many batches of the receiving thread
    const QByteArray oversized(DatagramBatchReader::kMaxDatagram + 500, 'L');
    for (int i = 0; i < kCount; ++i) {
        const QByteArray datagram = i == 100 ? oversized : QByteArray::number(i);
        ASSERT_EQ(device.writeDatagram(datagram, endpoint.localPort()), datagram.size());
    }
    const QList<ReceivedDatagram> got = readAtLeast(endpoint, kCount);
    ASSERT_EQ(got.size(), kCount);
    const int loopbackCard = int(if_nametoindex("lo"));
    for (int i = 0; i < kCount; ++i) {
        SCOPED_TRACE(i);
        const ReceivedDatagram &d = got[i];
        EXPECT_EQ(d.sourceAddress, kLoopback);
        EXPECT_EQ(d.sourcePort, device.localPort());
        EXPECT_EQ(d.destinationAddress, kLoopback);
        EXPECT_EQ(d.interfaceIndex, loopbackCard);
        if (i == 100) {
            EXPECT_TRUE(d.truncated);
            EXPECT_EQ(d.data, oversized.left(DatagramBatchReader::kMaxDatagram));
        } else {
            EXPECT_FALSE(d.truncated);
            EXPECT_EQ(d.data, QByteArray::number(i));
        }
    }
    EXPECT_TRUE(endpoint.readPendingDatagrams().isEmpty());
    EXPECT_FALSE(endpoint.hasPendingDatagram());
}

// A send through a card leaves from the bound port; the card may be named by its index,
// its address or both.
TEST(QtUdpEndpointTest, SendsThroughACardFromTheBoundPort)
{
    QtUdpEndpoint endpoint;
    ASSERT_TRUE(bindOrFail(endpoint));
    LoopbackDevice device;
    ASSERT_TRUE(device.isOpen());
    endpoint.setRemoteHost(QStringLiteral("127.0.0.1"));
    endpoint.setRemotePort(device.localPort());

    const int loopbackCard = int(if_nametoindex("lo"));
    const QList<NetworkCard> cards{{loopbackCard, 0}, {0, kLoopback}, {loopbackCard, kLoopback}};
    for (const NetworkCard &card : cards) {
        const QByteArray request = buildRequestFrame(0x63, simpleCommandData());
        const SendResult result = endpoint.sendThroughCard(request, card);
        ASSERT_TRUE(result.ok) << result.errorText.toStdString();
        const std::optional<LoopbackDevice::Datagram> got = device.receive(2000);
        ASSERT_TRUE(got);
        EXPECT_EQ(got->data, request);
        EXPECT_EQ(got->senderPort, endpoint.localPort());
    }
    // Neither an index nor an address: no card to send through.
    EXPECT_FALSE(endpoint.sendThroughCard(QByteArray("x"), {}).ok);
    // An address that no card of this host has (192.0.2.1, kept for documentation).
    EXPECT_FALSE(endpoint.sendThroughCard(QByteArray("x"), {0, 0xC0000201}).ok);
}

// The system's drop counters: every datagram sent is either read or counted as dropped, over
// all the sockets of the port, and the count survives a re-bind. Each socket's buffer holds
// two large datagrams at most, so that the sender outruns the receiving thread.
TEST(QtUdpEndpointTest, CountsTheDatagramsTheSystemDropped)
{
    QtUdpEndpoint endpoint;
    endpoint.setWantedReceiveBuffer(1); // the system rounds it up to its minimum
    ASSERT_TRUE(bindOrFail(endpoint));
    EXPECT_EQ(endpoint.receiveSocketCount(), DatagramSocketGroup::kMaxMembers);
    EXPECT_EQ(endpoint.droppedDatagrams(), 0u);

    LoopbackDevice device;
    ASSERT_TRUE(device.isOpen());
    constexpr int kSent = 500;
    const QByteArray datagram(1400, 'x');
    for (int i = 0; i < kSent; ++i)
        ASSERT_EQ(device.writeDatagram(datagram, endpoint.localPort()), datagram.size());
    qsizetype got = 0;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            got += endpoint.readPendingDatagrams().size();
            return got + endpoint.droppedDatagrams() >= quint64(kSent);
        },
        2000));
    const quint64 dropped = endpoint.droppedDatagrams();
    EXPECT_GT(dropped, 0u);
    EXPECT_EQ(got + dropped, quint64(kSent));

    endpoint.close();
    EXPECT_EQ(endpoint.droppedDatagrams(), dropped);
    ASSERT_TRUE(bindOrFail(endpoint));
    EXPECT_EQ(endpoint.droppedDatagrams(), dropped);
}

// Closing forgets what was waiting; the next socket starts empty.
TEST(QtUdpEndpointTest, ForgetsTheWaitingDatagramsOfAClosedSocket)
{
    QtUdpEndpoint endpoint;
    ASSERT_TRUE(bindOrFail(endpoint));
    const quint16 port = endpoint.localPort();
    LoopbackDevice device;
    ASSERT_TRUE(device.isOpen());
    device.writeDatagram(QByteArray("old"), port);
    ASSERT_TRUE(QTest::qWaitFor([&] { return endpoint.hasPendingDatagram(); }, 2000));
    EXPECT_EQ(readAtLeast(endpoint, 1).value(0).data, "old");
    device.writeDatagram(QByteArray("old"), port);
    ASSERT_TRUE(QTest::qWaitFor([&] { return endpoint.hasPendingDatagram(); }, 2000));

    endpoint.close();
    EXPECT_FALSE(endpoint.hasPendingDatagram());
    ASSERT_TRUE(bindOrFail(endpoint, port));
    device.writeDatagram(QByteArray("new"), port);
    const QList<ReceivedDatagram> got = readAtLeast(endpoint, 1);
    ASSERT_EQ(got.size(), 1);
    EXPECT_EQ(got[0].data, "new");
}

// The receiving thread wakes the endpoint's thread once while its queue fills, not once per
// datagram, and again only after the queue was taken.
TEST(QtUdpEndpointTest, SignalsOncePerFillingOfTheQueue)
{
    QtUdpEndpoint endpoint;
    ASSERT_TRUE(bindOrFail(endpoint));
    ASSERT_TRUE(endpoint.hasReceivingThread());
    QSignalSpy arrived(&endpoint, &UdpEndpoint::readyRead);
    LoopbackDevice device;
    ASSERT_TRUE(device.isOpen());

    constexpr int kCount = 1000;
    for (int i = 0; i < kCount; ++i)
        device.writeDatagram(QByteArray::number(i), endpoint.localPort());
    // Queued by the thread while this one runs no event loop.
    for (int i = 0; i < 200 && !endpoint.hasPendingDatagram(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(arrived.count(), 1);
    const QList<ReceivedDatagram> got = readAtLeast(endpoint, kCount);
    EXPECT_EQ(got.size(), kCount);

    device.writeDatagram(QByteArray("next"), endpoint.localPort());
    EXPECT_TRUE(arrived.wait(2000));
    EXPECT_EQ(arrived.count(), 2);
}

// Re-binding again and again while a sender floods the port and the thread reads: every
// bind succeeds, nothing crashes, and no descriptor is left behind.
TEST_P(EndpointBufferTest, SurvivesReBindingWhileTheThreadReads)
{
    const auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator{});
    };
    const quint16 port = endpoint.localPort();
    endpoint.close();
    const auto descriptorsBefore = openDescriptors();

    std::atomic<bool> stop{false};
    std::thread sender([&] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const sockaddr_in to = loopback(port);
        for (int i = 0; !stop && i < 2000000; ++i) {
            const QByteArray tag = QByteArray::number(i);
            ::sendto(fd, tag.constData(), size_t(tag.size()), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
            if (i % 64 == 0)
                std::this_thread::yield();
        }
        ::close(fd);
    });
    qsizetype received = 0;
    for (int round = 0; round < 40; ++round) {
        ASSERT_TRUE(bindOrFail(endpoint, port));
        QTest::qWait(5);
        const QList<ReceivedDatagram> got = endpoint.readPendingDatagrams();
        received += got.size();
        // In order within one bind.
        for (qsizetype i = 1; i < got.size(); ++i)
            ASSERT_LT(got[i - 1].data.toInt(), got[i].data.toInt());
        endpoint.close();
        EXPECT_FALSE(endpoint.hasPendingDatagram());
        EXPECT_TRUE(endpoint.readPendingDatagrams().isEmpty());
    }
    stop = true;
    sender.join();
    EXPECT_GT(received, 0);
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
}
