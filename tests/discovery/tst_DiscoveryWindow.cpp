// The discovery window as it opens: controls, local network card, adapter errors, layout.
#include "DiscoveryRig.h"

#include "discovery/DeviceGridModel.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace qvx::test {
namespace {

struct WindowTest : ::testing::Test {
    WindowTest() { rig.start(); }
    DiscoveryRig rig;
};

TEST_F(WindowTest, OpensEmptyAndAimedAtTheGroup)
{
    rig.state().DeviceSelected = true;
    rig.state().GridRowCount = 7;
    frm03Discovery &w = rig.window();

    EXPECT_EQ(w.windowTitle(), QStringLiteral("NET QVX Device Discovery"));
    EXPECT_FALSE(w.isVisible()) << "loading does not show the window";
    EXPECT_EQ(rig.state().GridRowCount, 1);
    EXPECT_FALSE(rig.state().DeviceSelected);
    EXPECT_EQ(w.DeviceGrid().DeviceCount(), 0);
    EXPECT_TRUE(w.lblMsg->text().isEmpty());
    EXPECT_TRUE(w.imgSearch->isHidden());
    EXPECT_TRUE(w.imgOk->isHidden());
    EXPECT_TRUE(w.imgFail->isHidden());
    EXPECT_EQ(rig.endpoint.remoteHost(), QStringLiteral("239.0.0.8"));
    EXPECT_TRUE(rig.endpoint.isBound());
    EXPECT_TRUE(rig.endpoint.sent.isEmpty()) << "nothing is sent on load";
    EXPECT_TRUE(rig.messages.messages.isEmpty());
}

TEST_F(WindowTest, ControlsCarryTheirNamesAndCaptions)
{
    frm03Discovery &w = rig.window();
    const QList<QPair<const char *, const char *>> captions{
        {"cmdRefresh", "Refresh View"},
        {"cmdNetSet", "Upload selected device"},
        {"cmdFactory", "Factory setting"},
        {"cmdExit", "Exit"},
        {"lblConfigNet", "Network card configuration"},
        {"lblMac", "MAC ADDRESS"},
        {"lblIp", "IP ADDRESS"},
        {"lblMask", "SUBNET MASK"},
        {"lblGw", "GATEWAY"},
        {"lblDetails", "Details device"},
        {"frmConfigEthernet", " NETWORK CONFIG "},
        {"frmConfigUart", " UART CONFIG "},
        {"frmIpSource", " Filter IP source "},
        {"frmBridge", " Bridge "},
        {"optEnableB", "Enable"},
        {"optDisableB", "Disable"},
        {"lblTitleMacAddrDest", "Mac Address destination upload/factory cmd"},
    };
    for (const auto &[name, caption] : captions) {
        SCOPED_TRACE(name);
        QWidget *widget = w.findChild<QWidget *>(QString::fromLatin1(name));
        ASSERT_NE(widget, nullptr);
        QString text;
        if (auto *b = qobject_cast<QAbstractButton *>(widget))
            text = b->text();
        else if (auto *l = qobject_cast<QLabel *>(widget))
            text = l->text();
        else if (auto *g = qobject_cast<QGroupBox *>(widget))
            text = g->title();
        EXPECT_EQ(text, QString::fromUtf8(caption));
    }
    for (const char *name : {"grdDevice", "lblMsg", "imgSearch", "imgOk", "imgFail", "lblMacAddr", "lblIpAddr",
                             "lblSubnetMask", "lblGateway", "txtLocalPort", "txtRemotePort", "txtTimeOut",
                             "txtLocalPB", "txtMac_5", "txtGwy_3", "txtSource4_3", "txtIPB5_0", "txtRemotePB_4",
                             "cmbRecord_4", "lblMacAddrDest_5"})
        EXPECT_NE(w.findChild<QWidget *>(QString::fromLatin1(name)), nullptr) << name;
    for (QLabel *img : {w.imgSearch, w.imgOk, w.imgFail})
        EXPECT_FALSE(img->pixmap().isNull()) << img->objectName().toStdString();
}

TEST_F(WindowTest, EntryBoxesHaveTheirLimitsAndAccessibleNames)
{
    frm03Discovery &w = rig.window();
    struct Box {
        const char *name;
        const char *accessible;
        int maxLength;
        bool centred;
    };
    const QList<Box> boxes{
        {"txtIP_0", "IP ADDRESS: octet 1 of 4", 3, true},
        {"txtMask_2", "SUBNET MASK: octet 3 of 4", 3, true},
        {"txtGwy_3", "GATEWAY: octet 4 of 4", 3, true},
        {"txtSource3_1", "IP SOURCE 3: octet 2 of 4", 3, true},
        {"txtIPB5_0", "IP HOST 5: octet 1 of 4", 3, true},
        {"txtLocalPort", "LOCAL PORT", 5, false},
        {"txtRemotePort", "REMOTE PORT", 5, false},
        {"txtTimeOut", "TIMEOUT (uSec)", 5, false},
        {"txtLocalPB", "Bridge LOCAL PORT", 5, false},
        {"txtRemotePB_2", "Bridge REMOTE PORT 3", 5, false},
    };
    for (const Box &b : boxes) {
        SCOPED_TRACE(b.name);
        auto *box = w.findChild<QLineEdit *>(QString::fromLatin1(b.name));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->accessibleName(), QString::fromLatin1(b.accessible));
        EXPECT_EQ(box->maxLength(), b.maxLength);
        EXPECT_EQ(bool(box->alignment() & Qt::AlignHCenter), b.centred);
        EXPECT_TRUE(box->isEnabled());
    }
    for (QLineEdit *mac : w.txtMac)
        EXPECT_FALSE(mac->isEnabled()) << "the MAC address is shown, not edited";
    EXPECT_EQ(w.txtMac[0]->accessibleName(), QStringLiteral("MAC ADDRESS: byte 1 of 6"));

