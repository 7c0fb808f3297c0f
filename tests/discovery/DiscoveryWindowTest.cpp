// The discovery window as it opens: controls, the local network card panel, layout.
#include "DiscoveryFixture.h"

#include <QGroupBox>
#include <QHeaderView>

namespace qvx::test {
namespace {

using DiscoveryWindowTest = DiscoveryTest;

TEST_F(DiscoveryWindowTest, OpensEmptyAimedAtTheGroupWithNothingSent)
{
    EXPECT_FALSE(w.isVisible()) << "loading does not show the window";
    EXPECT_EQ(state().gridRowCount, 1);
    EXPECT_FALSE(state().deviceSelected);
    EXPECT_EQ(w.deviceRows().deviceCount(), 0);
    EXPECT_TRUE(w.statusMessage->text().isEmpty());
    EXPECT_EQ(indicators(), "");
    for (QComboBox *list : w.serialLists)
        EXPECT_EQ(list->currentIndex(), -1) << "a list starts with nothing selected";
    EXPECT_FALSE(w.bridgeEnabled->isChecked() || w.bridgeDisabled->isChecked());
    for (QLineEdit *mac : w.macAddressBoxes)
        EXPECT_FALSE(mac->isEnabled()) << "the MAC address is shown, not edited";
    for (QLabel *img : {w.searchingIcon, w.foundIcon, w.notFoundIcon})
        EXPECT_FALSE(img->pixmap().isNull()) << img->objectName().toStdString();
    EXPECT_EQ(h.endpoint.remoteHost(), "239.0.0.8");
    EXPECT_TRUE(h.endpoint.isBound());
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
    EXPECT_TRUE(h.messages.messages.isEmpty());

    // A reload starts from scratch whatever the state held.
    state().deviceSelected = true;
    state().gridRowCount = 7;
    w.initialize();
    EXPECT_EQ(state().gridRowCount, 1);
    EXPECT_FALSE(state().deviceSelected);
}

TEST_F(DiscoveryWindowTest, FitsALaptopScreenWithEveryCaptionAndHeaderWhole)
{
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QSize hint = w.sizeHint();
    EXPECT_LE(hint.width(), 1366);
    EXPECT_LE(hint.height(), 768 - 70) << "room for the title bar and a task bar";
    EXPECT_GE(w.width(), hint.width());
    EXPECT_GE(w.height(), hint.height());
    for (QLabel *label : w.findChildren<QLabel *>()) {
        if (!label->text().isEmpty() && label->isVisibleTo(&w)) {
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
        }
    }
    for (QAbstractButton *button : w.findChildren<QAbstractButton *>())
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->objectName().toStdString();
    for (QGroupBox *frame : w.findChildren<QGroupBox *>())
        EXPECT_GE(frame->width(), frame->minimumSizeHint().width()) << frame->objectName().toStdString();
    EXPECT_LT(w.deviceGrid->geometry().bottom(), w.ethernetGroup->mapTo(&w, QPoint(0, 0)).y());

    // The 28 columns of the settings, then the card: at least their width in twips, every
    // header text whole, no fixed column.
    ASSERT_EQ(w.deviceGrid->model()->columnCount(), 29);
    EXPECT_EQ(w.deviceGrid->model()->headerData(28, Qt::Horizontal).toString(), "Network card");
    QHeaderView *header = w.deviceGrid->horizontalHeader();
    for (int c = 0; c < 29; ++c) {
        const int twips = c == 28 ? 2400 : (c >= 4 && c <= 11) ? 900 : 1600;
        EXPECT_GE(header->sectionSize(c), twips * w.logicalDpiX() / 1440) << c;
        EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c)) << c;
    }
    EXPECT_TRUE(w.deviceGrid->verticalHeader()->isHidden());
}

TEST(LocalCard, PanelShowsTheFirstSearchableListedCardAtLoad)
{
    LocalCard lo = MakeCard("lo", 1, "127.0.0.1/8");
    lo.loopback = true;
    LocalCard office = MakeCard("eth1", 2, "10.1.1.5/8", "10.0.0.1");
    office.macAddress = "00-04-A3-01-01-01";
    LocalCard devices = MakeCard("eth2", 3, "192.168.0.10/24", "192.168.0.254");
    devices.macAddress = "00-E0-4C-68-0A-FF";
    LocalCard down = devices;
    down.name = "eth0";
    down.index = 4;
    down.macAddress = "00-E0-4C-68-0B-00";
    down.up = false;
    LocalCard noAddress = MakeCard("eth3", 5, "0.0.0.0/0");
    noAddress.address = 0;
    const QStringList none{"", "", "", ""};
    const struct { const char *what; QList<LocalCard> cards; QStringList shown; } cases[] = {
        {"loopback skipped", {lo, office, devices}, {"00-04-A3-01-01-01", "10.1.1.5", "255.0.0.0", "10.0.0.1"}},
        {"down card skipped", {down, devices}, {"00-E0-4C-68-0A-FF", "192.168.0.10", "255.255.255.0", "192.168.0.254"}},
        {"card without an address skipped", {noAddress, devices},
         {"00-E0-4C-68-0A-FF", "192.168.0.10", "255.255.255.0", "192.168.0.254"}},
        {"no gateway", {MakeCard("eth5", 6, "172.16.4.2/16")}, {"02-00-00-00-00-06", "172.16.4.2", "255.255.0.0", "0.0.0.0"}},
        {"no card listed", {}, none},
        {"only loopback", {lo}, none},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        AppHarness h(false);
        h.cards.cards = c.cards;
        h.ctx->start(false);
        DiscoveryWindow &w = *h.app().discovery();
        EXPECT_EQ((QStringList{w.adapterMac->text(), w.adapterIp->text(), w.adapterMask->text(),
                               w.adapterGateway->text()}),
                  c.shown);
        EXPECT_TRUE(h.messages.messages.isEmpty()) << "listing the cards never shows a message";
        // The rest of the load ran.
        EXPECT_EQ(h.state().gridRowCount, 1);
        EXPECT_EQ(h.endpoint.remoteHost(), "239.0.0.8");
        EXPECT_TRUE(h.endpoint.sent.isEmpty());
    }
}

} // namespace
} // namespace qvx::test
