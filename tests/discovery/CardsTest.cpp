// Discovery on every network card: one request per card, each reply with its card, the card
// selector and panel, cards not searched, writes out of the device's card, the row flags.
#include "DiscoveryFixture.h"

#include "netadapters/CardSearch.h"

namespace qvx::test {
namespace {

LocalCard Loopback()
{
    LocalCard lo = MakeCard("lo", 1, "127.0.0.1/8");
    lo.loopback = true;
    return lo;
}
const LocalCard kOffice = MakeCard("eth0", 2, "10.9.0.2/24", "10.9.0.1");
const LocalCard kDevices = MakeCard("eth1", 3, "192.168.0.200/24");

quint32 Ip(const char *dotted) { return parseDotted(QString::fromLatin1(dotted)).value(); }

// The discovery reply of a device with MAC ...:last and the given address, as it arrives on
// card `index` (0: unknown) from that address.
ReceivedDatagram Reply(quint8 last, const char *ip, int index, const char *destination = "0.0.0.0")
{
    DiscoveryRecord r = SampleDevice(last);
    const quint32 address = Ip(ip);
    r.ip = {quint8(address >> 24), quint8(address >> 16), quint8(address >> 8), quint8(address)};
    ReceivedDatagram d;
    d.data = buildReplyFrame(CmdDiscovery, encodeDiscoveryRecord(r));
    d.sourceAddress = address;
    d.sourcePort = kDevicePort;
    d.destinationAddress = Ip(destination);
    d.interfaceIndex = index;
    return d;
}

// The program with the given cards, the discovery window loaded and shown.
struct CardsTest : ::testing::Test {
    void start(const QList<LocalCard> &cards)
    {
        h.cards.cards = cards;
        h.ctx->start(false);
        w = h.app().discovery();
        w->show();
    }
    QList<int> cardsSentThrough() const
    {
        QList<int> out;
        for (const FakeEndpoint::Sent &s : h.endpoint.sent)
            out << (s.throughCard ? s.card.interfaceIndex : 0);
        return out;
    }
    QString panel() const
    {
        QStringList texts;
        for (const char *name : {"lblMacAddr", "lblIpAddr", "lblSubnetMask", "lblGateway"})
            texts << TextOf(*w, name);
        return texts.join(' ');
    }
    QComboBox *selector() const { return Control<QComboBox>(*w, "cmbNetworkCard"); }
    void click(const char *button) const { Control<QAbstractButton>(*w, button)->click(); }
    QString text(const char *name) const { return TextOf(*w, name); }
    QString cardOf(int row) const { return w->deviceRows().cell(row, DeviceGridModel::kCardColumn); }
    QString flagText(int row) const
    {
        return w->deviceRows().index(row, DeviceGridModel::kAddressColumn).data(Qt::AccessibleDescriptionRole).toString();
    }

    AppHarness h{false};
    DiscoveryWindow *w = nullptr;
};

TEST_F(CardsTest, EveryCardGetsOneRequestAndEachDeviceIsListedWithItsCard)
{
    start({Loopback(), kOffice, kDevices});
    EXPECT_EQ(selector()->itemText(2), "eth1 192.168.0.200/24");
    // Before any device answered: the first card.
    EXPECT_EQ(panel(), "02-00-00-00-00-02 10.9.0.2 255.255.255.0 10.9.0.1");

    click("cmdRefresh");
    EXPECT_EQ(cardsSentThrough(), QList<int>({2, 3}));
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>({kDiscoveryFrame, kDiscoveryFrame}));
    EXPECT_EQ(h.endpoint.sent[1].host, "239.0.0.8");
    EXPECT_EQ(h.endpoint.sent[1].card.address, Ip("192.168.0.200"));
    EXPECT_EQ(text("lblNotSearched"), QString());

    // Which card a reply belongs to is LocalCard's table (tests/netadapters); here, that the row shows it.
    h.endpoint.injectReceived({Reply(1, "192.168.0.1", 3, "192.168.0.200")});
    h.endpoint.injectReceived({Reply(2, "10.9.0.7", 2), Reply(3, "192.168.0.3", 3)});
    EXPECT_EQ(text("lblMsg"), "Found 3 Device");
    EXPECT_EQ((QStringList{cardOf(0), cardOf(1), cardOf(2)}),
              (QStringList{"eth1 192.168.0.200", "eth0 10.9.0.2", "eth1 192.168.0.200"}));
    EXPECT_EQ(w->deviceRows().cell(0, 1), "192.168.0.1") << "the settings columns keep their places";

