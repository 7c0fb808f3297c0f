// The network cards: one card's subnet, texts, which card a reply belongs to and the two
// flags of a device row; and the discovery across cards: which cards are searched, one
// request per card, cards that fail or vanish named once, the same choice again for the
// re-discovery.
#include "FakeCardSource.h"

#include "netadapters/CardSearch.h"
#include "netadapters/DefaultGateways.h"
#include "netadapters/QtCardSource.h"

#include <QHash>

#include <gtest/gtest.h>

namespace qvx::test {
namespace {

quint32 Ip(const char *dotted) { return parseDotted(QString::fromLatin1(dotted)).value(); }

const LocalCard kOffice = MakeCard("eth0", 2, "10.9.0.2/24", "10.9.0.1");
const LocalCard kDevices = MakeCard("eth1", 3, "192.168.0.200/24");

LocalCard Down(LocalCard card)
{
    card.up = false;
    return card;
}

LocalCard WithoutAddress(LocalCard card)
{
    card.address = 0;
    card.prefixLength = 0;
    return card;
}

QStringList Names(const QList<LocalCard> &cards)
{
    QStringList names;
    for (const LocalCard &card : cards)
        names << card.name;
    return names;
}

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
        EXPECT_EQ(isOutsideCardSubnet(&card, Ip(c.other)), !c.holds) << c.card << " " << c.other;
    }
    EXPECT_TRUE(isOutsideCardSubnet(nullptr, Ip("192.168.0.1"))) << "answered on no known card";

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
    const QList<LocalCard> cards = {kOffice, kDevices, MakeCard("usb0", 7, "192.168.0.201/24")};
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

// The flags of a device row and an unreachable target, in plain words; a target that a card
// holds, or that is no address, needs no explaining.
TEST(LocalCard, FlagsAndUnreachableTargetsInPlainWords)
{
    const LocalCard &card = kDevices;
    EXPECT_TRUE(outsideSubnetText(&card, "10.0.0.1").contains("eth1 192.168.0.200/24"));
    EXPECT_EQ(sharedAddressText("192.168.0.1", 3),
              "3 listed devices share the address 192.168.0.1. Give each its own address with "
              "\"Upload selected device\" before working on them by address.");
    EXPECT_EQ(deviceFlagsText({}, &card, "192.168.0.1"), QString());
    EXPECT_EQ(deviceFlagsText({false, 1}, &card, "192.168.0.1"), QString()) << "one device alone shares nothing";
    EXPECT_EQ(deviceFlagsText({false, 2}, &card, "192.168.0.1"), sharedAddressText("192.168.0.1", 2));
    EXPECT_EQ(deviceFlagsText({true, 3}, &card, "10.0.0.1"),
              outsideSubnetText(&card, "10.0.0.1") + "\n" + sharedAddressText("10.0.0.1", 3));

    const QList<LocalCard> cards = {kOffice, card};
    EXPECT_EQ(unreachableTargetText(cards, "192.168.0.1"), QString());
    EXPECT_EQ(unreachableTargetText(cards, "not an address"), QString());
    EXPECT_TRUE(unreachableTargetText(cards, "172.16.0.1")
                    .startsWith("No network card of this computer is on the subnet of 172.16.0.1, and no route "
                                "leads there."));
    EXPECT_EQ(unreachableTargetText({}, "192.168.0.1"), QString()) << "no card known: nothing to tell";
}

TEST(PlanSearch, WhichCardsAreSearchedAndWhichAreNamed)
{
    const LocalCard noMulticast = [] {
        LocalCard c = MakeCard("tun0", 9, "10.8.0.2/24");
        c.multicast = false;
        return c;
    }();
    const struct {
        const char *what; QList<LocalCard> listed; QString chosen; QStringList searched, named; bool byRouting;
    } cases[] = {
        {"two cards, all", {Loopback(), kOffice, kDevices}, "", {"eth0", "eth1"}, {}, false},
        {"the chosen card only", {Loopback(), kOffice, kDevices}, "eth1", {"eth1"}, {}, false},
        {"a chosen card that vanished", {Loopback(), kOffice}, "eth1", {},
         {"Not searched on eth1: the card is no longer present"}, false},
        {"a chosen card that is down", {kOffice, Down(kDevices)}, "eth1", {}, {"Not searched on eth1: Network is down"}, false},
        {"a chosen card without an address", {WithoutAddress(kDevices)}, "eth1", {},
         {"Not searched on eth1: the card has no IPv4 address"}, false},
        {"all: a card down with its address kept", {kOffice, Down(kDevices)}, "", {"eth0"},
         {"Not searched on eth1: Network is down"}, false},
        {"all: an up card without an address", {kOffice, WithoutAddress(kDevices)}, "", {"eth0"},
         {"Not searched on eth1: the card has no IPv4 address"}, false},
        {"all: an unplugged card without an address says nothing", {kOffice, Down(WithoutAddress(kDevices))}, "",
         {"eth0"}, {}, false},
        {"all: a card that cannot multicast says nothing", {kOffice, noMulticast}, "", {"eth0"}, {}, false},
        {"loopback only: by routing", {Loopback()}, "", {}, {}, true},
        {"no card at all: by routing", {}, "", {}, {}, true},
        {"a chosen card never goes by routing", {}, "eth1", {}, {"Not searched on eth1: the card is no longer present"},
         false},
    };
    for (const auto &c : cases) {
        const SearchPlan plan = planSearch(c.listed, c.chosen);
        EXPECT_EQ(Names(plan.cards), c.searched) << c.what;
        EXPECT_EQ(plan.notSearched, c.named) << c.what;
        EXPECT_EQ(plan.byRouting, c.byRouting) << c.what;
    }
}

struct CardSearchTest : ::testing::Test {
    FakeCardSource source;
    CardSearch search{&source};
    QStringList sentOn;
    QHash<QString, SendResult> refusal;

