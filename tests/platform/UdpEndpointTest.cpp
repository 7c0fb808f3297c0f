// The endpoint of the system built for (POSIX sockets on Linux, Winsock on Windows) on
// loopback only, with ports the system picks.
#include "LoopbackSupport.h"

#include "protocol/Frame.h"

#include <QSignalSpy>

#ifndef Q_OS_WIN
#include <filesystem>
#endif

#include <atomic>
#include <memory>

using namespace qvx;
using namespace qvx::test;

// The port is bound once: each send goes to the address and port it names, from that port,
// whoever was sent to before, by routing or out of a card named by its index, its address
// or both.
TEST(UdpEndpointTest, SendsEachDatagramWhereItSaysFromTheOnePort)
{
    LoopbackDevice first, second;
    ASSERT_TRUE(first.isOpen() && second.isOpen());
    SystemUdpEndpoint endpoint;
    ASSERT_TRUE(bindOrFail(endpoint));
    EXPECT_GT(endpoint.receiveBufferSize(), 0);

    const int lo = loopbackCardIndex();
    const struct {
        LoopbackDevice *to;
        std::optional<NetworkCard> card;
    } sends[] = {{&first, {}}, {&second, {}}, {&first, NetworkCard{lo, 0}}, {&second, NetworkCard{0, kLoopback}},
                 {&first, NetworkCard{lo, kLoopback}}, {&second, {}}};
    int n = 0;
    for (const auto &s : sends) {
        SCOPED_TRACE(n);
        const QByteArray request = buildRequestFrame(quint8(0x61 + n++), simpleCommandData());
        const SendResult result = s.card ? endpoint.sendThroughCard(request, kLoopback, s.to->localPort(), *s.card)
                                         : endpoint.send(request, kLoopback, s.to->localPort());
        ASSERT_TRUE(result.ok) << result.errorText.toStdString();
        const std::optional<LoopbackDevice::Datagram> got = s.to->receive(2000);
        ASSERT_TRUE(got);
        EXPECT_EQ(got->data, request);
        EXPECT_EQ(got->senderPort, endpoint.localPort());
    }
    EXPECT_FALSE(first.receive(50) || second.receive(0)) << "a datagram went where it was not sent";

    // Neither an index nor an address: no card to send through.
    EXPECT_FALSE(endpoint.sendThroughCard(QByteArray("x"), kLoopback, first.localPort(), {}).ok);
#ifndef Q_OS_WIN
    // An address that no card of this host has (192.0.2.1, kept for documentation).
    EXPECT_FALSE(endpoint.sendThroughCard(QByteArray("x"), kLoopback, first.localPort(), {0, 0xC0000201}).ok);
#endif
}

// Never from a port of the system's choosing; a port in use is refused and stays its holder's.
TEST(UdpEndpointTest, RefusesAnUnboundSendAndABusyPort)
{
    SystemUdpEndpoint unbound, first, second;
    const SendResult result = unbound.send(QByteArray("x"), kLoopback, 9);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.errorText.isEmpty());
    EXPECT_FALSE(unbound.sendThroughCard(QByteArray("x"), kLoopback, 9, {1, kLoopback}).ok);
    EXPECT_FALSE(unbound.isBound());

    int number = 0;
    QString reason;
    ASSERT_TRUE(first.bind(0, &number, &reason));
    EXPECT_FALSE(second.bind(first.localPort(), &number, &reason));
    EXPECT_EQ(reason, "Address already in use");
    EXPECT_EQ(number, kAddressInUse);
    EXPECT_FALSE(second.isBound());

    LoopbackDevice device;
    device.writeDatagram("still mine", first.localPort());
    EXPECT_EQ(readAtLeast(first, 1).value(0).data, "still mine");
}

// The receiving thread wakes the endpoint's thread once for whatever it queued while that
// thread ran no event loop, not once per datagram, and again when more comes after a read.
TEST(UdpEndpointTest, SignalsOncePerFillingOfTheQueue)
{
    SystemUdpEndpoint endpoint;
    ASSERT_TRUE(bindOrFail(endpoint));
    ASSERT_TRUE(endpoint.hasReceivingThread());
    QSignalSpy arrived(&endpoint, &UdpEndpoint::readyRead);
    LoopbackDevice device;
    ASSERT_TRUE(device.isOpen());

    constexpr int kCount = 1000;
    for (int i = 0; i < kCount; ++i)
        device.writeDatagram(QByteArray::number(i), endpoint.localPort());
    // Queued by the thread while this one runs no event loop; however many batches it
    // took (a loaded machine receives slowly), one wake is waiting.
    for (int i = 0; i < 400 && !endpoint.hasPendingDatagram(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    QCoreApplication::processEvents();
    EXPECT_EQ(arrived.count(), 1);
    EXPECT_EQ(readAtLeast(endpoint, kCount).size(), kCount);

    // Reads during the wait may have taken the queue while the thread still received;
    // whatever was signalled then, one more datagram is one more signal.
    QCoreApplication::processEvents();
    const qsizetype before = arrived.count();
    EXPECT_LT(before, kCount / 10);
    device.writeDatagram(QByteArray("next"), endpoint.localPort());
    EXPECT_TRUE(arrived.wait(2000));
    EXPECT_EQ(arrived.count(), before + 1);
}

// A device that answers "port unreachable" (here: a loopback port nobody listens on) costs
// no other reply: the receive after it goes on (on Windows, the system would otherwise end it).
TEST(UdpEndpointTest, APortUnreachableAnswerCostsNoReply)
{
    SystemUdpEndpoint endpoint;
    ASSERT_TRUE(bindOrFail(endpoint));
    LoopbackDevice device;
    quint16 closedPort = 0;
    {
        LoopbackDevice closed;
        closedPort = closed.localPort();
    }
    // A request to the closed port before every 50th reply; before the last one, time for
    // the answer to it to come.
    constexpr int kReplies = 200;
    for (int i = 0; i <= kReplies; ++i) {
        if (i % 50 == 0) {
            ASSERT_TRUE(endpoint.send("request", kLoopback, closedPort).ok);
            QTest::qWait(i == kReplies ? 50 : 0);
        }
        device.writeDatagram(QByteArray::number(i), endpoint.localPort());
    }
    EXPECT_EQ(readAtLeast(endpoint, kReplies + 1).size(), kReplies + 1);
}

// The endpoint with the buffer it asks for and, on Linux, as on an untuned system, where a
// group of sockets shares the port.
class EndpointBufferTest : public testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        wantReceiveBuffer(*endpoint, GetParam());
        ASSERT_TRUE(bindOrFail(*endpoint));
#ifndef Q_OS_WIN
        if (GetParam() == kUntunedBuffer) {
            ASSERT_GT(endpoint->receiveSocketCount(), 1);
        }
#endif
    }
    std::unique_ptr<SystemUdpEndpoint> endpoint = std::make_unique<SystemUdpEndpoint>();
};

