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
    w.onRefreshClicked();
    DiscoveryRecord other = SampleDevice(0x01);
    other.ip = {172, 16, 5, 9};
    h.endpoint.injectReply(CmdDiscovery, encodeDiscoveryRecord(other));
    answer();
    const QModelIndex second = w.deviceRows().index(1, 3);
    QTest::mouseClick(w.deviceGrid->viewport(), Qt::LeftButton, {}, w.deviceGrid->visualRect(second).center());

    const QStringList mac{"00", "1A", "2B", "3C", "4D", "5E"};
    EXPECT_EQ(Texts(w.macAddressBoxes), mac);
    EXPECT_EQ(Texts(w.destinationMacBytes), mac);
    EXPECT_EQ(state().destinationMac, (Mac6{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
    EXPECT_TRUE(state().deviceSelected);
    const QStringList editor = QStringList() << Texts(w.ipAddressBoxes) << Texts(w.subnetMaskBoxes) << Texts(w.gatewayBoxes)
                                             << w.localPortBox->text() << w.remotePortBox->text()
                                             << w.uartTimeoutBox->text() << Texts(w.source1Boxes) << Texts(w.source2Boxes)
                                             << Texts(w.source3Boxes) << Texts(w.source4Boxes) << w.bridgeLocalPortBox->text()
                                             << Texts(w.bridgeRemotePortBoxes) << Texts(w.bridge1Boxes) << Texts(w.bridge2Boxes)
                                             << Texts(w.bridge3Boxes) << Texts(w.bridge4Boxes) << Texts(w.bridge5Boxes);
    EXPECT_EQ(editor.join(' '), "10 0 0 254 255 255 255 0 10 0 0 1 4096 4097 3250 1 2 3 4 5 6 7 8 9 10 11 12 "
                                "13 14 15 16 5000 5001 5002 5003 5004 5005 192 168 1 1 192 168 1 2 192 168 1 3 "
                                "192 168 1 4 192 168 1 5");
    QStringList lists;
    for (QComboBox *list : w.serialLists)
        lists << list->currentText();
    EXPECT_EQ(lists, (QStringList{"9600", "7", "ODD", "2", "ENABLE"}));
    EXPECT_TRUE(w.bridgeEnabled->isChecked());
    EXPECT_FALSE(w.bridgeDisabled->isChecked());

    // The clicked row white on blue, the other one black on white; the current column stays.
    DeviceGridModel &grid = w.deviceRows();
    EXPECT_EQ(grid.highlightedRow(), 1);
    EXPECT_EQ(colour(grid.index(1, 27), Qt::BackgroundRole), QColor(0, 0, 255));
    EXPECT_EQ(colour(grid.index(1, 0), Qt::ForegroundRole), QColor(255, 255, 255));
    EXPECT_EQ(colour(grid.index(0, 5), Qt::BackgroundRole), QColor(255, 255, 255));
    EXPECT_EQ(colour(grid.index(0, 5), Qt::ForegroundRole), QColor(0, 0, 0));
    EXPECT_EQ(w.deviceGrid->currentIndex(), second);

    // Moving the highlight repaints only the two rows concerned: a grid of thousands
    // of devices must not be repainted whole at each click.
    QSignalSpy changed(&grid, &QAbstractItemModel::dataChanged);
    w.clickGridRow(1);
    ASSERT_EQ(changed.size(), 2);
    for (const QList<QVariant> &signal : changed)
        EXPECT_EQ(signal[0].toModelIndex().row(), signal[1].toModelIndex().row());
    QTest::mouseClick(w.deviceGrid->viewport(), Qt::LeftButton, {}, w.deviceGrid->visualRect(second).center());

    // Painting with row 0 uses the current row and keeps it current.
    qint16 row = 0;
    w.paintRow(w.deviceGrid, row, 0x00FF00, 0x0000FF);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(colour(grid.index(1, 0), Qt::BackgroundRole), QColor(0, 255, 0));
    EXPECT_EQ(colour(grid.index(1, 0), Qt::ForegroundRole), QColor(255, 0, 0));
    EXPECT_EQ(w.deviceGrid->currentIndex(), second);
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
        for (QComboBox *list : w.serialLists)
            list->setCurrentIndex(list->count() - 1);
        (c.bridgeEnabled ? w.bridgeDisabled : w.bridgeEnabled)->setChecked(true);
        w.clearDeviceGrid();
        w.deviceRows().appendDevice(rowWith(c.cells));
        w.clickGridRow(1);
        std::array<int, 5> lists{};
        for (int k = 0; k < 5; ++k)
            lists[k] = w.serialLists[k]->currentIndex();
        EXPECT_EQ(lists, c.lists) << c.cells[0].second.toStdString();
        EXPECT_EQ(w.bridgeEnabled->isChecked(), c.bridgeEnabled);
        EXPECT_EQ(w.bridgeDisabled->isChecked(), !c.bridgeEnabled);
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
        w.clearDeviceGrid();
        w.deviceRows().appendDevice(rowWith({{1, cell}, {12, cell}, {27, cell}}));
        for (auto *box : w.ipAddressBoxes)
            box->setText(QStringLiteral("x"));
        w.clickGridRow(1);
        EXPECT_EQ(Texts(w.ipAddressBoxes), boxes) << cell.toStdString();
        EXPECT_EQ(Texts(w.source1Boxes), boxes) << cell.toStdString();
        EXPECT_EQ(Texts(w.bridge5Boxes), boxes) << cell.toStdString();
        EXPECT_TRUE(state().deviceSelected);
    }
}

TEST_F(Editor, HeaderRowClicksAndClicksOnAnEmptyGridSelectNothing)
{
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const Mac6 before{1, 2, 3, 4, 5, 6};
    state().destinationMac = before;

    // Only the header row.
    QTest::mouseClick(w.deviceGrid->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
    w.onDeviceRowClicked();
    w.clickGridRow(1);
    EXPECT_FALSE(state().deviceSelected);
    EXPECT_EQ(state().destinationMac, before);

    // With a device listed: the header row itself.
    answer();
    QHeaderView *header = w.deviceGrid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionSize(0) / 2, header->height() / 2));
    w.clickGridRow(0);
    EXPECT_FALSE(state().deviceSelected);
    EXPECT_EQ(state().destinationMac, before);
    EXPECT_TRUE(w.ipAddressBoxes[0]->text().isEmpty());
    EXPECT_EQ(w.deviceRows().highlightedRow(), -1);

    // A device row after all; a later header click keeps that selection.
    w.clickGridRow(1);
    ASSERT_TRUE(state().deviceSelected);
    const Mac6 selected = state().destinationMac;
    EXPECT_NE(selected, before);
    w.clickGridRow(0);
    EXPECT_TRUE(state().deviceSelected);
    EXPECT_EQ(state().destinationMac, selected);

    // A new discovery empties the grid; the editor and destination stay.
    w.onRefreshClicked();
    w.onDeviceRowClicked();
    EXPECT_TRUE(state().deviceSelected);
    EXPECT_EQ(state().destinationMac, selected);
    EXPECT_EQ(w.ipAddressBoxes[3]->text(), "254");
}

TEST_F(Editor, ARowWithoutAReadableMacIsNoDestination)
{
    answer(0x11);
    w.clickGridRow(1);
    ASSERT_TRUE(state().deviceSelected);
    const Mac6 selected = state().destinationMac;

    // A reply too short to hold a MAC address lists a row with an empty MAC cell.
    w.deviceRows().appendDevice(rowWith({{0, ""}}));
    w.deviceRows().appendDevice(rowWith({{0, "00-1A-ZZ-3C-4D-5E"}}));
    for (int row : {2, 3}) {
        w.clickGridRow(row);
        EXPECT_FALSE(state().deviceSelected) << row;
        EXPECT_EQ(state().destinationMac, selected);
        EXPECT_EQ(w.destinationMacBytes[5]->text(), "11");
        h.messages.clear();
        w.uploadSelectedButton->click();
        EXPECT_EQ(h.messages.lastText(), "WARNING! First select a device");
    }
}

} // namespace
} // namespace qvx::test
