// The port shared by a group of sockets: their buffers add up whoever sends, the port stays
// the program's own, a broadcast is handed over once and drops are counted over them all.
#include "LoopbackSupport.h"

#include "platform/DatagramSocketGroup.h"

#include <algorithm>

using namespace qvx;
using namespace qvx::test;

namespace {

// A plain socket bound to `port` on every address, as another program would bind it;
// returns the error number, 0 on success.
int bindPlainSocket(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in any = ipv4Address(port, INADDR_ANY);
    const int result = ::bind(fd, reinterpret_cast<sockaddr *>(&any), sizeof any) == 0 ? 0 : errno;
    ::close(fd);
    return result;
}

int waitingOn(int fd)
{
    int count = 0;
    char buffer[256];
    while (::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) >= 0)
        ++count;
    return count;
}

} // namespace

// One sender's datagrams, many more than one member can hold, are spread over the members
// and all kept, with nobody reading meanwhile.
TEST(DatagramSocketGroupTest, OneSendersStormFitsInTheMembersBuffersTogether)
{
    DatagramSocketGroup group;
    int number = 0;
    QString reason;
    ASSERT_TRUE(group.open(0, kUntunedBuffer, 4 * 1024 * 1024, &number, &reason)) << reason.toStdString();
    ASSERT_GE(group.memberCount(), 4);
    EXPECT_LE(group.memberCount(), DatagramSocketGroup::kMaxMembers);
    EXPECT_TRUE(group.spreadsAtRandom());
    const QList<int> members = group.descriptors();

    // About a third of what the group holds, and several times what one member holds.
    const int count = group.memberCount() * 256 / 3;
    LoopbackDevice sender;
    const QByteArray reply(83, 'r');
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(sender.writeDatagram(reply, group.localPort()), reply.size());

    QList<int> perMember;
    int sum = 0;
    for (const int fd : members)
        sum += perMember.emplace_back(waitingOn(fd));
    EXPECT_EQ(sum, count);
    EXPECT_EQ(group.droppedDatagrams(), 0u);
    // Spread at random: every member holds a share, none nearly all of it.
    EXPECT_GT(*std::min_element(perMember.begin(), perMember.end()), 0);
    EXPECT_LT(*std::max_element(perMember.begin(), perMember.end()), count / 2);
}

// The port is the program's alone, as with one socket: taken, it is refused to a group; held
// by a group, it is refused to another copy of the program and to a plain socket; closed, it
// is free again. Where one socket is granted enough, the group is that one socket.
TEST(DatagramSocketGroupTest, KeepsThePortItsOwn)
{
    DatagramSocketGroup group, copy;
    int number = 0;
    QString reason;
    ASSERT_TRUE(group.open(0, kUntunedBuffer, 4 * 1024 * 1024, &number, &reason)) << reason.toStdString();
    ASSERT_GT(group.memberCount(), 1);
    const quint16 port = group.localPort();

    EXPECT_FALSE(copy.open(port, kUntunedBuffer, 4 * 1024 * 1024, &number, &reason));
    EXPECT_EQ(number, EADDRINUSE);
    EXPECT_FALSE(copy.isOpen());
    EXPECT_EQ(bindPlainSocket(port), EADDRINUSE);

    group.close();
    EXPECT_EQ(group.memberCount(), 0);
    ASSERT_TRUE(copy.open(port, kUntunedBuffer, 0, &number, &reason)) << reason.toStdString();
    EXPECT_EQ(copy.memberCount(), 1);
    EXPECT_FALSE(copy.spreadsAtRandom());
    EXPECT_FALSE(group.open(port, kUntunedBuffer, 4 * 1024 * 1024, &number, &reason));
    EXPECT_EQ(number, EADDRINUSE);
    copy.close();
    EXPECT_EQ(bindPlainSocket(port), 0);
}

// Every member receives its own copy of a broadcast; the endpoint hands it over once, and
// unicast datagrams around it in order.
TEST(DatagramSocketGroupTest, TheEndpointHandsOverABroadcastOnce)
{
    QtUdpEndpoint endpoint;
    endpoint.setWantedReceiveBuffer(kUntunedBuffer);
    ASSERT_TRUE(bindOrFail(endpoint));
    ASSERT_GT(endpoint.receiveSocketCount(), 1);

    LoopbackDevice sender;
    const int one = 1;
    ASSERT_EQ(::setsockopt(sender.descriptor(), SOL_SOCKET, SO_BROADCAST, &one, sizeof one), 0);
    const quint16 port = endpoint.localPort();
    ASSERT_EQ(sender.writeDatagram("before", port), 6);
    ASSERT_EQ(sender.writeDatagram("everyone", port, 0x7FFFFFFF), 8); // 127.255.255.255
    ASSERT_EQ(sender.writeDatagram("after", port), 5);

    QList<ReceivedDatagram> got = readAtLeast(endpoint, 3);
    QTest::qWait(20); // any further copy would be here by now
    got += endpoint.readPendingDatagrams();
    ASSERT_EQ(got.size(), 3);
    EXPECT_EQ(got[0].data, "before");
    EXPECT_EQ(got[1].data, "everyone");
    EXPECT_EQ(got[1].destinationAddress, 0x7FFFFFFFu);
    EXPECT_EQ(got[2].data, "after");
    EXPECT_EQ(endpoint.droppedDatagrams(), 0u);
}

// The system's drop counters: every datagram sent is either read or counted as dropped, over
// all the sockets of the port. Each socket's buffer holds two large datagrams at most, so
// that the sender outruns the receiving thread.
TEST(DatagramSocketGroupTest, TheEndpointCountsTheDatagramsTheSystemDropped)
{
    QtUdpEndpoint endpoint;
    endpoint.setWantedReceiveBuffer(1); // the system rounds it up to its minimum
    ASSERT_TRUE(bindOrFail(endpoint));
    EXPECT_EQ(endpoint.receiveSocketCount(), DatagramSocketGroup::kMaxMembers);
    EXPECT_TRUE(endpoint.countsDroppedDatagrams());
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
    EXPECT_GT(endpoint.droppedDatagrams(), 0u);
    EXPECT_EQ(got + endpoint.droppedDatagrams(), quint64(kSent));
}
