// One network card: its subnet, texts, whether a discovery can search it, which card a reply
// belongs to, and the two flags of a device row.
#include "FakeCardSource.h"

#include "netadapters/DefaultGateways.h"
#include "netadapters/QtCardSource.h"

#include <gtest/gtest.h>

namespace qvx::test {
namespace {

quint32 Ip(const char *dotted) { return parseDotted(QString::fromLatin1(dotted)).value(); }

TEST(LocalCard, SubnetAndTexts)
{
    const struct { const char *card, *other; bool holds; } cases[] = {
        {"192.168.0.200/24", "192.168.0.1", true}, {"192.168.0.200/24", "192.168.1.1", false},
        {"10.9.0.2/8", "10.200.1.1", true},        {"10.9.0.2/32", "10.9.0.2", true},
        {"10.9.0.2/32", "10.9.0.3", false},        {"172.16.5.4/0", "8.8.8.8", true},
    };
    for (const auto &c : cases) {
        const LocalCard card = MakeCard("eth1", 3, QString::fromLatin1(c.card));
        EXPECT_EQ(card.holds(Ip(c.other)), c.holds) << c.card << " " << c.other;
    }

    LocalCard card = MakeCard("eth1", 3, "192.168.0.200/23", "192.168.0.254");
    EXPECT_EQ(card.label(), "eth1 192.168.0.200");
    EXPECT_EQ(card.selectorText(), "eth1 192.168.0.200/23");
    EXPECT_EQ(card.netmaskText(), "255.255.254.0");
    EXPECT_EQ(card.gatewayText(), "192.168.0.254");
    card.address = 0;
    EXPECT_EQ(card.label(), "eth1");
    EXPECT_EQ(card.selectorText(), "eth1");
    EXPECT_FALSE(card.holds(Ip("192.168.0.1"))) << "a card without an address holds nothing";

    // A further address on the factory subnet: that subnet is the card's too.
    LocalCard aliased = MakeCard("eth1", 3, "10.9.0.2/24");
    aliased.otherSubnets = {{Ip("192.168.1.250"), 24}, {Ip("172.16.0.9"), 32}};
    EXPECT_TRUE(aliased.holds(Ip("10.9.0.77")));
    EXPECT_TRUE(aliased.holds(Ip("192.168.1.1")));
    EXPECT_TRUE(aliased.holds(Ip("172.16.0.9")));
    EXPECT_FALSE(aliased.holds(Ip("172.16.0.10")));
    EXPECT_FALSE(isOutsideCardSubnet(&aliased, Ip("192.168.1.1")));
    EXPECT_EQ(aliased.selectorText(), "eth1 10.9.0.2/24") << "the selector names the first address";
}

TEST(LocalCard, DottedTextsOnlyWhenWellFormed)
{
    EXPECT_EQ(parseDotted("192.168.0.1"), 0xC0A80001u);
    EXPECT_EQ(parseDotted("0.0.0.0"), 0u);
    EXPECT_EQ(dottedText(0xFFFFFFFFu), "255.255.255.255");
    for (const char *bad : {"", "1.2.3", "1.2.3.4.5", "256.0.0.1", "1..2.3", "a.b.c.d", "1.2.3.-4", "1.2.3.1234"})
        EXPECT_FALSE(parseDotted(QString::fromLatin1(bad))) << bad;
}

TEST(LocalCard, ReplyBelongsToTheCardItArrivedOn)
{
    const QList<LocalCard> cards = {MakeCard("eth0", 2, "10.9.0.2/24"), MakeCard("eth1", 3, "192.168.0.200/24"),
                                      MakeCard("usb0", 7, "192.168.0.201/24")};
    const struct { int index; const char *destination, *source; qsizetype card; } cases[] = {
        {3, "192.168.0.200", "192.168.0.1", 1},  // the interface index decides
        {3, "10.9.0.2", "10.9.0.7", 1},          // ... even against address and subnet
        {7, "0.0.0.0", "192.168.0.1", 2},        // two cards on one subnet: the index tells them apart
        {0, "192.168.0.201", "192.168.0.1", 2},  // no index: the destination address
        {99, "10.9.0.2", "192.168.0.1", 0},      // unknown index: the destination address
        {0, "0.0.0.0", "10.9.0.77", 0},          // neither: the card whose subnet holds the device
        {0, "239.0.0.8", "192.168.0.9", 1},      // a group destination is no card's: the subnet
        {0, "0.0.0.0", "172.16.0.1", -1},        // on no card's subnet
    };
    for (const auto &c : cases)
        EXPECT_EQ(attributeReply(cards, c.index, Ip(c.destination), Ip(c.source)), c.card)
            << c.index << " " << c.destination << " " << c.source;
    EXPECT_EQ(attributeReply({}, 3, Ip("192.168.0.200"), Ip("192.168.0.1")), -1);
}

TEST(LocalCard, DeviceOutsideItsCardsSubnetIsFlaggedInPlainWords)
{
    const LocalCard card = MakeCard("eth1", 3, "192.168.0.200/24");
    EXPECT_FALSE(isOutsideCardSubnet(&card, Ip("192.168.0.1")));
    EXPECT_TRUE(isOutsideCardSubnet(&card, Ip("10.0.0.1")));
    EXPECT_TRUE(isOutsideCardSubnet(nullptr, Ip("192.168.0.1"))) << "answered on no known card";

    EXPECT_TRUE(outsideSubnetText(&card, "10.0.0.1").contains("eth1 192.168.0.200/24"));
    EXPECT_EQ(sharedAddressText("192.168.0.1", 3),
              "3 listed devices share the address 192.168.0.1. Give each its own address with "
              "\"Upload selected device\" before working on them by address.");

    EXPECT_EQ(deviceFlagsText({}, &card, "192.168.0.1"), QString());
    EXPECT_EQ(deviceFlagsText({false, 1}, &card, "192.168.0.1"), QString()) << "one device alone shares nothing";
    EXPECT_EQ(deviceFlagsText({false, 2}, &card, "192.168.0.1"), sharedAddressText("192.168.0.1", 2));
    EXPECT_EQ(deviceFlagsText({true, 3}, &card, "10.0.0.1"),
              outsideSubnetText(&card, "10.0.0.1") + "\n" + sharedAddressText("10.0.0.1", 3));
}

TEST(LocalCard, UnreachableTargetIsExplainedOnlyWhenNoCardHoldsIt)
{
    const QList<LocalCard> cards = {MakeCard("eth0", 2, "10.9.0.2/24"), MakeCard("eth1", 3, "192.168.0.200/24")};
    EXPECT_EQ(unreachableTargetText(cards, "192.168.0.1"), QString());
    EXPECT_EQ(unreachableTargetText(cards, "not an address"), QString());
    const QString text = unreachableTargetText(cards, "172.16.0.1");
    EXPECT_TRUE(text.startsWith("No network card of this computer is on the subnet of 172.16.0.1, and no route "
                                "leads there."));
    EXPECT_EQ(unreachableTargetText({}, "192.168.0.1"), QString()) << "no card known: nothing to tell";
}

#ifndef Q_OS_WIN
TEST(QtCardSource, DefaultGatewayIsTheFirstUpGatewayRouteToAnywhere)
{
    // Two default routes through eth0, a network route, one route without a gateway and one
    // that is down.
    const QByteArray table =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
        "wlan0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n"
        "eth0\t0000010A\t0A00010A\t0003\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
        "eth0\t00000000\t00000000\t0001\t0\t0\t50\t00000000\t0\t0\t0\n"
        "eth0\t00000000\tFE00010A\t0002\t0\t0\t80\t00000000\t0\t0\t0\n"
        "eth0\t00000000\tFE01010A\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
        "eth0\t00000000\tFE02010A\t0003\t0\t0\t200\t00000000\t0\t0\t0\n"
        "eth1\tnot hex at all\n"
        "eth1\t00000000\t0102A8C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n";
    const struct { QByteArray table, interfaceName; const char *gateway; } cases[] = {
        {table, "eth0", "10.1.1.254"}, {table, "eth1", "192.168.2.1"}, {table, "wlan0", "0.0.0.0"},
        {table, "eth", "0.0.0.0"},     {QByteArray(), "eth0", "0.0.0.0"},
        // A header line alone never counts as a route.
        {"eth0\t00000000\t0102A8C0\t0003\t0\t0\t0\t00000000\n", "eth0", "0.0.0.0"},
    };
    for (const auto &c : cases) {
        LocalCard card;
        card.gateway = procRouteDefaultGateway(c.table, c.interfaceName);
        EXPECT_EQ(card.gatewayText(), QString::fromLatin1(c.gateway)) << c.interfaceName.constData();
    }
}
#endif

} // namespace
} // namespace qvx::test
