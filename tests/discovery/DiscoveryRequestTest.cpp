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
    h.app().link().selectUnicastTarget(); // someone else re-aimed the endpoint meanwhile
    w.refreshButton->click();
    ASSERT_EQ(h.endpoint.frames(), QList<QByteArray>{kDiscoveryFrame});
    EXPECT_EQ(h.endpoint.sent[0].host, "239.0.0.8");
    EXPECT_EQ(h.endpoint.sent[0].port, kDevicePort);
    EXPECT_EQ(h.app().replyTimer().interval(), 5000);
    EXPECT_TRUE(h.app().replyTimer().isEnabled());
    EXPECT_TRUE(state().commandPending);
    EXPECT_TRUE(state().discoveryPending);
    EXPECT_EQ(w.statusMessage->text(), "Searching...");
    EXPECT_EQ(indicators(), "S");
}

TEST(DiscoveryElsewhere, ARequestFromElsewhereLoadsTheWindowWithoutShowingIt)
{
    AppHarness h(true, false);
    ASSERT_EQ(h.app().discoveryIfLoaded(), nullptr);
    sendDiscoveryRequest(h.app());
    DiscoveryWindow *w = h.app().discoveryIfLoaded();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->statusMessage->text(), "Searching...");
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{kDiscoveryFrame});
    EXPECT_EQ(h.endpoint.sent[0].host, "239.0.0.8");
}

TEST_F(Discovery, RepliesArrivingTogetherAreAllListedAndTheNewestIsCurrent)
{
    w.onRefreshClicked();
    QList<QByteArray> arrival;
    for (int i = 1; i <= 40; ++i)
        arrival << buildReplyFrame(CmdDiscovery, encodeDiscoveryRecord(SampleDevice(quint8(i))));
    h.endpoint.injectDatagrams(arrival);
    EXPECT_EQ(state().gridRowCount, 41);
    EXPECT_EQ(w.statusMessage->text(), "Found 40 Device");
    EXPECT_EQ(w.deviceGrid->currentIndex().row(), 39);
    EXPECT_EQ(w.deviceRows().cell(39, 0), "00-1A-2B-3C-4D-28");
}

TEST_F(Discovery, EachReplyAddsARowAndCountsTheDevicesAndASecondDiscoveryEmptiesTheGridFirst)
{
    w.onRefreshClicked();
    for (int i = 1; i <= 3; ++i) {
        answer(quint8(i));
        EXPECT_EQ(state().gridRowCount, i + 1);
        EXPECT_EQ(w.statusMessage->text(), QStringLiteral("Found %1 Device").arg(i));
        EXPECT_EQ(indicators(), "O");
        EXPECT_EQ(w.deviceGrid->currentIndex().row(), i - 1) << "the newest row is the current one";
    }
    EXPECT_FALSE(state().discoveryPending);
    EXPECT_FALSE(state().commandPending);
    QStringList row3 = kSampleDeviceRow;
    row3[0] = "00-1A-2B-3C-4D-03";
    for (int c = 0; c < 28; ++c)
        EXPECT_EQ(w.deviceRows().cell(2, c), row3[c]) << "column " << c;
    EXPECT_EQ(w.deviceRows().data(w.deviceRows().index(0, 0)).toString(), "00-1A-2B-3C-4D-01");

    w.onRefreshClicked();
    EXPECT_EQ(state().gridRowCount, 1);
    EXPECT_EQ(w.deviceRows().deviceCount(), 0);
    EXPECT_EQ(w.statusMessage->text(), "Searching...");
    EXPECT_EQ(indicators(), "S");
    answer(0x07);
    ASSERT_EQ(w.deviceRows().deviceCount(), 1);
    EXPECT_EQ(w.deviceRows().cell(0, 0), "00-1A-2B-3C-4D-07");
    EXPECT_EQ(w.statusMessage->text(), "Found 1 Device");

    state().gridRowCount = 32767; // the 16-bit count cannot grow any further
    answer(0x08);
    EXPECT_EQ(state().gridRowCount, 32767);
    EXPECT_EQ(w.deviceRows().deviceCount(), 1);
}

TEST_F(Discovery, NobodyAnsweringShowsNoDeviceFoundOnTheWindow)
{
    w.onRefreshClicked();
    h.app().programmer()->onReplyTimeout();
    EXPECT_EQ(w.statusMessage->text(), "No Device Found");
    EXPECT_EQ(indicators(), "F");
    EXPECT_EQ(state().gridRowCount, 1);
    EXPECT_TRUE(h.messages.messages.isEmpty()) << "reported on the window, not in a box";
    w.showSearching();
    EXPECT_EQ(indicators(), "S");
}

