// The discovery window as it opens: controls, local network card, adapter errors, layout.
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

TEST(LocalCard, ShowsTheFirstAdapterWhoseAddressTheEndpointUses)
{
    const QByteArray macs[] = {QByteArray::fromHex("0004a3010101"), QByteArray::fromHex("00e04c680aff"),
                               QByteArray::fromHex("00e04c680b00")};
    const struct { QList<AdapterInfoRecord> adapters; QStringList shown; } cases[] = {
        {{MakeRecord("eth1", macs[0], "10.1.1.5", "255.0.0.0", "10.0.0.1"),
          MakeRecord("eth2", macs[1], "192.168.0.10", "255.255.255.0", "192.168.0.254"),
          MakeRecord("eth3", macs[2], "192.168.0.10", "255.255.0.0", "192.168.0.253")},
         {"00-E0-4C-68-0A-FF", "192.168.0.10", "255.255.255.0", "192.168.0.254"}},
        {{MakeRecord("eth1", macs[0], "192.168.0.100", "255.255.255.0", "0.0.0.0")}, {"", "", "", ""}},
    };
    for (const auto &c : cases) {
        AppHarness h(false);
        h.adapters.chain = serializeAdapterChain(c.adapters);
        h.ctx->start(false);
        DiscoveryWindow &w = *h.app().discovery();
        EXPECT_EQ(w.adapterCount, c.adapters.size());
        EXPECT_EQ(w.adapters.size(), c.adapters.size());
        EXPECT_EQ((QStringList{w.adapterMac->text(), w.adapterIp->text(), w.adapterMask->text(),
                               w.adapterGateway->text()}),
                  c.shown);
        EXPECT_TRUE(h.messages.messages.isEmpty());
    }
}

TEST(LocalCard, AFailedAdapterListingIsShownAndTheWindowStillOpens)
{
    const struct { quint32 answer; const char *number, *message; } cases[] = {
        {0, "0x8004B700", "GetAdaptersInfo Early Success: internal error"},
        {50, "0x8004B710", "GetAdaptersInfo is not supported by this OS"},
        {87, "0x8004B720", "GetAdaptersInfo Bad Parameters: internal error"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.number);
        AppHarness h(false);
        h.adapters.chain = serializeAdapterChain(
            {MakeRecord("eth0", QByteArray::fromHex("0004a3010101"), "192.168.0.10", "255.255.255.0", "0.0.0.0")});
        h.adapters.firstAnswer = c.answer;
        h.ctx->start(false);
        DiscoveryWindow *w = h.app().discovery();
        ASSERT_EQ(h.messages.messages.size(), 1);
        const ShownMessage &m = h.messages.messages.first();
        EXPECT_TRUE(m.text.contains(QString::fromLatin1(c.message))) << m.text.toStdString();
        EXPECT_TRUE((m.text + m.title).contains(QString::fromLatin1(c.number)))
            << m.title.toStdString() << " / " << m.text.toStdString();
        EXPECT_EQ(m.icon, MessageIcon::Exclamation);

        // The rest of the load ran.
        EXPECT_EQ(w->adapterCount, 0);
        EXPECT_TRUE(w->adapterIp->text().isEmpty());
        EXPECT_EQ(h.state().gridRowCount, 1);
        EXPECT_EQ(h.endpoint.remoteHost(), "239.0.0.8");
        w->show();
        EXPECT_TRUE(w->isVisible());
    }
}

} // namespace
} // namespace qvx::test
