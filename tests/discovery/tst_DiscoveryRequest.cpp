// Discovery request, device rows, status area, re-discovery and closing the window.
#include "protocol/Frame.h"
#include "DiscoveryFixture.h"

#include "discovery/DiscoveryRequest.h"

namespace qvx::test {
namespace {

const QByteArray kDiscoveryFrame = Hex("3C236B02AAAAC13E");

using Discovery = DiscoveryTest;

TEST_F(Discovery, RefreshSendsTheRequestToTheGroupAndShowsSearching)
{
    h.app().link().SelectUnicastTarget(); // someone else re-aimed the endpoint meanwhile
    w.cmdRefresh->click();
    ASSERT_EQ(h.endpoint.frames(), QList<QByteArray>{kDiscoveryFrame});
    EXPECT_EQ(h.endpoint.sent[0].host, "239.0.0.8");
    EXPECT_EQ(h.endpoint.sent[0].port, kDevicePort);
    EXPECT_EQ(h.app().Timer1().interval(), 5000);
    EXPECT_TRUE(h.app().Timer1().isEnabled());
    EXPECT_TRUE(state().CommandPending);
    EXPECT_TRUE(state().DiscoveryPending);
    EXPECT_EQ(w.lblMsg->text(), "Searching...");
    EXPECT_EQ(indicators(), "S");
}

TEST(DiscoveryElsewhere, ARequestFromElsewhereLoadsTheWindowWithoutShowingIt)
{
    AppHarness h(true, false);
    ASSERT_EQ(h.app().discoveryIfLoaded(), nullptr);
    SendDiscoveryRequest(h.app());
    frm03Discovery *w = h.app().discoveryIfLoaded();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->lblMsg->text(), "Searching...");
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{kDiscoveryFrame});
    EXPECT_EQ(h.endpoint.sent[0].host, "239.0.0.8");
}

TEST_F(Discovery, RepliesArrivingTogetherAreAllListedAndTheNewestIsCurrent)
{
    w.cmdRefresh_Click();
    QList<QByteArray> arrival;
    for (int i = 1; i <= 40; ++i)
        arrival << BuildReplyFrame(CmdDiscovery, EncodeDiscoveryRecord(SampleDevice(quint8(i))));
    h.endpoint.injectDatagrams(arrival);
    EXPECT_EQ(state().GridRowCount, 41);
    EXPECT_EQ(w.lblMsg->text(), "Found 40 Device");
    EXPECT_EQ(w.grdDevice->currentIndex().row(), 39);
    EXPECT_EQ(w.DeviceGrid().Cell(39, 0), "00-1A-2B-3C-4D-28");
}

TEST_F(Discovery, EachReplyAddsARowAndCountsTheDevicesAndASecondDiscoveryEmptiesTheGridFirst)
{
    w.cmdRefresh_Click();
    for (int i = 1; i <= 3; ++i) {
        answer(quint8(i));
        EXPECT_EQ(state().GridRowCount, i + 1);
        EXPECT_EQ(w.lblMsg->text(), QStringLiteral("Found %1 Device").arg(i));
        EXPECT_EQ(indicators(), "O");
        EXPECT_EQ(w.grdDevice->currentIndex().row(), i - 1) << "the newest row is the current one";
    }
    EXPECT_FALSE(state().DiscoveryPending);
    EXPECT_FALSE(state().CommandPending);
    QStringList row3 = kSampleDeviceRow;
    row3[0] = "00-1A-2B-3C-4D-03";
    for (int c = 0; c < 28; ++c)
        EXPECT_EQ(w.DeviceGrid().Cell(2, c), row3[c]) << "column " << c;
    EXPECT_EQ(w.DeviceGrid().data(w.DeviceGrid().index(0, 0)).toString(), "00-1A-2B-3C-4D-01");

    w.cmdRefresh_Click();
    EXPECT_EQ(state().GridRowCount, 1);
    EXPECT_EQ(w.DeviceGrid().DeviceCount(), 0);
    EXPECT_EQ(w.lblMsg->text(), "Searching...");
    EXPECT_EQ(indicators(), "S");
    answer(0x07);
    ASSERT_EQ(w.DeviceGrid().DeviceCount(), 1);
    EXPECT_EQ(w.DeviceGrid().Cell(0, 0), "00-1A-2B-3C-4D-07");
    EXPECT_EQ(w.lblMsg->text(), "Found 1 Device");

    state().GridRowCount = 32767; // the 16-bit count cannot grow any further
    answer(0x08);
    EXPECT_EQ(state().GridRowCount, 32767);
    EXPECT_EQ(w.DeviceGrid().DeviceCount(), 1);
}

