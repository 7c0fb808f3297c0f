// Discovery request, device rows, status area, re-discovery and closing the window.
#include "DiscoveryRig.h"

#include "discovery/DeviceGridModel.h"
#include "discovery/DiscoveryRequest.h"
#include "programmer/frm01UDPClient.h"
#include "protocol/Commands.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace qvx::test {
namespace {

const QByteArray kDiscoveryFrame = QByteArray::fromHex("3C236B02AAAAC13E");

struct DiscoveryTest : ::testing::Test {
    DiscoveryTest() { rig.start(); }

    // Which indicators are shown: "S", "O", "F" for imgSearch, imgOk, imgFail.
    static QString indicators(const frm03Discovery &w)
    {
        QString out;
        if (!w.imgSearch->isHidden())
            out += QLatin1Char('S');
        if (!w.imgOk->isHidden())
            out += QLatin1Char('O');
        if (!w.imgFail->isHidden())
            out += QLatin1Char('F');
        return out;
    }

    void answer(quint8 last) { rig.endpoint.injectReply(CmdDiscovery, EncodeDiscoveryRecord(SampleDevice(last))); }

    DiscoveryRig rig;
};

TEST_F(DiscoveryTest, RefreshSendsTheRequestToTheGroupAndShowsSearching)
{
    frm03Discovery &w = rig.window();
    rig.ctx->link().SelectUnicastTarget(); // someone else re-aimed the endpoint meanwhile
    w.cmdRefresh->click();

    ASSERT_EQ(rig.endpoint.sent.size(), 1);
    EXPECT_EQ(rig.endpoint.sent[0].datagram, kDiscoveryFrame);
    EXPECT_EQ(rig.endpoint.sent[0].host, QStringLiteral("239.0.0.8"));
    EXPECT_EQ(rig.endpoint.sent[0].port, kDevicePort);
    EXPECT_EQ(rig.ctx->Timer1().interval(), 5000);
    EXPECT_TRUE(rig.ctx->Timer1().isEnabled());
    EXPECT_TRUE(rig.state().CommandPending);
    EXPECT_TRUE(rig.state().DiscoveryPending);
    EXPECT_EQ(w.lblMsg->text(), QStringLiteral("Searching..."));
    EXPECT_EQ(indicators(w), QStringLiteral("S"));
    EXPECT_EQ(rig.state().GridRowCount, 1);
}

TEST_F(DiscoveryTest, RequestFromElsewhereLoadsTheWindowWithoutShowingIt)
{
    ASSERT_EQ(rig.ctx->discoveryIfLoaded(), nullptr);
    SendDiscoveryRequest(*rig.ctx);
    frm03Discovery *w = rig.ctx->discoveryIfLoaded();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->lblMsg->text(), QStringLiteral("Searching..."));
    EXPECT_EQ(rig.endpoint.frames(), QList<QByteArray>{kDiscoveryFrame});
    EXPECT_EQ(rig.endpoint.sent[0].host, QStringLiteral("239.0.0.8"));
}

TEST_F(DiscoveryTest, AFailedSendIsReportedAndNothingWaits)
{
    frm03Discovery &w = rig.window();
    answer(0x01);
    rig.endpoint.failSend = true;
    w.cmdRefresh->click();

    ASSERT_EQ(rig.messages.messages.size(), 1);
    EXPECT_EQ(rig.messages.messages[0].title, QStringLiteral("Errore 10051"));
    EXPECT_EQ(rig.messages.messages[0].text, QStringLiteral("Network is unreachable"));
    EXPECT_FALSE(rig.state().DiscoveryPending);
    EXPECT_FALSE(rig.state().CommandPending);
    EXPECT_FALSE(rig.ctx->Timer1().isCounting());
    EXPECT_NE(w.lblMsg->text(), QStringLiteral("Searching..."));
    EXPECT_EQ(rig.state().GridRowCount, 1) << "the grid was emptied before the send";
}

TEST_F(DiscoveryTest, EachReplyAddsARowAndCountsTheDevices)
{
    frm03Discovery &w = rig.window();
    w.cmdRefresh_Click();
    const QList<quint8> devices{0x01, 0x02, 0x03};
    for (int i = 0; i < devices.size(); ++i) {
        answer(devices[i]);
        EXPECT_EQ(rig.state().GridRowCount, i + 2);
        EXPECT_EQ(w.lblMsg->text(), QStringLiteral("Found %1 Device").arg(i + 1));
        EXPECT_EQ(indicators(w), QStringLiteral("O"));
        EXPECT_EQ(w.grdDevice->currentIndex().row(), i) << "the newest row is the current one";
    }
    EXPECT_FALSE(rig.state().DiscoveryPending);
    EXPECT_FALSE(rig.state().CommandPending);

    DeviceGridModel &grid = w.DeviceGrid();
    ASSERT_EQ(grid.DeviceCount(), 3);
    const QStringList row3{"00-1A-2B-3C-4D-03", "10.0.0.254", "255.255.255.0", "10.0.0.1", "4096", "4097",
                           "9600", "3250", "7", "ODD", "2", "Enable", "1.2.3.4", "5.6.7.8", "9.10.11.12",
                           "13.14.15.16", "Enable", "5000", "5001", "5002", "5003", "5004", "5005",
                           "192.168.1.1", "192.168.1.2", "192.168.1.3", "192.168.1.4", "192.168.1.5"};
    for (int c = 0; c < 28; ++c)
        EXPECT_EQ(grid.Cell(2, c), row3[c]) << "column " << c;
    EXPECT_EQ(grid.data(grid.index(0, 0)).toString(), QStringLiteral("00-1A-2B-3C-4D-01"));
}