    const QList<QPair<const char *, QStringList>> lists{
        {"BAUDRATE", {"600", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}},
        {"DATA BITS", {"7", "8"}},
        {"PARITY BIT", {"ODD", "EVEN", "NONE"}},
        {"STOP BIT", {"1", "2"}},
        {"Timeout to default", {"DISABLE", "ENABLE"}},
    };
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        QComboBox *list = w.cmbRecord[std::size_t(i)];
        EXPECT_EQ(list->objectName(), QStringLiteral("cmbRecord_%1").arg(i));
        EXPECT_EQ(list->accessibleName(), QString::fromLatin1(lists[i].first));
        QStringList items;
        for (int k = 0; k < list->count(); ++k)
            items << list->itemText(k);
        EXPECT_EQ(items, lists[i].second);
        EXPECT_EQ(list->currentIndex(), -1) << "a list starts with nothing selected";
    }
    EXPECT_FALSE(w.optEnableB->isChecked());
    EXPECT_FALSE(w.optDisableB->isChecked());
    EXPECT_FALSE(w.optEnableB->accessibleName().isEmpty());
}

TEST_F(WindowTest, GridHasTheTwentyEightHeadedColumns)
{
    frm03Discovery &w = rig.window();
    const QStringList headers{
        "MAC Address",       "IP Address",        "Subnet Mask",       "Gateway Address",   "Local Port",
        "Remote Port",       "Baudrate",          "Timeout",           "Data bits",         "Parity bit",
        "Stop bit",          "Timeout",           "IP source 1",       "IP source 2",       "IP source 3",
        "IP source 4",       "Status bridge",     "Local p bridge",    "Remote p bridge 1", "Remote p bridge 2",
        "Remote p bridge 3", "Remote p bridge 4", "Remote p bridge 5", "IP bridge 1",       "IP bridge 2",
        "IP bridge 3",       "IP bridge 4",       "IP bridge 5"};
    QAbstractItemModel *model = w.grdDevice->model();
    ASSERT_EQ(model->columnCount(), 28);
    QHeaderView *header = w.grdDevice->horizontalHeader();
    const int dpi = w.logicalDpiX();
    for (int c = 0; c < 28; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), headers[c]);
        EXPECT_EQ(model->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        const int twips = (c >= 4 && c <= 11) ? 900 : 1600;
        EXPECT_GE(header->sectionSize(c), twips * dpi / 1440) << "at least the width in twips";
        EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c)) << "the header text is whole";
    }
    EXPECT_TRUE(w.grdDevice->verticalHeader()->isHidden()) << "no fixed column";
}

