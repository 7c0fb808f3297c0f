// Choosing a device row: highlight, editor filled from the row's record, destination.
#include "DiscoveryFixture.h"

#include <QHeaderView>
#include <QRadioButton>
#include <QSignalSpy>

namespace qvx::test {
namespace {

QColor colour(const QModelIndex &index, int role) { return index.data(role).value<QBrush>().color(); }

struct Editor : DiscoveryTest {
    // The editor's boxes, in reading order, blank-joined.
    QString boxes() const
    {
        QStringList rows{RowText(w, "txtMac", 6), RowText(w, "txtIP", 4), RowText(w, "txtMask", 4),
                         RowText(w, "txtGwy", 4), TextOf(w, "txtLocalPort"), TextOf(w, "txtRemotePort"),
                         TextOf(w, "txtTimeOut")};
        for (int k = 1; k <= 4; ++k)
            rows << RowText(w, QStringLiteral("txtSource%1").arg(k), 4);
        rows << TextOf(w, "txtLocalPB") << RowText(w, "txtRemotePB", 5);
        for (int k = 1; k <= 5; ++k)
            rows << RowText(w, QStringLiteral("txtIPB%1").arg(k), 4);
        return rows.join(QLatin1Char(' '));
    }
    // The five lists' current texts, then the bridge option.
    QString choices() const
    {
        QStringList out;
        for (int k = 0; k < 5; ++k)
            out << control<QComboBox>(QStringLiteral("cmbRecord_%1").arg(k))->currentText();
        out << (control<QRadioButton>("optEnableB")->isChecked() ? "on" : "")
            << (control<QRadioButton>("optDisableB")->isChecked() ? "off" : "");
        return out.join(QLatin1Char('|'));
    }
};

TEST_F(Editor, ClickingARowFillsEveryFieldHighlightsItAndTakesItsMacAsDestination)
{
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto *grid = control<QTableView>("grdDevice");
    answer(0x01);
    h.endpoint.injectReply(CmdDiscovery, kSampleDeviceBytes);
    const QModelIndex second = grid->model()->index(1, 3);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(second).center());

