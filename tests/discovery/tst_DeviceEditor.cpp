// A click on a device row: highlight, editor fill, destination; clicks that select nothing.
#include "DiscoveryRig.h"

#include "discovery/DeviceGridModel.h"
#include "protocol/Commands.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace qvx::test {
namespace {

QStringList texts(const auto &boxes)
{
    QStringList out;
    for (const auto *box : boxes)
        out << box->text();
    return out;
}

// A grid row as the reply dispatcher would write it, with some cells replaced.
QStringList rowWith(const QList<QPair<int, QString>> &changes)
{
    QStringList cells = DiscoveryRowTexts(EncodeDiscoveryRecord(SampleDevice()));
    for (const auto &[column, text] : changes)
        cells[column] = text;
    return cells;
}

struct EditorTest : ::testing::Test {
    EditorTest() : w((rig.start(), rig.window())) {}

    DiscoveryRig rig;
    frm03Discovery &w;
};

TEST_F(EditorTest, ClickingARowFillsTheEditorAndTakesItsMacAsDestination)
{
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.cmdRefresh_Click();
    DiscoveryRecord other = SampleDevice(0x01);
    other.ip = {172, 16, 5, 9};
    rig.endpoint.injectReply(CmdDiscovery, EncodeDiscoveryRecord(other));
    rig.endpoint.injectReply(CmdDiscovery, EncodeDiscoveryRecord(SampleDevice()));

    const QModelIndex second = w.DeviceGrid().index(1, 3);
    QTest::mouseClick(w.grdDevice->viewport(), Qt::LeftButton, {}, w.grdDevice->visualRect(second).center());

    EXPECT_EQ(texts(w.txtMac), QStringList({"00", "1A", "2B", "3C", "4D", "5E"}));
    EXPECT_EQ(texts(w.lblMacAddrDest), QStringList({"00", "1A", "2B", "3C", "4D", "5E"}));
    EXPECT_EQ(rig.state().DestinationMac, (Mac6{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
    EXPECT_TRUE(rig.state().DeviceSelected);

    EXPECT_EQ(texts(w.txtIP), QStringList({"10", "0", "0", "254"}));
    EXPECT_EQ(texts(w.txtMask), QStringList({"255", "255", "255", "0"}));
    EXPECT_EQ(texts(w.txtGwy), QStringList({"10", "0", "0", "1"}));
    EXPECT_EQ(w.txtLocalPort->text(), QStringLiteral("4096"));
    EXPECT_EQ(w.txtRemotePort->text(), QStringLiteral("4097"));
    EXPECT_EQ(w.cmbRecord[0]->currentText(), QStringLiteral("9600"));
    EXPECT_EQ(w.cmbRecord[0]->currentIndex(), 4);
    EXPECT_EQ(w.txtTimeOut->text(), QStringLiteral("3250"));
    EXPECT_EQ(w.cmbRecord[1]->currentText(), QStringLiteral("7"));
    EXPECT_EQ(w.cmbRecord[2]->currentText(), QStringLiteral("ODD"));
    EXPECT_EQ(w.cmbRecord[3]->currentText(), QStringLiteral("2"));
    EXPECT_EQ(w.cmbRecord[4]->currentText(), QStringLiteral("ENABLE"));
    EXPECT_EQ(texts(w.txtSource1), QStringList({"1", "2", "3", "4"}));
    EXPECT_EQ(texts(w.txtSource2), QStringList({"5", "6", "7", "8"}));
    EXPECT_EQ(texts(w.txtSource3), QStringList({"9", "10", "11", "12"}));
    EXPECT_EQ(texts(w.txtSource4), QStringList({"13", "14", "15", "16"}));
    EXPECT_TRUE(w.optEnableB->isChecked());
    EXPECT_FALSE(w.optDisableB->isChecked());
    EXPECT_EQ(w.txtLocalPB->text(), QStringLiteral("5000"));
    EXPECT_EQ(texts(w.txtRemotePB), QStringList({"5001", "5002", "5003", "5004", "5005"}));
    EXPECT_EQ(texts(w.txtIPB1), QStringList({"192", "168", "1", "1"}));
    EXPECT_EQ(texts(w.txtIPB5), QStringList({"192", "168", "1", "5"}));

    // The clicked row white on blue, the other one black on white.
    DeviceGridModel &grid = w.DeviceGrid();
    EXPECT_EQ(grid.HighlightedRow(), 1);
    EXPECT_EQ(grid.index(1, 27).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(0, 0, 255));
    EXPECT_EQ(grid.index(1, 0).data(Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 255, 255));
    EXPECT_EQ(grid.index(0, 5).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 255, 255));
    EXPECT_EQ(grid.index(0, 5).data(Qt::ForegroundRole).value<QBrush>().color(), QColor(0, 0, 0));
    EXPECT_EQ(w.grdDevice->currentIndex().row(), 1);
    EXPECT_EQ(w.grdDevice->currentIndex().column(), 3) << "the current column stays";
}

TEST_F(EditorTest, ListsAndOptionsFollowTheCellTextsExactly)
{
    struct Case {
        QList<QPair<int, QString>> cells;
        std::array<int, 5> lists; // expected selected index of cmbRecord(0..4)
        bool bridgeEnabled;
    };
    const QList<Case> cases{
        {{{6, "UNKNOWN"}, {8, "8"}, {9, "EVEN"}, {10, "1"}, {11, "Disable"}, {16, "Disable"}}, {-1, 1, 1, 0, 0}, false},
        {{{6, "115200"}, {8, "9"}, {9, "NONE"}, {10, "3"}, {11, "DISABLE"}, {16, "enable"}}, {8, -1, 2, -1, -1}, false},
        {{{6, "600"}, {8, ""}, {9, "odd"}, {10, "2"}, {11, "Enable"}, {16, "Enable"}}, {0, -1, -1, 1, 1}, true},
        {{{6, "9600 "}, {8, "7"}, {9, "ODD"}, {10, ""}, {11, ""}, {16, ""}}, {-1, 0, 0, -1, -1}, false},
    };
    for (int i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        const Case &c = cases[i];
        // Start from the opposite choices, so that every list and option must change.
        for (QComboBox *list : w.cmbRecord)
            list->setCurrentIndex(list->count() - 1);
        (c.bridgeEnabled ? w.optDisableB : w.optEnableB)->setChecked(true);

        w.InitDeviceGrid();
        w.DeviceGrid().AppendDevice(rowWith(c.cells));
        w.ClickGridRow(1);
        for (int k = 0; k < 5; ++k)
            EXPECT_EQ(w.cmbRecord[std::size_t(k)]->currentIndex(), c.lists[std::size_t(k)]) << "cmbRecord " << k;
        EXPECT_EQ(w.optEnableB->isChecked(), c.bridgeEnabled);
        EXPECT_EQ(w.optDisableB->isChecked(), !c.bridgeEnabled);
    }
}

TEST_F(EditorTest, DottedCellsSplitIntoFourBoxesWithoutRunningPastTheirEnd)
{
    const QList<QPair<QString, QStringList>> cases{
        {"10.0.0.254", {"10", "0", "0", "254"}},
        {"10.0", {"10", "0", "", ""}},
        {"10..5", {"10", "", "5", ""}},
        {"", {"", "", "", ""}},
        {"1.2.3.4.5", {"1", "2", "3", "4.5"}},
        {"...", {"", "", "", ""}},
        {"192.168.1.", {"192", "168", "1", ""}},
    };
    for (const auto &[cell, boxes] : cases) {
        SCOPED_TRACE(cell.toStdString());
        w.InitDeviceGrid();
        w.DeviceGrid().AppendDevice(rowWith({{1, cell}, {12, cell}, {27, cell}}));
        for (auto *box : w.txtIP)
            box->setText(QStringLiteral("x"));
        w.ClickGridRow(1);
        EXPECT_EQ(texts(w.txtIP), boxes);
        EXPECT_EQ(texts(w.txtSource1), boxes);
        EXPECT_EQ(texts(w.txtIPB5), boxes);
        EXPECT_TRUE(rig.state().DeviceSelected);
    }
}

TEST_F(EditorTest, ClicksOutsideTheDeviceRowsSelectNothing)
{
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const Mac6 before{1, 2, 3, 4, 5, 6};
    rig.state().DestinationMac = before;

    // Only the header row.
    QTest::mouseClick(w.grdDevice->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
    w.grdDevice_Click();
    w.ClickGridRow(1);
    EXPECT_FALSE(rig.state().DeviceSelected);
    EXPECT_EQ(rig.state().DestinationMac, before);

    // With a device listed: the header row itself.
    rig.endpoint.injectReply(CmdDiscovery, EncodeDiscoveryRecord(SampleDevice()));
    QHeaderView *header = w.grdDevice->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionSize(0) / 2, header->height() / 2));
    w.ClickGridRow(0);
    EXPECT_FALSE(rig.state().DeviceSelected);
    EXPECT_EQ(rig.state().DestinationMac, before);
    EXPECT_TRUE(w.txtIP[0]->text().isEmpty());
    EXPECT_EQ(w.DeviceGrid().HighlightedRow(), -1);

    // A device row after all; a later header click keeps that selection.
    w.ClickGridRow(1);
    ASSERT_TRUE(rig.state().DeviceSelected);
    const Mac6 selected = rig.state().DestinationMac;
    EXPECT_NE(selected, before);
    w.ClickGridRow(0);
    EXPECT_TRUE(rig.state().DeviceSelected);
    EXPECT_EQ(rig.state().DestinationMac, selected);

    // A new discovery empties the grid; the editor and destination stay.
    w.cmdRefresh_Click();
    w.grdDevice_Click();
    EXPECT_TRUE(rig.state().DeviceSelected);
    EXPECT_EQ(rig.state().DestinationMac, selected);
    EXPECT_EQ(w.txtIP[3]->text(), QStringLiteral("254"));
}

TEST_F(EditorTest, ARowWithoutAReadableMacIsNoDestination)
{
    rig.endpoint.injectReply(CmdDiscovery, EncodeDiscoveryRecord(SampleDevice(0x11)));
    w.ClickGridRow(1);
    ASSERT_TRUE(rig.state().DeviceSelected);
    const Mac6 selected = rig.state().DestinationMac;

    // A reply too short to hold a MAC address lists a row with an empty MAC cell.
    w.DeviceGrid().AppendDevice(rowWith({{0, ""}}));
    w.DeviceGrid().AppendDevice(rowWith({{0, "00-1A-ZZ-3C-4D-5E"}}));
    for (int row : {2, 3}) {
        SCOPED_TRACE(row);
        w.ClickGridRow(row);
        EXPECT_FALSE(rig.state().DeviceSelected);
        EXPECT_EQ(rig.state().DestinationMac, selected);
        EXPECT_EQ(w.lblMacAddrDest[5]->text(), QStringLiteral("11"));
        rig.messages.clear();
        w.cmdNetSet->click();
        EXPECT_EQ(rig.messages.lastText(), QStringLiteral("WARNING! First select a device"));
    }
}

TEST_F(EditorTest, LineShowsWithRowZeroUsesTheCurrentRow)
{
    for (int i = 0; i < 5; ++i)
        w.AddDeviceRow(EncodeDiscoveryRecord(SampleDevice(quint8(i))));
    w.grdDevice->setCurrentIndex(w.DeviceGrid().index(2, 4));
    qint16 row = 0;
    w.LineShows(w.grdDevice, row, 0x00FF00, 0x0000FF);
    EXPECT_EQ(row, 3);
    EXPECT_EQ(w.DeviceGrid().HighlightedRow(), 2);
    EXPECT_EQ(w.DeviceGrid().index(2, 0).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(0, 255, 0));
    EXPECT_EQ(w.DeviceGrid().index(2, 0).data(Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 0, 0));
    EXPECT_EQ(w.grdDevice->currentIndex(), w.DeviceGrid().index(2, 4)) << "current row and column are kept";
}

} // namespace
} // namespace qvx::test
