// The discovery window: its grid's columns, the discovery request, the device rows and the
// status area, the rediscovery after a write, and closing the window. Then its files:
// "Export…" writes the listed devices as CSV; "Compare with sheet…" marks what differs from a
// commissioning sheet, shows the planned units that did not answer and keeps the comparison
// across a refresh.
#include "DiscoveryFixture.h"

#include "UnderWine.h"

#include <QFile>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTemporaryDir>

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

struct Files : DiscoveryTest {
    QByteArray exportTo(const QString &file)
    {
        int asked = 0;
        w.setExportPathChooser([&](QWidget *) {
            ++asked;
            return file;
        });
        click("cmdExport");
        EXPECT_EQ(asked, 1);
        QFile written(file);
        return written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray();
    }
    void compareWith(const QByteArray &csv)
    {
        const QString path = dir.filePath(QStringLiteral("site.csv"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(csv);
        file.close();
        w.setSheetPathChooser([path](QWidget *) { return path; });
        click(QStringLiteral("cmdCompareSheet"));
    }

    QTemporaryDir dir;
    const QByteArray header = "mac,ip,mask,gateway,local_port,remote_port,baud,rx_timeout,data_bits,parity,stop_bits,"
                              "default_timeout,source_1,source_2,source_3,source_4,bridge,bridge_local_port,"
                              "bridge_port_1,bridge_port_2,bridge_port_3,bridge_port_4,bridge_port_5,"
                              "bridge_ip_1,bridge_ip_2,bridge_ip_3,bridge_ip_4,bridge_ip_5,card\r\n";
};

// Every listed device under a header of field keys, the card last (none here: no card is
// listed), as qvxctl's --format csv writes them.
TEST_F(Files, WritesEveryListedDeviceUnderAHeaderOfFieldKeys)
{
    h.endpoint.injectReply(CmdDiscovery, kSampleDeviceBytes);
    h.endpoint.injectReply(CmdDiscovery, kSampleDeviceBytes.left(10));
    const QByteArray csv = exportTo(dir.filePath("devices.csv"));
    EXPECT_EQ(csv, header + kSampleDeviceRow.join(',').toUtf8() + ",\r\n" +
                       "00-1A-2B-3C-4D-5E,10.0.0.254,,,,,,,,,,,,,,,,,,,,,,,,,,,\r\n");
    EXPECT_TRUE(h.messages.messages.isEmpty());
    EXPECT_TRUE(h.endpoint.sent.isEmpty()) << "export sends nothing";

    w.clearDeviceGrid();
    EXPECT_EQ(exportTo(dir.filePath("empty.csv")), header);
}

TEST_F(Files, MarksDifferencesListsMissingUnitsAndSurvivesARefresh)
{
    answer(0x01);
    answer(0x02);
    // Device 01 as planned but its baud; device 02 not in the sheet; 03 planned, silent.
    compareWith("mac,ip,baud\n"
                "00-1A-2B-3C-4D-01,10.0.0.254,19200\n"
                "00-1A-2B-3C-4D-03,10.0.0.77,\n");
    ASSERT_EQ(w.deviceRows().rowCount(), 3);
    EXPECT_EQ(at(0, 6, Qt::DisplayRole).toString(), "9600");
    EXPECT_EQ(at(0, 6, Qt::ToolTipRole).toString(), "The sheet says 19200");
    EXPECT_EQ(at(0, 6, Qt::AccessibleTextRole).toString(), "9600. The sheet says 19200");
    EXPECT_FALSE(at(0, 1, Qt::ToolTipRole).toString().contains("sheet")) << "the address matches";
    EXPECT_EQ(at(1, 0, Qt::ToolTipRole).toString(), "Not in the sheet");
    EXPECT_EQ(at(2, 0, Qt::DisplayRole).toString(), "00-1A-2B-3C-4D-03");
    EXPECT_EQ(at(2, 1, Qt::DisplayRole).toString(), "10.0.0.77");
    EXPECT_TRUE(at(2, 1, Qt::ToolTipRole).toString().startsWith("Planned in the sheet (line 3)"));
    EXPECT_EQ(text(QStringLiteral("lblComparison")), "Compared with site.csv: 1 differs, 1 missing, 1 not in sheet");
    w.clickGridRow(3);
    EXPECT_EQ(w.deviceRows().highlightedRow(), -1) << "a planned unit's row is not a device to write";

    // A refresh keeps the comparison: the planned unit answers now.
    click(QStringLiteral("cmdRefresh"));
    answer(0x03);
    ASSERT_EQ(w.deviceRows().rowCount(), 2) << "device 03 is listed, not missing";
    EXPECT_EQ(text(QStringLiteral("lblComparison")), "Compared with site.csv: 1 differs, 1 missing")
        << "device 01 did not answer this time";
    EXPECT_EQ(at(0, 1, Qt::ToolTipRole).toString(), "The sheet says 10.0.0.77");

    click(QStringLiteral("cmdClearComparison"));
    EXPECT_EQ(w.deviceRows().rowCount(), 1);
    EXPECT_FALSE(at(0, 1, Qt::ToolTipRole).toString().contains("sheet"));
    EXPECT_TRUE(control(QStringLiteral("lblComparison"))->isHidden());
}

TEST_F(Files, CancellingWritesNothingAndAFileRefusedIsReported)
{
    answer();
    exportTo(QString());
    EXPECT_TRUE(h.messages.messages.isEmpty());
    exportTo(dir.filePath("no/such/folder/devices.csv"));
    ASSERT_EQ(h.messages.messages.size(), 1);
    EXPECT_TRUE(h.messages.messages[0].text.startsWith("The devices could not be exported to "));

    compareWith("ip,baud\n10.0.0.254,9600\n");
    ASSERT_EQ(h.messages.messages.size(), 2);
    EXPECT_TRUE(h.messages.lastText().contains("there is no mac column"));
    EXPECT_FALSE(w.deviceRows().hasComparison());
}

} // namespace
} // namespace qvx::test
