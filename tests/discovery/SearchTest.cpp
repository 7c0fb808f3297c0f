// Where a discovery looks. On every network card: one request per card, each reply with its
// card, the card selector and panel, cards not searched, writes out of the device's card,
// the row flags. By address: only the addresses asked, no reply wait, the answers listed as
// found by address and kept from the programmer window.
#include "DiscoveryFixture.h"

#include "netadapters/CardSearch.h"

#include <QDialog>

namespace qvx::test {
namespace {

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

// The program with a loopback, an office and a devices card, the discovery window shown.
struct Cards : DiscoveryTest {
    Cards() : DiscoveryTest({Loopback(), kOffice, kDevices}) { w.show(); }

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
            texts << text(QLatin1String(name));
        return texts.join(' ');
    }
    QComboBox *selector() const { return control<QComboBox>("cmbNetworkCard"); }
    QString cardOf(int row) const { return w.deviceRows().cell(row, DeviceGridModel::kCardColumn); }
    QVariant address(int row, int role) const { return at(row, DeviceGridModel::kAddressColumn, role); }
    QString flagText(int row) const { return address(row, Qt::AccessibleDescriptionRole).toString(); }
};

TEST_F(Cards, EveryCardGetsOneRequestAndEachDeviceIsListedWithItsCard)
{
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
    EXPECT_EQ(status(), "Found 3 Device");
    EXPECT_EQ((QStringList{cardOf(0), cardOf(1), cardOf(2)}),
              (QStringList{"eth1 192.168.0.200", "eth0 10.9.0.2", "eth1 192.168.0.200"}));
    EXPECT_EQ(w.deviceRows().cell(0, 1), "192.168.0.1") << "the settings columns keep their places";

    // The panel: the first card a device answered on, then the card of the row clicked.
    EXPECT_EQ(text("lblIpAddr"), "192.168.0.200");
    w.clickGridRow(2);
    EXPECT_EQ(text("lblIpAddr"), "10.9.0.2");
}

// Which cards a choice searches as the list changes is CardSearch's own test (tests/netadapters).
TEST_F(Cards, TheChosenCardAloneIsSearchedAndShownInThePanel)
{
    selector()->setCurrentIndex(2);
    EXPECT_EQ(w.chosenCard(), "eth1");
    EXPECT_EQ(text("lblIpAddr"), "192.168.0.200");
    click("cmdRefresh");
    EXPECT_EQ(cardsSentThrough(), QList<int>{3});

    h.cards.cards = {Loopback(), kOffice}; // unplugged: named, nothing sent, no box
    h.endpoint.clearSent();
    click("cmdRefresh");
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
    EXPECT_EQ(text("lblNotSearched"), "Not searched on eth1: the card is no longer present");
    EXPECT_EQ(status(), "No Device Found");
    EXPECT_TRUE(h.messages.messages.isEmpty());
}

TEST_F(Cards, WritesByMacLeaveOnTheDevicesCardAndTheListAfterSearchesTheSameCards)
{
    selector()->setCurrentIndex(0);
    click("cmdRefresh");
    h.endpoint.injectReceived({Reply(1, "10.9.0.7", 2), Reply(2, "192.168.0.2", 3)});
    w.clickGridRow(2);
    ASSERT_TRUE(state().deviceSelected);

    for (const char *button : {"cmdNetSet", "cmdFactory"}) {
        h.endpoint.clearSent();
        click(button);
        EXPECT_EQ(cardsSentThrough(), QList<int>{3}) << button;
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
    w.clickGridRow(2);
    click("cmdFactory");
    ASSERT_EQ(h.messages.messages.size(), 2);
    EXPECT_EQ(h.messages.messages.last().title, "Errore 7");
    EXPECT_EQ(h.messages.messages.last().text, "Network is down\n(network card eth1 192.168.0.200)");
}

TEST_F(Cards, AddressesOutsideTheCardsSubnetAndSharedAddressesAreFlaggedInWords)
{
    click("cmdRefresh");
    h.endpoint.injectReceived({Reply(1, "192.168.0.1", 3), Reply(2, "10.0.0.9", 3), Reply(3, "172.16.0.1", 0)});
    EXPECT_FALSE(address(0, Qt::DecorationRole).isValid()) << "inside its card's subnet: no flag";
    EXPECT_FALSE(address(0, Qt::ToolTipRole).isValid());
    // On the card, outside its subnet: picture, rich-text tooltip (it wraps), words.
    EXPECT_FALSE(address(1, Qt::DecorationRole).value<QPixmap>().isNull());
    EXPECT_EQ(flagText(1), outsideSubnetText(&kDevices, "10.0.0.9"));
    EXPECT_EQ(address(1, Qt::ToolTipRole).toString(), "<p>" + flagText(1).toHtmlEscaped() + "</p>");
    EXPECT_EQ(address(1, Qt::AccessibleTextRole).toString(), "10.0.0.9. " + flagText(1));
    // From an address on no card's subnet: still listed, without a card, and flagged.
    EXPECT_EQ(cardOf(2), QString());
    EXPECT_TRUE(flagText(2).contains("every network card"));

    // New units all at the factory address: every row with it is flagged, the first one too.
    int changes = 0;
    QObject::connect(&w.deviceRows(), &QAbstractItemModel::dataChanged, [&] { ++changes; });
    h.endpoint.injectReceived({Reply(4, "192.168.0.1", 3)});
    EXPECT_EQ(changes, 1) << "the earlier row is redrawn";
    h.endpoint.injectReceived({Reply(5, "192.168.0.1", 3)});
    EXPECT_EQ(flagText(0), sharedAddressText("192.168.0.1", 3));
    EXPECT_EQ(flagText(4), sharedAddressText("192.168.0.1", 3));
    EXPECT_FALSE(w.deviceRows().flagsOf(1).sharedAddress());

    click("cmdRefresh");
    h.endpoint.injectReceived({Reply(4, "192.168.0.1", 3)});
    EXPECT_FALSE(w.deviceRows().flagsOf(0).any()) << "a new discovery starts without flags";
}

// The program gives the link the note for a unicast send error: a device outside every
// card's subnet is said to be so; one on a card's subnet gets the system's text alone.
TEST_F(Cards, ASendToADeviceOutsideEveryCardSaysWhyInPlainWords)
{
    h.endpoint.failSend = true;
    h.endpoint.failErrorNumber = 7;
    for (const std::array<qint16, 4> &device : {std::array<qint16, 4>{172, 16, 0, 1}, {192, 168, 0, 1}}) {
        state().deviceAddress = device;
        h.app().link().sendCommand(CmdDownloadSettings);
    }
    EXPECT_EQ(h.messages.messages,
              (QList<ShownMessage>{{"Network is unreachable\n" + unreachableTargetText(h.cards.cards, "172.16.0.1"),
                                    "Errore  7", MessageIcon::Exclamation},
                                   {"Network is unreachable", "Errore  7", MessageIcon::Exclamation}}));
}

struct AddressSearch : DiscoveryTest {
    // 10.9.0.2 answers every settings download with the sample settings.
    AddressSearch()
    {
        h.endpoint.onSend = [this](const FakeEndpoint::Sent &sent) {
            if (sent.host != QLatin1String("10.9.0.2") || quint8(sent.datagram[2]) != CmdDownloadSettings)
                return;
            ReceivedDatagram reply = h.endpoint.asReply(buildReplyFrame(CmdDownloadSettings, kSampleSettingsBytes));
            QMetaObject::invokeMethod(&h.endpoint, [this, reply] { h.endpoint.injectReceived({reply}); },
                                      Qt::QueuedConnection);
        };
    }
};

TEST_F(AddressSearch, ListsTheAnswersAsFoundByAddressAndLeavesTheProgrammerWindowAlone)
{
    ASSERT_FALSE(w.searchAddresses({QStringLiteral("10.9.0.300")}, 500)) << "a bad range sends nothing";
    ASSERT_TRUE(w.searchAddresses({QStringLiteral("10.9.0.1-10.9.0.3")}, 1000));
    // Which addresses are asked, and when again, is AddressScan's own test (tests/netadapters).
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.claimsSettingsReply(0x0A090002) && h.endpoint.sent.size() >= 5; }, 4000));
    EXPECT_FALSE(h.app().replyTimer().isCounting()) << "a search arms no reply wait";
    EXPECT_FALSE(state().commandPending);

    ASSERT_EQ(w.deviceRows().deviceCount(), 1);
    EXPECT_TRUE(w.deviceRows().isFoundByAddress(0));
    EXPECT_EQ(w.deviceRows().cell(0, 0), "00-1A-2B-3C-4D-5E");
    EXPECT_EQ(w.deviceRows().cell(0, 12), "") << "the source filter is not in a settings download";
    EXPECT_EQ(w.deviceRows().index(0, 12).data(Qt::ToolTipRole).toString(), DeviceGridModel::foundByAddressText());
    EXPECT_EQ(status(), "Found 1 Device");
    // The programmer window was not filled by the search's answer.
    EXPECT_EQ(Shown(h.app().programmer(), {"txtIPAddress_0"}), "");

    // Writes by MAC address are off for such a row; "Open in programmer" downloads it there.
    w.clickGridRow(1);
    EXPECT_FALSE(control<QAbstractButton>(QStringLiteral("cmdNetSet"))->isEnabled());
    EXPECT_FALSE(control<QAbstractButton>(QStringLiteral("cmdFactory"))->isEnabled());
    h.endpoint.clearSent();
    click(QStringLiteral("cmdOpenProgrammer"));
    ASSERT_FALSE(h.endpoint.sent.isEmpty());
    EXPECT_EQ(h.endpoint.sent.last().host, "10.9.0.2");
    EXPECT_EQ(Shown(h.app().programmer(), {"txtExpIPAddress"}), "10.9.0.2");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Shown(h.app().programmer(), {"txtIPAddress_0"}) == "10"; }, 2000))
        << "a download asked by the programmer window fills it";
}

TEST_F(AddressSearch, RefreshRepeatsTheLastSearchAndCancelStopsIt)
{
    ASSERT_TRUE(w.searchAddresses({QStringLiteral("10.9.0.0/24")}, 100));
    QTest::qWait(30);
    w.openAddressSearch();
    click(QStringLiteral("cmdRefresh"));
    // The discovery went out, and the search began again from its first address.
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.deviceRows().deviceCount() == 1; }, 3000));
    int discoveries = 0;
    for (const FakeEndpoint::Sent &sent : h.endpoint.sent)
        discoveries += sent.host == QLatin1String("239.0.0.8");
    EXPECT_EQ(discoveries, 1);
    Find<QAbstractButton>(w.findChild<QDialog *>(QStringLiteral("frmAddressSearch")), QStringLiteral("cmdCancelSearch"))
        ->click();
    EXPECT_FALSE(w.claimsSettingsReply(0x0A090002));
    const qsizetype sentThen = h.endpoint.sent.size();
    QTest::qWait(50);
    EXPECT_EQ(h.endpoint.sent.size(), sentThen);
}

} // namespace
} // namespace qvx::test