TEST_F(Discovery, NobodyAnsweringShowsNoDeviceFoundOnTheWindow)
{
    w.cmdRefresh_Click();
    h.app().programmer()->Timer1_Timer();
    EXPECT_EQ(w.lblMsg->text(), "No Device Found");
    EXPECT_EQ(indicators(), "F");
    EXPECT_EQ(state().GridRowCount, 1);
    EXPECT_TRUE(h.messages.messages.isEmpty()) << "reported on the window, not in a box";
    w.ShowSearching();
    EXPECT_EQ(indicators(), "S");
}

TEST_F(Discovery, AConfirmedWriteRediscoversTwoSecondsLaterOnlyWhileTheWindowIsShown)
{
    w.show();
    h.endpoint.injectReply(CmdUploadSelected, SimpleCommandData());
    EXPECT_EQ(h.messages.messages, (QList<ShownMessage>{{"Upload device OK", "Command result", MessageIcon::Information}}));
    EXPECT_EQ(h.app().Timer3().interval(), 2000);
    EXPECT_TRUE(h.app().Timer3().isEnabled());
    h.app().programmer()->Timer3_Timer();
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{kDiscoveryFrame});
    EXPECT_EQ(h.endpoint.sent[0].host, "239.0.0.8");
    EXPECT_FALSE(h.app().Timer3().isEnabled());
    EXPECT_EQ(w.lblMsg->text(), "Searching...");

    // Hidden, or not loaded at all: the delay passes without a request.
    h.endpoint.clearSent();
    w.hide();
    h.endpoint.injectReply(CmdFactorySetting, SimpleCommandData());
    EXPECT_EQ(h.messages.lastText(), "Factory setting device OK");
    h.app().programmer()->Timer3_Timer();
    w.close();
    flushDeletes();
    ASSERT_EQ(h.app().discoveryIfLoaded(), nullptr);
    h.app().Timer3().setEnabled(true);
    h.app().programmer()->Timer3_Timer();
    EXPECT_FALSE(h.app().Timer3().isEnabled());
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
    EXPECT_EQ(h.app().discoveryIfLoaded(), nullptr);
}

TEST(DiscoveryClosing, ClosingReaimsTheEndpointAtTheDevice)
{
    AppHarness h(true, false);
    for (bool byExitButton : {false, true}) {
        SCOPED_TRACE(byExitButton ? "Exit" : "window frame");
        frm03Discovery *w = h.app().discovery();
        w->show();
        w->cmdRefresh_Click();
        h.endpoint.injectReply(CmdDiscovery, kSampleDeviceBytes);
        w->ClickGridRow(1);
        ASSERT_TRUE(h.state().DeviceSelected);
        ASSERT_EQ(h.endpoint.remoteHost(), "239.0.0.8");

        if (byExitButton)
            QTest::mouseClick(w->cmdExit, Qt::LeftButton);
        else
            w->close();
        EXPECT_EQ(h.endpoint.remoteHost(), "192.168.0.1");
        EXPECT_EQ(h.endpoint.remotePort(), kDevicePort);
        EXPECT_TRUE(h.endpoint.isBound());
        EXPECT_FALSE(h.state().DeviceSelected);
        DiscoveryTest::flushDeletes();
        EXPECT_EQ(h.app().discoveryIfLoaded(), nullptr);

        // The next command of the programmer window goes to the device.
        h.endpoint.clearSent();
        h.app().link().SendCommand(CmdDownloadSettings);
        ASSERT_EQ(h.endpoint.sent.size(), 1);
        EXPECT_EQ(h.endpoint.sent[0].host, "192.168.0.1");
        h.endpoint.clearSent();

        // Reopened, the window refuses to write until a row is clicked again.
        h.app().discovery()->cmdFactory->click();
        EXPECT_EQ(h.messages.lastText(), "WARNING! First select a device ");
        EXPECT_TRUE(h.endpoint.sent.isEmpty());
    }
}

} // namespace
} // namespace qvx::test
