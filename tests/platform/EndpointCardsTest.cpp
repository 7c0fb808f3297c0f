// Sends to the devices' group through one card, on a private network this test makes in a
// network namespace of its own: two veth pairs and no route at all for the multicast range,
// nor any default route. Nothing is configured outside that namespace, which goes away
// with its sockets.
#include "LoopbackSupport.h"

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>

#include <cstdlib>

using namespace qvx;

namespace {

constexpr quint32 kGroup = 0xEF000008;    // 239.0.0.8, inside the namespace only
constexpr quint32 kCardOne = 0x0A510101;  // 10.81.1.1 on card "c1", its peer "c1p"
constexpr quint32 kCardTwo = 0x0A510201;  // 10.81.2.1 on card "c2", its peer "c2p"

class PrivateNetworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "network namespaces need root";
        if (std::system("command -v ip >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "iproute2 (ip) is not installed";
        m_hostNamespace = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        ASSERT_GE(m_hostNamespace, 0);
        // This thread, and the commands it starts, move to a namespace of their own.
        if (::unshare(CLONE_NEWNET) != 0)
            GTEST_SKIP() << "cannot create a network namespace";
        const char *setup =
            "set -e; ip link set lo up;"
            "ip link add c1 type veth peer name c1p; ip link add c2 type veth peer name c2p;"
            "ip addr add 10.81.1.1/24 dev c1; ip addr add 10.81.2.1/24 dev c2;"
            "for i in c1 c1p c2 c2p; do ip link set $i up; done;"
            // The peers receive datagrams whose source is an address of this namespace.
            "sysctl -qw net.ipv4.conf.all.accept_local=1 net.ipv4.conf.all.rp_filter=0;"
            "for i in c1p c2p; do sysctl -qw net.ipv4.conf.$i.rp_filter=0; done;"
            "ip route flush table main proto boot; ! ip route show | grep -q '^224\\|^default'";
        ASSERT_EQ(std::system(setup), 0);
        cardOne = int(if_nametoindex("c1"));
        cardTwo = int(if_nametoindex("c2"));
        peerOne = int(if_nametoindex("c1p"));
        peerTwo = int(if_nametoindex("c2p"));
        ASSERT_TRUE(cardOne && cardTwo && peerOne && peerTwo);
    }

    void TearDown() override
    {
        if (m_hostNamespace >= 0) {
            EXPECT_EQ(::setns(m_hostNamespace, CLONE_NEWNET), 0);
            ::close(m_hostNamespace);
        }
    }

    // Makes the card a member of the group, so that it takes the group's datagrams in.
    static bool joinGroup(int fd, int card)
    {
        ip_mreqn request{};
        request.imr_multiaddr.s_addr = htonl(kGroup);
        request.imr_ifindex = card;
        return ::setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) == 0;
    }

    int cardOne = 0, cardTwo = 0, peerOne = 0, peerTwo = 0;

private:
    int m_hostNamespace = -1;
};

// One discovery request per card: each leaves on its own card although no route leads to
// the group, from the bound port and from that card's address.
TEST_F(PrivateNetworkTest, MulticastLeavesOnTheChosenCardWithoutARoute)
{
    QtUdpEndpoint program, devices;
    ASSERT_TRUE(test::bindOrFail(program));
    ASSERT_TRUE(test::bindOrFail(devices));
    ASSERT_TRUE(joinGroup(devices.socketDescriptor(), peerOne));
    ASSERT_TRUE(joinGroup(devices.socketDescriptor(), peerTwo));
    // By routing alone the group is out of reach here.
    EXPECT_FALSE(program.send(QByteArray("routed"), kGroup, devices.localPort()).ok);

    struct Case {
        NetworkCard card;
        int arrival;
        quint32 source;
    };
    const QList<Case> cases{{{cardOne, kCardOne}, peerOne, kCardOne},
                            {{cardTwo, 0}, peerTwo, kCardTwo},
                            {{0, kCardTwo}, peerTwo, kCardTwo}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arrival);
        const SendResult sent = program.sendThroughCard(QByteArray("where"), kGroup, devices.localPort(), c.card);
        ASSERT_TRUE(sent.ok) << sent.errorText.toStdString();
        QList<ReceivedDatagram> got = test::readAtLeast(devices, 1);
        QTest::qWait(20);
        got += devices.readPendingDatagrams();
        ASSERT_EQ(got.size(), 1); // on that card only
        EXPECT_EQ(got[0].data, "where");
        EXPECT_EQ(got[0].interfaceIndex, c.arrival);
        EXPECT_EQ(got[0].destinationAddress, kGroup);
        EXPECT_EQ(got[0].sourceAddress, c.source);
        EXPECT_EQ(got[0].sourcePort, program.localPort());
    }
}

} // namespace