// Replies the system dropped during a discovery (the endpoint's drop counter) are counted
// beside the device count, which stays; drops before the discovery do not count, and the
// next discovery starts without the remark.
TEST_F(Discovery, RepliesLostByTheSystemAreShownBesideTheDeviceCount)
{
    h.endpoint.dropped = 40; // an earlier storm
    w.onRefreshClicked();
    EXPECT_TRUE(w.lostReplies->isHidden());
    answer(1);
    EXPECT_TRUE(w.lostReplies->isHidden()) << "nothing lost in this discovery";

    h.endpoint.dropped += 312;
    h.endpoint.injectDatagrams({buildReplyFrame(CmdDiscovery, encodeDiscoveryRecord(SampleDevice(2))),
                                buildReplyFrame(CmdDiscovery, encodeDiscoveryRecord(SampleDevice(3)))});
    EXPECT_EQ(w.statusMessage->text(), "Found 3 Device");
    EXPECT_EQ(indicators(), "O");
    EXPECT_FALSE(w.lostReplies->isHidden());
    EXPECT_EQ(w.lostReplies->text(), "312 replies lost by the system: raise net.core.rmem_max, see README");
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_LE(w.sizeHint().width(), 1366);
    for (QLabel *label : {w.statusMessage, w.lostReplies})
        EXPECT_GE(label->width(), label->sizeHint().width()) << "shown whole: " << label->objectName().toStdString();

    w.onRefreshClicked();
    EXPECT_TRUE(w.lostReplies->isHidden());
    EXPECT_EQ(w.statusMessage->text(), "Searching...");

    // Every reply lost: the window says so when the wait ends.
    h.endpoint.dropped += 1;
    h.app().programmer()->onReplyTimeout();
    EXPECT_EQ(w.statusMessage->text(), "No Device Found");
    EXPECT_EQ(w.lostReplies->text(), "1 reply lost by the system: raise net.core.rmem_max, see README");
    EXPECT_FALSE(w.lostReplies->isHidden());
}

TEST_F(Discovery, AConfirmedWriteRediscoversTwoSecondsLaterOnlyWhileTheWindowIsShown)
{
    w.show();
    h.endpoint.injectReply(CmdUploadSelected, simpleCommandData());
    EXPECT_EQ(h.messages.messages, (QList<ShownMessage>{{"Upload device OK", "Command result", MessageIcon::Information}}));
    EXPECT_EQ(h.app().rediscoveryTimer().interval(), 2000);
    EXPECT_TRUE(h.app().rediscoveryTimer().isEnabled());
    h.app().programmer()->repeatDiscovery();
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{kDiscoveryFrame});
    EXPECT_EQ(h.endpoint.sent[0].host, "239.0.0.8");
    EXPECT_FALSE(h.app().rediscoveryTimer().isEnabled());
    EXPECT_EQ(w.statusMessage->text(), "Searching...");

    // Hidden, or not loaded at all: the delay passes without a request.
    h.endpoint.clearSent();
    w.hide();
    h.endpoint.injectReply(CmdFactorySetting, simpleCommandData());
    EXPECT_EQ(h.messages.lastText(), "Factory setting device OK");
    h.app().programmer()->repeatDiscovery();
    w.close();
    flushDeletes();
    ASSERT_EQ(h.app().discoveryIfLoaded(), nullptr);
    h.app().rediscoveryTimer().setEnabled(true);
    h.app().programmer()->repeatDiscovery();
    EXPECT_FALSE(h.app().rediscoveryTimer().isEnabled());
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
    EXPECT_EQ(h.app().discoveryIfLoaded(), nullptr);
}

TEST(DiscoveryClosing, ClosingReaimsTheEndpointAtTheDevice)
{
    AppHarness h(true, false);
    for (bool byExitButton : {false, true}) {
        SCOPED_TRACE(byExitButton ? "Exit" : "window frame");
        DiscoveryWindow *w = h.app().discovery();
        w->show();
        w->onRefreshClicked();
        h.endpoint.injectReply(CmdDiscovery, kSampleDeviceBytes);
        w->clickGridRow(1);
        ASSERT_TRUE(h.state().deviceSelected);
        ASSERT_EQ(h.endpoint.remoteHost(), "239.0.0.8");

        if (byExitButton)
            QTest::mouseClick(w->exitButton, Qt::LeftButton);
        else
            w->close();
        EXPECT_EQ(h.endpoint.remoteHost(), "192.168.0.1");
        EXPECT_EQ(h.endpoint.remotePort(), kDevicePort);
        EXPECT_TRUE(h.endpoint.isBound());
        EXPECT_FALSE(h.state().deviceSelected);
        DiscoveryTest::flushDeletes();
        EXPECT_EQ(h.app().discoveryIfLoaded(), nullptr);

        // The next command of the programmer window goes to the device.
        h.endpoint.clearSent();
        h.app().link().sendCommand(CmdDownloadSettings);
        ASSERT_EQ(h.endpoint.sent.size(), 1);
        EXPECT_EQ(h.endpoint.sent[0].host, "192.168.0.1");
        h.endpoint.clearSent();

        // Reopened, the window refuses to write until a row is clicked again.
        h.app().discovery()->factorySettingButton->click();
        EXPECT_EQ(h.messages.lastText(), "WARNING! First select a device ");
        EXPECT_TRUE(h.endpoint.sent.isEmpty());
    }
}

} // namespace
} // namespace qvx::test