    // The panel: the first card a device answered on, then the card of the row clicked.
    EXPECT_EQ(text("lblIpAddr"), "192.168.0.200");
    w->clickGridRow(2);
    EXPECT_EQ(text("lblIpAddr"), "10.9.0.2");
}

// Which cards a choice searches as the list changes is CardSearch's own test (tests/netadapters).
TEST_F(CardsTest, TheChosenCardAloneIsSearchedAndShownInThePanel)
{
    start({Loopback(), kOffice, kDevices});
    selector()->setCurrentIndex(2);
    EXPECT_EQ(w->chosenCard(), "eth1");
    EXPECT_EQ(text("lblIpAddr"), "192.168.0.200");
    click("cmdRefresh");
    EXPECT_EQ(cardsSentThrough(), QList<int>{3});

    h.cards.cards = {Loopback(), kOffice}; // unplugged: named, nothing sent, no box
    h.endpoint.clearSent();
    click("cmdRefresh");
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
    EXPECT_EQ(text("lblNotSearched"), "Not searched on eth1: the card is no longer present");
    EXPECT_EQ(text("lblMsg"), "No Device Found");
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

TEST_F(CardsTest, WritesByMacLeaveOnTheDevicesCardAndTheListAfterSearchesTheSameCards)
{
    start({Loopback(), kOffice, kDevices});
    selector()->setCurrentIndex(0);
    click("cmdRefresh");
    h.endpoint.injectReceived({Reply(1, "10.9.0.7", 2), Reply(2, "192.168.0.2", 3)});
    w->clickGridRow(2);
    ASSERT_TRUE(h.state().deviceSelected);

    for (const char *button : {"cmdNetSet", "cmdFactory"}) {
        h.endpoint.clearSent();
        click(button);
        ASSERT_EQ(h.endpoint.sent.size(), 1) << button;
        EXPECT_EQ(cardsSentThrough(), QList<int>{3});
        EXPECT_EQ(h.endpoint.sent[0].host, "239.0.0.8");
        EXPECT_EQ(h.endpoint.sent[0].datagram.mid(4, 6), QByteArray("\x00\x1A\x2B\x3C\x4D\x02", 6));
    }

    // The device confirms; meanwhile the user picks another card: the list that follows
    // searches the cards of the discovery before.
    selector()->setCurrentIndex(1);
    h.endpoint.clearSent();
    h.endpoint.injectReply(CmdFactorySetting, Hex("FFFF"));
    Q_EMIT h.app().rediscoveryTimer().timeout();
    EXPECT_EQ(cardsSentThrough(), QList<int>({2, 3}));

    // A card that fails under a write: the usual error box, with the card named.
    h.endpoint.refusedCards.insert(3, SendResult{false, 7, "Network is down"});
    w->clickGridRow(2);
    click("cmdFactory");
    ASSERT_EQ(h.messages.messages.size(), 2);
    EXPECT_EQ(h.messages.messages.last().title, "Errore 7");
    EXPECT_EQ(h.messages.messages.last().text, "Network is down\n(network card eth1 192.168.0.200)");
}

TEST_F(CardsTest, AddressesOutsideTheCardsSubnetAndSharedAddressesAreFlaggedInWords)
{
    start({Loopback(), kDevices});
    click("cmdRefresh");
    h.endpoint.injectReceived({Reply(1, "192.168.0.1", 3), Reply(2, "10.0.0.9", 3), Reply(3, "172.16.0.1", 0)});
    const auto roleOf = [&](int row, int role) {
        return w->deviceRows().index(row, DeviceGridModel::kAddressColumn).data(role);
    };
    EXPECT_FALSE(roleOf(0, Qt::DecorationRole).isValid()) << "inside its card's subnet: no flag";
    EXPECT_FALSE(roleOf(0, Qt::ToolTipRole).isValid());
    // On the card, outside its subnet: picture, rich-text tooltip (it wraps), words.
    EXPECT_FALSE(roleOf(1, Qt::DecorationRole).value<QPixmap>().isNull());
    EXPECT_EQ(flagText(1), outsideSubnetText(&kDevices, "10.0.0.9"));
    EXPECT_EQ(roleOf(1, Qt::ToolTipRole).toString(), "<p>" + flagText(1).toHtmlEscaped() + "</p>");
    EXPECT_EQ(roleOf(1, Qt::AccessibleTextRole).toString(), "10.0.0.9. " + flagText(1));
    // From an address on no card's subnet: still listed, without a card, and flagged.
    EXPECT_EQ(cardOf(2), QString());
    EXPECT_TRUE(flagText(2).contains("every network card"));

    // New units all at the factory address: every row with it is flagged, the first one too.
    int changes = 0;
    QObject::connect(&w->deviceRows(), &QAbstractItemModel::dataChanged, [&] { ++changes; });
    h.endpoint.injectReceived({Reply(4, "192.168.0.1", 3)});
    EXPECT_EQ(changes, 1) << "the earlier row is redrawn";
    h.endpoint.injectReceived({Reply(5, "192.168.0.1", 3)});
    EXPECT_EQ(flagText(0), sharedAddressText("192.168.0.1", 3));
    EXPECT_EQ(flagText(4), sharedAddressText("192.168.0.1", 3));
    EXPECT_FALSE(w->deviceRows().flagsOf(1).sharedAddress());

    click("cmdRefresh");
    h.endpoint.injectReceived({Reply(4, "192.168.0.1", 3)});
    EXPECT_FALSE(w->deviceRows().flagsOf(0).any()) << "a new discovery starts without flags";
}

// The program gives the link the note for a unicast send error: a device outside every
// card's subnet is said to be so; one on a card's subnet gets the system's text alone.
TEST(CardsElsewhere, ASendToADeviceOutsideEveryCardSaysWhyInPlainWords)
{
    AppHarness h(false);
    h.cards.cards = {Loopback(), kOffice, kDevices};
    h.ctx->start(false);
    h.endpoint.failSend = true;
    h.endpoint.failErrorNumber = 7;
    for (const std::array<qint16, 4> &device : {std::array<qint16, 4>{172, 16, 0, 1}, {192, 168, 0, 1}}) {
        h.state().deviceAddress = device;
        h.app().link().sendCommand(CmdDownloadSettings);
    }
    EXPECT_EQ(h.messages.messages,
              (QList<ShownMessage>{{"Network is unreachable\n" + unreachableTargetText(h.cards.cards, "172.16.0.1"),
                                    "Errore  7", MessageIcon::Exclamation},
                                   {"Network is unreachable", "Errore  7", MessageIcon::Exclamation}}));
}

} // namespace
} // namespace qvx::test