    CardSender sender()
    {
        return [this](const LocalCard &card) {
            if (refusal.contains(card.name))
                return refusal.value(card.name);
            sentOn << card.name;
            return SendResult{};
        };
    }
};

TEST_F(CardSearchTest, ARefusedSendIsNamedOnceAndTheOtherCardsAreStillSearched)
{
    source.cards = {kOffice, kDevices, MakeCard("usb0", 8, "172.16.0.5/16")};
    refusal.insert("eth1", SendResult{false, 7, "Network is down"});
    refusal.insert("usb0", SendResult{false, 13, ""});
    const SearchOutcome outcome = search.run({}, sender());
    EXPECT_EQ(sentOn, QStringList{"eth0"});
    EXPECT_EQ(Names(outcome.searched), QStringList{"eth0"});
    EXPECT_EQ(outcome.notSearched, QStringList({"Not searched on eth1: Network is down",
                                                "Not searched on usb0: the request could not be sent"}));
    EXPECT_EQ(outcome.requestsSent, 1);
    EXPECT_EQ(search.lastOutcome().notSearched.size(), 2);

    // Without a card source nothing is searched card by card: the request goes by routing.
    CardSearch blind(nullptr);
    EXPECT_TRUE(blind.run({}, sender()).byRouting);
    EXPECT_EQ(sentOn, QStringList{"eth0"});
}

TEST_F(CardSearchTest, TheListIsReadAfreshAtEveryRunAndTheRepeatKeepsTheChoice)
{
    source.cards = {kOffice, kDevices};
    EXPECT_FALSE(search.cardOfReply(3, 0, 0)) << "nothing listed before the first run";
    search.run("eth1", sender());
    EXPECT_EQ(source.readings, 1);
    EXPECT_EQ(search.lastChoice(), "eth1");

    // A USB card comes in meanwhile: the re-discovery still searches eth1 only.
    source.cards << MakeCard("usb0", 8, "172.16.0.5/16");
    sentOn.clear();
    search.repeat(sender());
    EXPECT_EQ(source.readings, 2);
    EXPECT_EQ(sentOn, QStringList{"eth1"});
    EXPECT_EQ(search.listed().size(), 3);
    EXPECT_EQ(search.cardOfReply(8, 0, 0).value_or(LocalCard{}).name, "usb0") << "replies are attributed to the fresh list";

    // After a search of every card, the repeat searches every card of the fresh list.
    search.run({}, sender());
    source.cards.removeFirst();
    sentOn.clear();
    search.repeat(sender());
    EXPECT_EQ(sentOn, QStringList({"eth1", "usb0"}));
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