INSTANTIATE_TEST_SUITE_P(Buffers, EndpointBufferTest, test::endpointBuffers(), test::endpointBufferName);

// A batch read hands over every waiting datagram in order, each with where it came from,
// where it was sent to and the card it arrived on; bytes above 127 travel unchanged; a
// datagram longer than the endpoint reads arrives cut and marked.
TEST_P(EndpointBufferTest, ReadsBatchesInOrderWithSourceDestinationAndCard)
{
    LoopbackDevice device;
    ASSERT_TRUE(device.isOpen());

    constexpr int kCount = 3000; // many batches of the receiving thread
    const QByteArray oversized(kMaxDatagram + 500, '\x80');
    for (int i = 0; i < kCount; ++i) {
        const QByteArray datagram = i == 100 ? oversized : QByteArray::number(i);
        ASSERT_EQ(device.writeDatagram(datagram, endpoint->localPort()), datagram.size());
    }
    const QList<ReceivedDatagram> got = readAtLeast(*endpoint, kCount);
    ASSERT_EQ(got.size(), kCount);
    const int loopbackCard = loopbackCardIndex();
    for (int i = 0; i < kCount; ++i) {
        SCOPED_TRACE(i);
        const ReceivedDatagram &d = got[i];
        EXPECT_EQ(d.sourceAddress, kLoopback);
        EXPECT_EQ(d.sourcePort, device.localPort());
        EXPECT_EQ(d.destinationAddress, kLoopback);
        EXPECT_NE(d.interfaceIndex, 0);
        if (loopbackCard != 0) {
            EXPECT_EQ(d.interfaceIndex, loopbackCard);
        }
        EXPECT_EQ(d.truncated, i == 100);
        EXPECT_EQ(d.data, i == 100 ? oversized.left(kMaxDatagram) : QByteArray::number(i));
    }
    EXPECT_EQ(endpoint->truncatedDatagrams(), 1u);
    EXPECT_TRUE(endpoint->readPendingDatagrams().isEmpty());
    EXPECT_FALSE(endpoint->hasPendingDatagram());
}

// Endpoints made and destroyed again and again on one port while a sender floods it and
// the thread reads: every bind succeeds, nothing crashes, nothing arrives out of order and,
// on Linux, no descriptor is left behind.
TEST_P(EndpointBufferTest, StopsItsThreadCleanlyWhileASenderFloods)
{
    const quint16 port = endpoint->localPort();
    endpoint.reset();
#ifndef Q_OS_WIN
    const auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator{});
    };
    const auto descriptorsBefore = openDescriptors();
#endif

    std::atomic<bool> stop{false}, sending{false};
    std::thread sender([&] {
        LoopbackDevice device;
        for (int i = 0; !stop && i < 2000000; ++i) {
            device.writeDatagram(QByteArray::number(i), port);
            sending = true;
            if (i % 64 == 0)
                std::this_thread::yield();
        }
    });
    // A loaded machine may start the sender late: the rounds begin once it sends, and go on
    // (up to ten times as many) until something arrived.
    for (int i = 0; i < 1000 && !sending; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    qsizetype received = 0;
    for (int round = 0; round < 40 || (received == 0 && round < 400); ++round) {
        SystemUdpEndpoint fresh;
        wantReceiveBuffer(fresh, GetParam());
        ASSERT_TRUE(bindOrFail(fresh, port));
        QTest::qWait(5);
        const QList<ReceivedDatagram> got = fresh.readPendingDatagrams();
        received += got.size();
        for (qsizetype i = 1; i < got.size(); ++i)
            ASSERT_LT(got[i - 1].data.toInt(), got[i].data.toInt());
    }
    stop = true;
    sender.join();
    EXPECT_GT(received, 0);
#ifndef Q_OS_WIN
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
#endif
}