TEST_F(WindowTest, FitsALaptopScreenWithEveryCaptionWhole)
{
    frm03Discovery &w = rig.window();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QSize hint = w.sizeHint();
    EXPECT_LE(hint.width(), 1366);
    EXPECT_LE(hint.height(), 768 - 70) << "room for the title bar and a task bar";
    EXPECT_GE(w.width(), hint.width());
    EXPECT_GE(w.height(), hint.height());

    for (QLabel *label : w.findChildren<QLabel *>()) {
        if (label->text().isEmpty() || !label->isVisibleTo(&w))
            continue;
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
    }
    for (QAbstractButton *button : w.findChildren<QAbstractButton *>())
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->objectName().toStdString();
    for (QGroupBox *frame : w.findChildren<QGroupBox *>())
        EXPECT_GE(frame->width(), frame->minimumSizeHint().width()) << frame->objectName().toStdString();

    // The grid sits above the editor.
    EXPECT_LT(w.grdDevice->geometry().bottom(), w.frmConfigEthernet->mapTo(&w, QPoint(0, 0)).y());
}

// ---- Local network card ----------------------------------------------------------------

TEST(LocalCard, ShowsTheAdapterWhoseAddressTheEndpointUses)
{
    DiscoveryRig rig;
    rig.adapters.setAdapters({
        {QByteArray::fromHex("0004a3010101"), "10.1.1.5", "255.0.0.0", "10.0.0.1"},
        {QByteArray::fromHex("00e04c680aff"), "192.168.0.10", "255.255.255.0", "192.168.0.254"},
        {QByteArray::fromHex("00e04c680b00"), "192.168.0.10", "255.255.0.0", "192.168.0.253"},
    });
    rig.start();
    frm03Discovery &w = rig.window();
    EXPECT_EQ(w.AdapterCount, 3);
    EXPECT_EQ(w.Adapters.size(), 3);
    EXPECT_EQ(w.lblMacAddr->text(), QStringLiteral("00-E0-4C-68-0A-FF")) << "the first match wins";
    EXPECT_EQ(w.lblIpAddr->text(), QStringLiteral("192.168.0.10"));
    EXPECT_EQ(w.lblSubnetMask->text(), QStringLiteral("255.255.255.0"));
    EXPECT_EQ(w.lblGateway->text(), QStringLiteral("192.168.0.254"));
    EXPECT_TRUE(rig.messages.messages.isEmpty());
}

TEST(LocalCard, NoMatchingAdapterLeavesTheLabelsEmpty)
{
    DiscoveryRig rig;
    rig.adapters.setAdapters({{QByteArray::fromHex("0004a3010101"), "192.168.0.100", "255.255.255.0", "0.0.0.0"}});
    rig.start();
    frm03Discovery &w = rig.window();
    EXPECT_EQ(w.AdapterCount, 1);
    for (QLabel *label : {w.lblMacAddr, w.lblIpAddr, w.lblSubnetMask, w.lblGateway})
        EXPECT_TRUE(label->text().isEmpty());
    EXPECT_TRUE(rig.messages.messages.isEmpty());
}

TEST(LocalCard, AFailedAdapterListingIsShownAndTheWindowStillOpens)
{
    struct Case {
        quint32 answer;
        const char *number;
        const char *message;
    };
    const QList<Case> cases{
        {0, "0x8004B700", "GetAdaptersInfo Early Success: internal error"},
        {50, "0x8004B710", "GetAdaptersInfo is not supported by this OS"},
        {87, "0x8004B720", "GetAdaptersInfo Bad Parameters: internal error"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.number);
        DiscoveryRig rig;
        rig.adapters.setAdapters({{QByteArray::fromHex("0004a3010101"), "192.168.0.10", "255.255.255.0", "0.0.0.0"}});
        rig.adapters.firstAnswer = c.answer;
        rig.start();
        frm03Discovery *w = rig.ctx->discovery();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(rig.ctx->discoveryIfLoaded(), w);

        ASSERT_EQ(rig.messages.messages.size(), 1);
        const ShownMessage &m = rig.messages.messages.first();
        EXPECT_TRUE(m.text.contains(QString::fromLatin1(c.message))) << m.text.toStdString();
        EXPECT_TRUE(m.text.contains(QString::fromLatin1(c.number)) || m.title.contains(QString::fromLatin1(c.number)))
            << m.title.toStdString() << " / " << m.text.toStdString();
        EXPECT_EQ(m.icon, MessageIcon::Exclamation);

        // The rest of the load ran.
        EXPECT_EQ(w->AdapterCount, 0);
        EXPECT_TRUE(w->lblIpAddr->text().isEmpty());
        EXPECT_EQ(rig.state().GridRowCount, 1);
        EXPECT_EQ(rig.endpoint.remoteHost(), QStringLiteral("239.0.0.8"));
        w->show();
        EXPECT_TRUE(w->isVisible());
    }
}

} // namespace
} // namespace qvx::test
