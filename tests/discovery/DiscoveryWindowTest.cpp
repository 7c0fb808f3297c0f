// The discovery window: its layout, the discovery request, the device rows and the status
// area, the rediscovery after a write, and closing the window.
#include "DiscoveryFixture.h"

#include "UnderWine.h"

#include <QHeaderView>
#include <QSignalSpy>

namespace qvx::test {
namespace {

using Discovery = DiscoveryTest;

// The window's size and captions are the every-window walk's (tests/accessibility); here, the
// grid's headers.
TEST_F(Discovery, EveryGridHeaderAndTheWidestUsualValueAreWhole)
{
    if (runningUnderWine())
        GTEST_SKIP() << "measured with Wine's fonts, not Windows's";
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    // The 28 settings columns, then the card: at least their width in twips.
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

// A refresh sends the request to the group and shows the search; each reply is a row, and
// a new discovery empties the grid.
TEST_F(Discovery, RefreshSendsTheRequestAndListsEachReplyAsARow)
{
    click("cmdRefresh");
    ASSERT_EQ(h.endpoint.frames(), QList<QByteArray>{kDiscoveryFrame});
    EXPECT_EQ(h.endpoint.sent[0].host, "239.0.0.8");
    EXPECT_EQ(h.endpoint.sent[0].port, kDevicePort);
    EXPECT_FALSE(h.endpoint.sent[0].throughCard) << "no card listed: by routing";
    EXPECT_EQ(h.app().replyTimer().interval(), 5000);
    EXPECT_TRUE(h.app().replyTimer().isEnabled());
    EXPECT_TRUE(state().commandPending);
    EXPECT_TRUE(state().discoveryPending);
    EXPECT_EQ(status(), "Searching...");
    EXPECT_EQ(indicators(), "S");

    h.endpoint.injectReply(CmdDiscovery, kSampleDeviceBytes);
    for (int i = 2; i <= 3; ++i) {
        answer(quint8(i));
        EXPECT_EQ(state().gridRowCount, i + 1);
        EXPECT_EQ(status(), QStringLiteral("Found %1 Device").arg(i));
        EXPECT_EQ(indicators(), "O");
        EXPECT_EQ(control<QTableView>("grdDevice")->currentIndex().row(), i - 1) << "the newest row is current";
    }
    EXPECT_FALSE(state().discoveryPending);
    EXPECT_FALSE(state().commandPending);
    const QAbstractItemModel &grid = *control<QTableView>("grdDevice")->model();
    EXPECT_EQ(grid.index(2, 0).data().toString(), "00-1A-2B-3C-4D-03");

    w.onRefreshClicked();
    EXPECT_EQ(state().gridRowCount, 1);
    EXPECT_EQ(grid.rowCount(), 0);
    EXPECT_EQ(status(), "Searching...");
}

// The replies of one arrival reach the view in one insertion, and the views are told only
// of rows they know (the shared address flags the earlier rows); the grid counts its rows in
// 16 bits, so it lists 32766 devices and no more.
TEST_F(Discovery, OneArrivalIsOneInsertionUpToTheSixteenBitRowCount)
{
    w.onRefreshClicked();
    answer();
    DeviceGridModel &grid = w.deviceRows();
    QSignalSpy inserted(&grid, &QAbstractItemModel::rowsInserted);
    QObject::connect(&grid, &QAbstractItemModel::dataChanged, [&](const QModelIndex &from, const QModelIndex &to) {
        EXPECT_TRUE(grid.checkIndex(from, QAbstractItemModel::CheckIndexOption::IndexIsValid));
        EXPECT_TRUE(grid.checkIndex(to, QAbstractItemModel::CheckIndexOption::IndexIsValid));
    });
    const QByteArray reply = buildReplyFrame(CmdDiscovery, kSampleDeviceBytes);
    h.endpoint.injectDatagrams(QList<QByteArray>(40, reply));
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(status(), "Found 41 Device");
    EXPECT_EQ(grid.flagsOf(0).sharedBy, 41);

    h.endpoint.injectDatagrams(QList<QByteArray>(32767 - 41, reply));
    EXPECT_EQ(grid.deviceCount(), 32766);
    EXPECT_EQ(state().gridRowCount, 32767);
    EXPECT_EQ(status(), "Found 32766 Device");
    EXPECT_EQ(control<QTableView>("grdDevice")->currentIndex().row(), 32765);
    answer();
    EXPECT_EQ(grid.deviceCount(), 32766);
}

// Silence is reported on the window; replies the system dropped during a discovery (the
// endpoint's drop counter) are counted below the status, drops before it do not count.
TEST_F(Discovery, SilenceAndRepliesLostByTheSystemAreShownOnTheWindow)
{
    h.endpoint.dropped = 40; // an earlier storm
    w.onRefreshClicked();
    h.app().programmer()->onReplyTimeout();
    EXPECT_EQ(status(), "No Device Found");
    EXPECT_EQ(indicators(), "F");
    EXPECT_TRUE(h.messages.messages.isEmpty()) << "reported on the window, not in a box";
    EXPECT_TRUE(control("lblLost")->isHidden());

    w.onRefreshClicked();
    h.endpoint.dropped += 312;
    answer(2);
    EXPECT_EQ(status(), "Found 1 Device");
    EXPECT_FALSE(control("lblLost")->isHidden());
    EXPECT_EQ(text("lblLost"), "312 replies lost by the system: raise net.core.rmem_max, see README");

    w.onRefreshClicked();
    EXPECT_TRUE(control("lblLost")->isHidden());
    h.endpoint.dropped += 1;
    h.app().programmer()->onReplyTimeout();
    EXPECT_EQ(text("lblLost"), "1 reply lost by the system: raise net.core.rmem_max, see README");

    // Where the system counts no drops (Windows), the window says so rather than show none.
    h.endpoint.countsDrops = false;
    w.onRefreshClicked();
    answer(1);
    EXPECT_FALSE(control("lblLost")->isHidden());
    EXPECT_EQ(text("lblLost"), "Replies lost by the system cannot be counted here");
}

TEST_F(Discovery, AConfirmedWriteRediscoversTwoSecondsLaterOnlyWhileTheWindowIsShown)
{
    w.show();
    h.endpoint.injectReply(CmdUploadSelected, simpleCommandData());
    EXPECT_EQ(h.messages.messages, (QList<ShownMessage>{{"Upload device OK", "Command result", MessageIcon::Information}}));
    IntervalTimer &rediscovery = h.app().rediscoveryTimer();
    EXPECT_EQ(rediscovery.interval(), 2000);
    EXPECT_GT(rediscovery.remainingTime() * IntervalTimer::speedup(), 1500) << "counting down the two seconds";
    EXPECT_TRUE(h.endpoint.sent.isEmpty()) << "nothing before the delay";
    Q_EMIT rediscovery.timeout();
    EXPECT_EQ(h.endpoint.frames(), QList<QByteArray>{kDiscoveryFrame});
    EXPECT_FALSE(rediscovery.isEnabled());
    EXPECT_EQ(status(), "Searching...");

    // Hidden, or not loaded at all: the delay passes without a request.
    h.endpoint.clearSent();
    w.hide();
    h.endpoint.injectReply(CmdFactorySetting, simpleCommandData());
    EXPECT_EQ(h.messages.lastText(), "Factory setting device OK");
    Q_EMIT rediscovery.timeout();
    w.close();
    flushDeletes();
    h.endpoint.injectReply(CmdFactorySetting, simpleCommandData());
    Q_EMIT rediscovery.timeout();
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
    EXPECT_EQ(h.app().discoveryIfLoaded(), nullptr);
}

TEST_F(Discovery, AReopenedWindowWritesNothingUntilARowIsChosenAgain)
{
    w.show();
    h.endpoint.injectReply(CmdDiscovery, kSampleDeviceBytes);
    w.clickGridRow(1);
    ASSERT_TRUE(state().deviceSelected);
    QTest::mouseClick(control<QAbstractButton>("cmdExit"), Qt::LeftButton);
    EXPECT_FALSE(state().deviceSelected);
    flushDeletes();
    EXPECT_EQ(h.app().discoveryIfLoaded(), nullptr);

    h.endpoint.clearSent();
    h.app().discovery()->restoreFactorySetting();
    EXPECT_EQ(h.messages.lastText(), "WARNING! First select a device ");
    EXPECT_TRUE(h.endpoint.sent.isEmpty());
}

} // namespace
} // namespace qvx::test
