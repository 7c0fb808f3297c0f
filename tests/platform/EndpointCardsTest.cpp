// Sends through one card, on a private network this test makes in a network namespace of
// its own: two veth pairs and no route at all for the multicast range, nor any default
// route. Nothing is configured outside that namespace, which goes away with its sockets.
#include "platform/QtUdpEndpoint.h"

#include <QTest>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/ip.h>
#include <netinet/udp.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

using namespace qvx;

namespace {

constexpr quint32 kGroup = 0xEF000008;    // 239.0.0.8, inside the namespace only
constexpr quint32 kCardOne = 0x0A510101;  // 10.81.1.1 on card "c1", its peer "c1p"
constexpr quint32 kCardTwo = 0x0A510201;  // 10.81.2.1 on card "c2", its peer "c2p"
constexpr quint32 kNoRoute = 0x0A630005;  // 10.99.0.5, on no subnet and no route

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

    static bool bind(QtUdpEndpoint &endpoint)
    {
        int number = 0;
        QString reason;
        return endpoint.bind(0, &number, &reason);
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
    ASSERT_TRUE(bind(program));
    ASSERT_TRUE(bind(devices));
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
        QList<ReceivedDatagram> got;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                got += devices.readPendingDatagrams();
                return !got.isEmpty();
            },
            2000));
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

// A unicast datagram to an address without a route leaves on the chosen card too.
TEST_F(PrivateNetworkTest, UnicastWithoutARouteLeavesOnTheChosenCard)
{
    // The next hop's hardware address, so that the datagram itself leaves (not a lookup).
    ASSERT_EQ(std::system("ip neigh replace 10.99.0.5 dev c2 nud permanent"
                          " lladdr $(ip -br link show c2p | awk '{print $3}')"),
              0);

    // Watches everything that arrives on the far end of card two.
    const int watcher = ::socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(ETH_P_IP));
    ASSERT_GE(watcher, 0);
    sockaddr_ll link{};
    link.sll_family = AF_PACKET;
    link.sll_protocol = htons(ETH_P_IP);
    link.sll_ifindex = peerTwo;
    ASSERT_EQ(::bind(watcher, reinterpret_cast<sockaddr *>(&link), sizeof link), 0);

    QtUdpEndpoint program;
    ASSERT_TRUE(bind(program));
    EXPECT_FALSE(program.send(QByteArray("routed"), kNoRoute, 4096).ok);
    const SendResult sent = program.sendThroughCard(QByteArray("direct"), kNoRoute, 4096, {cardTwo, kCardTwo});
    ASSERT_TRUE(sent.ok) << sent.errorText.toStdString();

    bool seen = false;
    for (int i = 0; i < 20 && !seen; ++i) {
        pollfd waiting{watcher, POLLIN, 0};
        if (::poll(&waiting, 1, 100) <= 0)
            continue;
        char packet[2048];
        const ssize_t length = ::recv(watcher, packet, sizeof packet, 0);
        if (length < ssize_t(sizeof(iphdr) + sizeof(udphdr)))
            continue;
        iphdr ip;
        std::memcpy(&ip, packet, sizeof ip);
        udphdr udp;
        std::memcpy(&udp, packet + ip.ihl * 4, sizeof udp);
        if (ip.protocol != IPPROTO_UDP || ntohl(ip.daddr) != kNoRoute)
            continue;
        seen = true;
        EXPECT_EQ(ntohl(ip.saddr), kCardTwo);
        EXPECT_EQ(ntohs(udp.source), program.localPort());
        EXPECT_EQ(ntohs(udp.dest), 4096);
        EXPECT_EQ(QByteArray(packet + ip.ihl * 4 + sizeof udp, int(length - ip.ihl * 4 - sizeof udp)), "direct");
    }
    EXPECT_TRUE(seen);
    ::close(watcher);
}

} // namespace
