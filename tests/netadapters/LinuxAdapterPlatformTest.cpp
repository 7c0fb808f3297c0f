#include "FakeAdapterPlatform.h"

#include "netadapters/AdapterList.h"
#include "netadapters/LinuxAdapterPlatform.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/socket.h>

#include <cstring>
#include <deque>

using namespace qvx;
using qvx::test::FakeAdapterPlatform;

namespace {

// The route table of a host with two default routes through eth0 and a network route.
const QByteArray kRouteTable =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "wlan0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n"
    "eth0\t0000010A\t0A00010A\t0003\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
    "eth0\t00000000\t00000000\t0001\t0\t0\t50\t00000000\t0\t0\t0\n"
    "eth0\t00000000\tFE00010A\t0002\t0\t0\t80\t00000000\t0\t0\t0\n"
    "eth0\t00000000\tFE01010A\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
    "eth0\t00000000\tFE02010A\t0003\t0\t0\t200\t00000000\t0\t0\t0\n"
    "eth1\tnot hex at all\n"
    "eth1\t00000000\t0102A8C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n";

} // namespace

TEST(LinuxAdapterPlatform, DefaultGatewayIsTheFirstUpGatewayRouteToAnywhere)
{
    const struct {
        QByteArray table;
        QByteArray interfaceName;
        const char *gateway;
    } cases[] = {
        // Skips the network route, the route without a gateway and the one that is down.
        {kRouteTable, "eth0", "10.1.1.254"},
        {kRouteTable, "eth1", "192.168.2.1"},
        {kRouteTable, "wlan0", "0.0.0.0"},
        {kRouteTable, "lo", "0.0.0.0"},
        {kRouteTable, "eth", "0.0.0.0"},
        {QByteArray(), "eth0", "0.0.0.0"},
        // A header line alone never counts as a route.
        {"eth0\t00000000\t0102A8C0\t0003\t0\t0\t0\t00000000\n", "eth0", "0.0.0.0"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(LinuxAdapterPlatform::defaultGateway(c.table, c.interfaceName), QByteArray(c.gateway))
            << c.interfaceName.constData();
}

namespace {

// A getifaddrs-style list built in memory.
class InterfaceList {
public:
    void addIPv4(const char *label, const char *address, const char *mask)
    {
        ifaddrs &entry = append(label);
        entry.ifa_addr = ipv4(address);
        entry.ifa_netmask = ipv4(mask);
    }
    void addIPv6(const char *label)
    {
        sockaddr_in6 in6{};
        in6.sin6_family = AF_INET6;
        append(label).ifa_addr = store(in6);
    }
    void addLink(const char *name, const QByteArray &hardware)
    {
        sockaddr_ll link{};
        link.sll_family = AF_PACKET;
        link.sll_halen = static_cast<unsigned char>(hardware.size());
        std::memcpy(link.sll_addr, hardware.constData(), size_t(hardware.size()));
        append(name).ifa_addr = store(link);
    }
    void addWithoutAddress(const char *name) { append(name); }
    const ifaddrs *head() const { return m_entries.empty() ? nullptr : &m_entries.front(); }

private:
    ifaddrs &append(const char *name)
    {
        ifaddrs &entry = m_entries.emplace_back();
        entry = ifaddrs{};
        entry.ifa_name = const_cast<char *>(name);
        if (m_entries.size() > 1)
            m_entries[m_entries.size() - 2].ifa_next = &entry;
        return entry;
    }
    sockaddr *ipv4(const char *text)
    {
        sockaddr_in in{};
        in.sin_family = AF_INET;
        inet_pton(AF_INET, text, &in.sin_addr);
        return store(in);
    }
    template <typename T>
    sockaddr *store(const T &address)
    {
        auto &storage = m_storage.emplace_back();
        std::memcpy(&storage, &address, sizeof address);
        return reinterpret_cast<sockaddr *>(&storage);
    }

    std::deque<ifaddrs> m_entries; // a deque keeps the links valid while growing
    std::deque<sockaddr_storage> m_storage;
};

LinuxAdapterPlatform::InterfaceFacts FakeFacts(const QByteArray &name)
{
    if (name == "lo")
        return {1, 24, "Loopback"};
    if (name == "eth0")
        return {2, 6, "e1000e"};
    return name == "tun0" ? LinuxAdapterPlatform::InterfaceFacts{5, 1, {}} : LinuxAdapterPlatform::InterfaceFacts{};
}

} // namespace

TEST(LinuxAdapterPlatform, BuildsOneRecordPerIPv4InterfaceInIndexOrder)
{
    InterfaceList list;
    list.addLink("lo", QByteArray(6, '\0'));
    list.addLink("eth0", QByteArray("\x00\x04\xA3\x01\x0A\xFF", 6));
    list.addLink("wlan0", QByteArray("\x02\x00\x00\x00\x00\x01", 6));
    list.addWithoutAddress("dummy0");
    list.addIPv4("gone0", "10.7.7.7", "255.255.0.0");
    list.addIPv4("tun0", "10.8.0.2", "255.255.255.255");
    list.addIPv4("eth0:1", "10.2.2.2", "255.255.255.0");  // an alias label comes first
    list.addIPv4("eth0", "10.1.1.20", "255.255.255.0");
    list.addIPv4("lo", "127.0.0.1", "255.0.0.0");
    list.addIPv6("wlan0");
    list.addIPv6("eth0");

    const QByteArray chain = serializeAdapterChain(
        LinuxAdapterPlatform::buildRecords(list.head(), kRouteTable, &FakeFacts));
    FakeAdapterPlatform platform;
    platform.chain = chain;
    QList<AdapterRecord> adapters;
    ASSERT_EQ(enumerateAdapters(adapters, platform), 4);

    // lo (1), eth0 (2), tun0 (5), then gone0 whose index is unknown; no wlan0 (IPv6 only).
    const QStringList expected[] = {
        {"lo", "1", "24", "00-00-00-00-00-00", "127.0.0.1", "255.0.0.0", "Loopback", "0.0.0.0"},
        {"eth0", "2", "6", "00-04-A3-01-0A-FF", "10.2.2.2", "255.255.255.0", "e1000e", "10.1.1.254"},
        {"tun0", "5", "1", "", "10.8.0.2", "255.255.255.255", "tun0", "0.0.0.0"},
        {"gone0", "0", "1", "", "10.7.7.7", "255.255.0.0", "gone0", "0.0.0.0"},
    };
    for (int i = 0; i < 4; ++i) {
        const AdapterRecord &a = adapters[i];
        EXPECT_EQ((QStringList{a.name, QString::number(a.index), QString::number(a.type), a.macAddress, a.ipAddress,
                               a.ipMask, a.description, a.gateway}),
                  expected[i]);
    }
}

TEST(LinuxAdapterPlatform, NoIPv4InterfaceMeansNoData)
{
    InterfaceList list;
    list.addLink("eth0", QByteArray(6, '\x11'));
    list.addIPv6("eth0");
    const QByteArray chain = serializeAdapterChain(
        LinuxAdapterPlatform::buildRecords(list.head(), kRouteTable, &FakeFacts));

    quint32 size = 0;
    EXPECT_EQ(answerAdaptersInfo(chain, nullptr, &size), AdapterResult::NoData);
}

TEST(LinuxAdapterPlatform, ThisHostAnswersBothCallsAndListsLoopback)
{
    LinuxAdapterPlatform platform;
    quint32 size = 0;
    ASSERT_EQ(platform.GetAdaptersInfo(nullptr, &size), AdapterResult::BufferOverflow);
    ASSERT_GT(size, 0u);
    EXPECT_EQ(size % quint32(kAdapterInfoRecordSize), 0u);

    QByteArray tooSmall(qsizetype(size) - 1, '\0');
    quint32 smallSize = size - 1;
    EXPECT_EQ(platform.GetAdaptersInfo(&tooSmall, &smallSize), AdapterResult::BufferOverflow);
    EXPECT_EQ(smallSize, size);

    QList<AdapterRecord> adapters;
    const qint32 count = enumerateAdapters(adapters, platform);
    ASSERT_GE(count, 1);
    ASSERT_EQ(adapters.size(), count);

    const AdapterRecord *loopback = nullptr;
    for (qsizetype i = 0; i < adapters.size(); ++i) {
        if (adapters[i].ipAddress == QStringLiteral("127.0.0.1"))
            loopback = &adapters[i];
        if (i > 0) {
            EXPECT_LT(adapters[i - 1].index, adapters[i].index);
        }
    }
    ASSERT_NE(loopback, nullptr);
    EXPECT_EQ(loopback->ipMask, QStringLiteral("255.0.0.0"));
    EXPECT_EQ(loopback->type, 24);
    EXPECT_EQ(loopback->description, QStringLiteral("Loopback"));
    EXPECT_EQ(loopback->gateway, QStringLiteral("0.0.0.0"));
    EXPECT_EQ(loopback->index, qint32(if_nametoindex(loopback->name.toLocal8Bit().constData())));
}