    EXPECT_EQ(boxes(), "00 1A 2B 3C 4D 5E 10 0 0 254 255 255 255 0 10 0 0 1 4096 4097 3250 1 2 3 4 5 6 7 8 9 10 11 12 "
                       "13 14 15 16 5000 5001 5002 5003 5004 5005 192 168 1 1 192 168 1 2 192 168 1 3 "
                       "192 168 1 4 192 168 1 5");
    EXPECT_EQ(choices(), "9600|7|ODD|2|ENABLE|on|");
    EXPECT_EQ(RowText(w, "lblMacAddrDest", 6), "00 1A 2B 3C 4D 5E");
    EXPECT_EQ(state().destinationMac, (Mac6{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
    EXPECT_TRUE(state().deviceSelected);

    // The chosen row white on blue, the other black on white; the current cell stays.
    EXPECT_EQ(colour(second.siblingAtColumn(27), Qt::BackgroundRole), QColor(0, 0, 255));
    EXPECT_EQ(colour(second.siblingAtColumn(0), Qt::ForegroundRole), QColor(255, 255, 255));
    EXPECT_EQ(colour(grid->model()->index(0, 5), Qt::BackgroundRole), QColor(255, 255, 255));
    EXPECT_EQ(colour(grid->model()->index(0, 5), Qt::ForegroundRole), QColor(0, 0, 0));
    EXPECT_EQ(grid->currentIndex(), second);

    // Moving the highlight repaints the two rows concerned only, not a grid of thousands.
    QSignalSpy changed(grid->model(), &QAbstractItemModel::dataChanged);
    w.clickGridRow(1);
    ASSERT_EQ(changed.size(), 2);
    for (const QList<QVariant> &signal : changed)
        EXPECT_EQ(signal[0].toModelIndex().row(), signal[1].toModelIndex().row());
    EXPECT_EQ(RowText(w, "lblMacAddrDest", 6), "00 1A 2B 3C 4D 01");
}

// The lists and the bridge option take the device's bytes as the grid shows them: a baud
// code outside the list selects nothing, any non-zero enable byte is "Enable".
TEST_F(Editor, ListsAndBridgeOptionFollowTheRecordsBytes)
{
    const struct { int offset; quint8 byte; const char *choices; } cases[] = {
        {22, 8, "115200|7|ODD|2|ENABLE|on|"}, {22, 9, "|7|ODD|2|ENABLE|on|"},
        {26, 0xC4, "9600|8|EVEN|1|ENABLE|on|"}, {26, 0xC0, "9600|8|NONE|1|ENABLE|on|"},
        {27, 0, "9600|7|ODD|2|DISABLE|on|"}, {27, 2, "9600|7|ODD|2|ENABLE|on|"},
        {44, 0, "9600|7|ODD|2|ENABLE||off"}, {44, 2, "9600|7|ODD|2|ENABLE|on|"},
    };
    for (const auto &c : cases) {
        QByteArray record = kSampleDeviceBytes;
        record[c.offset] = char(c.byte);
        // Start from nothing selected and the other option.
        for (int k = 1; k < 5; ++k)
            control<QComboBox>(QStringLiteral("cmbRecord_%1").arg(k))->setCurrentIndex(-1);
        control<QRadioButton>(c.byte ? "optDisableB" : "optEnableB")->setChecked(true);
        w.clearDeviceGrid();
        h.endpoint.injectReply(CmdDiscovery, record);
        w.clickGridRow(1);
        EXPECT_EQ(choices(), c.choices) << "byte " << c.offset << " = " << int(c.byte);
    }
}

// A short reply fills the fields it carries whole; without its MAC address it names no
// device, and the device chosen before stays the destination.
TEST_F(Editor, AShortReplyFillsWhatItCarriesAndWithoutAMacIsNoDestination)
{
    h.endpoint.injectReply(CmdDiscovery, kSampleDeviceBytes.left(45));
    h.endpoint.injectReply(CmdDiscovery, kSampleDeviceBytes.left(44));
    h.endpoint.injectReply(CmdDiscovery, kSampleDeviceBytes.left(5));
    w.clickGridRow(1);
    EXPECT_EQ(boxes(), "00 1A 2B 3C 4D 5E 10 0 0 254 255 255 255 0 10 0 0 1 4096 4097 3250 1 2 3 4 5 6 7 8 9 10 11 12 "
                       "13 14 15 16" + QString(26, ' '));
    EXPECT_EQ(choices(), "9600|7|ODD|2|ENABLE|on|");
    w.clickGridRow(2);
    EXPECT_EQ(choices(), "9600|7|ODD|2|ENABLE||off") << "the bridge status not carried: disabled";

    state().destinationMac = {1, 2, 3, 4, 5, 6};
    w.clickGridRow(3);
    EXPECT_EQ(RowText(w, "txtMac", 6), "     ");
    EXPECT_EQ(choices(), "||||||off");
    EXPECT_FALSE(state().deviceSelected);
    EXPECT_EQ(state().destinationMac, (Mac6{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(RowText(w, "lblMacAddrDest", 6), "00 1A 2B 3C 4D 5E");
    w.uploadSelectedDevice();
    EXPECT_EQ(h.messages.lastText(), "WARNING! First select a device");
}

TEST_F(Editor, HeaderRowClicksAndClicksOnAnEmptyGridSelectNothing)
{
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto *grid = control<QTableView>("grdDevice");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
    w.clickGridRow(1);
    EXPECT_FALSE(state().deviceSelected);

    answer();
    QHeaderView *header = grid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionSize(0) / 2, header->height() / 2));
    w.clickGridRow(0);
    EXPECT_FALSE(state().deviceSelected);
    EXPECT_EQ(TextOf(w, "txtIP_0"), "");
    EXPECT_EQ(w.deviceRows().highlightedRow(), -1);

    // A device row after all; a later header click, or a new discovery, keeps the choice.
    w.clickGridRow(1);
    w.clickGridRow(0);
    w.onRefreshClicked();
    w.clickGridRow(1);
    EXPECT_TRUE(state().deviceSelected);
    EXPECT_EQ(state().destinationMac, SampleDevice().mac);
    EXPECT_EQ(TextOf(w, "txtIP_3"), "254");
}

} // namespace
} // namespace qvx::test