TEST_F(DiscoveryTest, ASecondDiscoveryEmptiesTheGridFirst)
{
    frm03Discovery &w = rig.window();
    w.cmdRefresh_Click();
    answer(0x01);
    answer(0x02);
    ASSERT_EQ(rig.state().GridRowCount, 3);

    w.cmdRefresh_Click();
    EXPECT_EQ(rig.state().GridRowCount, 1);
    EXPECT_EQ(w.DeviceGrid().DeviceCount(), 0);
    EXPECT_EQ(w.lblMsg->text(), QStringLiteral("Searching..."));
    EXPECT_EQ(indicators(w), QStringLiteral("S"));

    answer(0x07);
    ASSERT_EQ(w.DeviceGrid().DeviceCount(), 1);
    EXPECT_EQ(w.DeviceGrid().Cell(0, 0), QStringLiteral("00-1A-2B-3C-4D-07"));
    EXPECT_EQ(w.lblMsg->text(), QStringLiteral("Found 1 Device"));
}

TEST_F(DiscoveryTest, AFullGridTakesNoFurtherRows)
{
    frm03Discovery &w = rig.window();
    answer(0x01);
    rig.state().GridRowCount = 32767; // the 16-bit count cannot grow any further
    answer(0x02);
    EXPECT_EQ(rig.state().GridRowCount, 32767);
    EXPECT_EQ(w.DeviceGrid().DeviceCount(), 1);
}

TEST_F(DiscoveryTest, NobodyAnsweringShowsNoDeviceFound)
{
    frm03Discovery &w = rig.window();
    w.cmdRefresh_Click();
    rig.ctx->programmer()->Timer1_Timer();
    EXPECT_EQ(w.lblMsg->text(), QStringLiteral("No Device Found"));
    EXPECT_EQ(indicators(w), QStringLiteral("F"));
    EXPECT_EQ(rig.state().GridRowCount, 1);
    EXPECT_TRUE(rig.messages.messages.isEmpty()) << "reported on the window, not in a box";

    // The status area's other states, straight from the window's operations.
    w.ShowSearching();
    EXPECT_EQ(indicators(w), QStringLiteral("S"));
    w.ShowNoDeviceFound();
    EXPECT_EQ(w.lblMsg->text(), QStringLiteral("No Device Found"));
    EXPECT_EQ(indicators(w), QStringLiteral("F"));
}

TEST_F(DiscoveryTest, AConfirmedUploadRediscoversOnlyWhileTheWindowIsShown)
{
    frm03Discovery &w = rig.window();
    w.show();
    rig.endpoint.injectReply(CmdUploadSelected, QByteArray::fromHex("AAAA"));
    ASSERT_EQ(rig.messages.messages.size(), 1);
    EXPECT_EQ(rig.messages.messages[0].text, QStringLiteral("Upload device OK"));
    EXPECT_EQ(rig.messages.messages[0].title, QStringLiteral("Command result"));
    EXPECT_EQ(rig.ctx->Timer3().interval(), 2000);
    EXPECT_TRUE(rig.ctx->Timer3().isEnabled());

    rig.ctx->programmer()->Timer3_Timer();
    EXPECT_EQ(rig.endpoint.frames(), QList<QByteArray>{kDiscoveryFrame});
    EXPECT_EQ(rig.endpoint.sent[0].host, QStringLiteral("239.0.0.8"));
    EXPECT_FALSE(rig.ctx->Timer3().isEnabled());
    EXPECT_EQ(w.lblMsg->text(), QStringLiteral("Searching..."));

    // Hidden: the delay passes without a request.
    rig.endpoint.clearSent();
    w.hide();
    rig.endpoint.injectReply(CmdFactorySetting, QByteArray::fromHex("AAAA"));
    EXPECT_EQ(rig.messages.lastText(), QStringLiteral("Factory setting device OK"));
    rig.ctx->programmer()->Timer3_Timer();
    EXPECT_TRUE(rig.endpoint.sent.isEmpty());
}

TEST_F(DiscoveryTest, ClosingReaimsTheEndpointAtTheDevice)
{
    for (bool byExitButton : {false, true}) {
        SCOPED_TRACE(byExitButton ? "Exit" : "window frame");
        frm03Discovery *w = rig.ctx->discovery();
        w->show();
        w->cmdRefresh_Click();
        answer(0x01);
        w->ClickGridRow(1);
        ASSERT_TRUE(rig.state().DeviceSelected);
        ASSERT_EQ(rig.endpoint.remoteHost(), QStringLiteral("239.0.0.8"));

        if (byExitButton)
            QTest::mouseClick(w->cmdExit, Qt::LeftButton);
        else
            w->close();
        EXPECT_EQ(rig.endpoint.remoteHost(), QStringLiteral("192.168.0.1"));
        EXPECT_EQ(rig.endpoint.remotePort(), kDevicePort);
        EXPECT_TRUE(rig.endpoint.isBound());
        EXPECT_FALSE(rig.state().DeviceSelected);
        DiscoveryRig::flushDeletes();
        EXPECT_EQ(rig.ctx->discoveryIfLoaded(), nullptr);

        // The next command of the programmer window goes to the device.
        rig.endpoint.clearSent();
        rig.ctx->link().SendCommand(CmdDownloadSettings);
        ASSERT_EQ(rig.endpoint.sent.size(), 1);
        EXPECT_EQ(rig.endpoint.sent[0].host, QStringLiteral("192.168.0.1"));
        rig.endpoint.clearSent();

        // Reopened, the window refuses to write until a row is clicked again.
        rig.ctx->discovery()->cmdFactory->click();
        EXPECT_EQ(rig.messages.lastText(), QStringLiteral("WARNING! First select a device "));
        EXPECT_TRUE(rig.endpoint.sent.isEmpty());
    }
}

} // namespace
} // namespace qvx::test
