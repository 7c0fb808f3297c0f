// A click on a device row: highlight, editor fill, destination; clicks that select nothing.
#include "DiscoveryFixture.h"

#include <QHeaderView>
#include <QSignalSpy>

namespace qvx::test {
namespace {

// A grid row as the reply dispatcher would write it, with some cells replaced.
QStringList rowWith(const QList<QPair<int, QString>> &changes)
{
    QStringList cells = kSampleDeviceRow;
    for (const auto &[column, text] : changes)
        cells[column] = text;
    return cells;
}

QColor colour(const QModelIndex &index, int role) { return index.data(role).value<QBrush>().color(); }

using Editor = DiscoveryTest;

TEST_F(Editor, ClickingARowFillsEveryFieldAndTakesItsMacAsDestination)
{
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.cmdRefresh_Click();
    DiscoveryRecord other = SampleDevice(0x01);
    other.ip = {172, 16, 5, 9};
    h.endpoint.injectReply(CmdDiscovery, EncodeDiscoveryRecord(other));
    answer();
    const QModelIndex second = w.DeviceGrid().index(1, 3);
    QTest::mouseClick(w.grdDevice->viewport(), Qt::LeftButton, {}, w.grdDevice->visualRect(second).center());

    const QStringList mac{"00", "1A", "2B", "3C", "4D", "5E"};
    EXPECT_EQ(Texts(w.txtMac), mac);
    EXPECT_EQ(Texts(w.lblMacAddrDest), mac);
    EXPECT_EQ(state().DestinationMac, (Mac6{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
    EXPECT_TRUE(state().DeviceSelected);
    const QStringList editor = QStringList() << Texts(w.txtIP) << Texts(w.txtMask) << Texts(w.txtGwy)
                                             << w.txtLocalPort->text() << w.txtRemotePort->text()
                                             << w.txtTimeOut->text() << Texts(w.txtSource1) << Texts(w.txtSource2)
                                             << Texts(w.txtSource3) << Texts(w.txtSource4) << w.txtLocalPB->text()
                                             << Texts(w.txtRemotePB) << Texts(w.txtIPB1) << Texts(w.txtIPB2)
                                             << Texts(w.txtIPB3) << Texts(w.txtIPB4) << Texts(w.txtIPB5);
    EXPECT_EQ(editor.join(' '), "10 0 0 254 255 255 255 0 10 0 0 1 4096 4097 3250 1 2 3 4 5 6 7 8 9 10 11 12 "
                                "13 14 15 16 5000 5001 5002 5003 5004 5005 192 168 1 1 192 168 1 2 192 168 1 3 "
                                "192 168 1 4 192 168 1 5");
    QStringList lists;
    for (QComboBox *list : w.cmbRecord)
        lists << list->currentText();
    EXPECT_EQ(lists, (QStringList{"9600", "7", "ODD", "2", "ENABLE"}));
    EXPECT_TRUE(w.optEnableB->isChecked());
    EXPECT_FALSE(w.optDisableB->isChecked());

    // The clicked row white on blue, the other one black on white; the current column stays.
    DeviceGridModel &grid = w.DeviceGrid();
    EXPECT_EQ(grid.HighlightedRow(), 1);
    EXPECT_EQ(colour(grid.index(1, 27), Qt::BackgroundRole), QColor(0, 0, 255));
    EXPECT_EQ(colour(grid.index(1, 0), Qt::ForegroundRole), QColor(255, 255, 255));
    EXPECT_EQ(colour(grid.index(0, 5), Qt::BackgroundRole), QColor(255, 255, 255));
    EXPECT_EQ(colour(grid.index(0, 5), Qt::ForegroundRole), QColor(0, 0, 0));
    EXPECT_EQ(w.grdDevice->currentIndex(), second);

    // Moving the highlight repaints only the two rows concerned: a grid of thousands
    // of devices must not be repainted whole at each click.
    QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
    w.ClickGridRow(1);
    ASSERT_EQ(changed.size(), 2);
    for (const QList<QVariant> &signal : changed)
        EXPECT_EQ(signal[0].toModelIndex().row(), signal[1].toModelIndex().row());
    QTest::mouseClick(w.grdDevice->viewport(), Qt::LeftButton, {}, w.grdDevice->visualRect(second).center());

    // Painting with row 0 uses the current row and keeps it current.
    qint16 row = 0;
    w.LineShows(w.grdDevice, row, 0x00FF00, 0x0000FF);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(colour(grid.index(1, 0), Qt::BackgroundRole), QColor(0, 255, 0));
    EXPECT_EQ(colour(grid.index(1, 0), Qt::ForegroundRole), QColor(255, 0, 0));
    EXPECT_EQ(w.grdDevice->currentIndex(), second);
}

TEST_F(Editor, ListsAndOptionsFollowTheCellTextsExactly)
{
    const struct { QList<QPair<int, QString>> cells; std::array<int, 5> lists; bool bridgeEnabled; } cases[] = {
        {{{6, "UNKNOWN"}, {8, "8"}, {9, "EVEN"}, {10, "1"}, {11, "Disable"}, {16, "Disable"}}, {-1, 1, 1, 0, 0}, false},
        {{{6, "115200"}, {8, "9"}, {9, "NONE"}, {10, "3"}, {11, "DISABLE"}, {16, "enable"}}, {8, -1, 2, -1, -1}, false},
        {{{6, "600"}, {8, ""}, {9, "odd"}, {10, "2"}, {11, "Enable"}, {16, "Enable"}}, {0, -1, -1, 1, 1}, true},
        {{{6, "9600 "}, {8, "7"}, {9, "ODD"}, {10, ""}, {11, ""}, {16, ""}}, {-1, 0, 0, -1, -1}, false},
    };
    for (const auto &c : cases) {
        // Start from the opposite choices, so that every list and option must change.
        for (QComboBox *list : w.cmbRecord)
            list->setCurrentIndex(list->count() - 1);
        (c.bridgeEnabled ? w.optDisableB : w.optEnableB)->setChecked(true);
        w.InitDeviceGrid();
        w.DeviceGrid().AppendDevice(rowWith(c.cells));
        w.ClickGridRow(1);
        std::array<int, 5> lists{};
        for (int k = 0; k < 5; ++k)
            lists[k] = w.cmbRecord[k]->currentIndex();
        EXPECT_EQ(lists, c.lists) << c.cells[0].second.toStdString();
        EXPECT_EQ(w.optEnableB->isChecked(), c.bridgeEnabled);
        EXPECT_EQ(w.optDisableB->isChecked(), !c.bridgeEnabled);
    }
}

TEST_F(Editor, ShortDottedCellsFillTheirBoxesWithoutRunningPastTheirEnd)
{
    const QPair<QString, QStringList> cases[] = {
        {"10.0.0.254", {"10", "0", "0", "254"}}, {"10.0", {"10", "0", "", ""}}, {"10..5", {"10", "", "5", ""}},
        {"", {"", "", "", ""}}, {"1.2.3.4.5", {"1", "2", "3", "4.5"}}, {"...", {"", "", "", ""}},
        {"192.168.1.", {"192", "168", "1", ""}},
    };
    for (const auto &[cell, boxes] : cases) {
        w.InitDeviceGrid();
        w.DeviceGrid().AppendDevice(rowWith({{1, cell}, {12, cell}, {27, cell}}));
        for (auto *box : w.txtIP)
            box->setText(QStringLiteral("x"));
        w.ClickGridRow(1);
        EXPECT_EQ(Texts(w.txtIP), boxes) << cell.toStdString();
        EXPECT_EQ(Texts(w.txtSource1), boxes) << cell.toStdString();
        EXPECT_EQ(Texts(w.txtIPB5), boxes) << cell.toStdString();
        EXPECT_TRUE(state().DeviceSelected);
    }
}

TEST_F(Editor, HeaderRowClicksAndClicksOnAnEmptyGridSelectNothing)
{
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const Mac6 before{1, 2, 3, 4, 5, 6};
    state().DestinationMac = before;

    // Only the header row.
    QTest::mouseClick(w.grdDevice->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
    w.grdDevice_Click();
    w.ClickGridRow(1);
    EXPECT_FALSE(state().DeviceSelected);
    EXPECT_EQ(state().DestinationMac, before);

    // With a device listed: the header row itself.
    answer();
    QHeaderView *header = w.grdDevice->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionSize(0) / 2, header->height() / 2));
    w.ClickGridRow(0);
    EXPECT_FALSE(state().DeviceSelected);
    EXPECT_EQ(state().DestinationMac, before);
    EXPECT_TRUE(w.txtIP[0]->text().isEmpty());
    EXPECT_EQ(w.DeviceGrid().HighlightedRow(), -1);

    // A device row after all; a later header click keeps that selection.
    w.ClickGridRow(1);
    ASSERT_TRUE(state().DeviceSelected);
    const Mac6 selected = state().DestinationMac;
    EXPECT_NE(selected, before);
    w.ClickGridRow(0);
    EXPECT_TRUE(state().DeviceSelected);
    EXPECT_EQ(state().DestinationMac, selected);

    // A new discovery empties the grid; the editor and destination stay.
    w.cmdRefresh_Click();
    w.grdDevice_Click();
    EXPECT_TRUE(state().DeviceSelected);
    EXPECT_EQ(state().DestinationMac, selected);
    EXPECT_EQ(w.txtIP[3]->text(), "254");
}

TEST_F(Editor, ARowWithoutAReadableMacIsNoDestination)
{
    answer(0x11);
    w.ClickGridRow(1);
    ASSERT_TRUE(state().DeviceSelected);
    const Mac6 selected = state().DestinationMac;

    // A reply too short to hold a MAC address lists a row with an empty MAC cell.
    w.DeviceGrid().AppendDevice(rowWith({{0, ""}}));
    w.DeviceGrid().AppendDevice(rowWith({{0, "00-1A-ZZ-3C-4D-5E"}}));
    for (int row : {2, 3}) {
        w.ClickGridRow(row);
        EXPECT_FALSE(state().DeviceSelected) << row;
        EXPECT_EQ(state().DestinationMac, selected);
        EXPECT_EQ(w.lblMacAddrDest[5]->text(), "11");
        h.messages.clear();
        w.cmdNetSet->click();
        EXPECT_EQ(h.messages.lastText(), "WARNING! First select a device");
    }
}

} // namespace
} // namespace qvx::test
