// The discovery window as it opens: its layout and the local network card panel.
#include "DiscoveryFixture.h"

#include <QGroupBox>
#include <QHeaderView>

namespace qvx::test {
namespace {

using DiscoveryWindowTest = DiscoveryTest;

TEST_F(DiscoveryWindowTest, FitsALaptopScreenWithEveryCaptionAndHeaderWhole)
{
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_LE(w.sizeHint().width(), 1366);
    EXPECT_LE(w.sizeHint().height(), 768 - 70) << "room for the title bar and a task bar";
    for (QLabel *label : w.findChildren<QLabel *>()) {
        if (!label->text().isEmpty() && label->isVisibleTo(&w)) {
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
        }
    }
    for (QAbstractButton *button : w.findChildren<QAbstractButton *>())
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->objectName().toStdString();
    for (QGroupBox *frame : w.findChildren<QGroupBox *>())
        EXPECT_GE(frame->width(), frame->minimumSizeHint().width()) << frame->objectName().toStdString();

    // The 28 settings columns, then the card: at least their width in twips, every header
    // and the widest usual value whole.
    auto *grid = control<QTableView>("grdDevice");
    ASSERT_EQ(grid->model()->columnCount(), 29);
    EXPECT_EQ(grid->model()->headerData(28, Qt::Horizontal).toString(), "Network card");
    QHeaderView *header = grid->horizontalHeader();
    for (int c = 0; c < 29; ++c) {
        const int twips = c == 28 ? 2400 : (c >= 4 && c <= 11) ? 900 : 1600;
        EXPECT_GE(header->sectionSize(c), twips * w.logicalDpiX() / 1440) << c;
        EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c)) << c;
    }
    EXPECT_GE(header->sectionSize(1), grid->fontMetrics().horizontalAdvance("255.255.255.255"));
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
    const char *devicesPanel = "00-E0-4C-68-0A-FF 192.168.0.10 255.255.255.0 192.168.0.254";
    const struct { const char *what; QList<LocalCard> cards; const char *panel; } cases[] = {
        {"loopback skipped", {lo, office, devices}, "00-04-A3-01-01-01 10.1.1.5 255.0.0.0 10.0.0.1"},
        {"down card skipped", {down, devices}, devicesPanel},
        {"card without an address skipped", {noAddress, devices}, devicesPanel},
        {"no gateway", {MakeCard("eth5", 6, "172.16.4.2/16")}, "02-00-00-00-00-06 172.16.4.2 255.255.0.0 0.0.0.0"},
        {"no card listed", {}, "   "},
        {"only loopback", {lo}, "   "},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        AppHarness h(false);
        h.cards.cards = c.cards;
        h.ctx->start(false);
        const DiscoveryWindow &w = *h.app().discovery();
        QStringList panel;
        for (const char *name : {"lblMacAddr", "lblIpAddr", "lblSubnetMask", "lblGateway"})
            panel << TextOf(w, name);
        EXPECT_EQ(panel.join(' '), c.panel);
        EXPECT_TRUE(h.messages.messages.isEmpty()) << "listing the cards never shows a message";
        EXPECT_TRUE(h.endpoint.sent.isEmpty());
    }
}

} // namespace
} // namespace qvx::test
