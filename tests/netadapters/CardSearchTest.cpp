// The discovery across cards: which cards are searched, one request per card, cards that
// fail or vanish named once, the same choice again for the re-discovery.
#include "FakeCardSource.h"

#include "netadapters/CardSearch.h"

#include <QHash>

#include <gtest/gtest.h>

namespace qvx::test {
namespace {

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

const LocalCard kOffice = MakeCard("eth0", 2, "10.9.0.2/24", "10.9.0.1");
const LocalCard kDevices = MakeCard("eth1", 3, "192.168.0.200/24");

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

} // namespace
} // namespace qvx::test
