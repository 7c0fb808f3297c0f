// A grid with thousands of devices: rows keep their order and a row click still fills the
// editor from the right row.
#include "DiscoveryFixture.h"

#include <QSignalSpy>

namespace qvx::test {
namespace {

TEST_F(DiscoveryTest, FiveThousandDevicesAndARowClick)
{
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.cmdRefresh_Click();
    constexpr int kDevices = 5000;
    for (int i = 0; i < kDevices; ++i) {
        DiscoveryRecord r = SampleDevice(quint8(i));
        r.mac[4] = quint8(i >> 8);
        r.ip = {10, 1, quint8(i >> 8), quint8(i)};
        if (i < 3)
            h.endpoint.injectReply(CmdDiscovery, EncodeDiscoveryRecord(r)); // the whole reply road
        else
            w.AddDeviceRow(EncodeDiscoveryRecord(r));
    }
    EXPECT_EQ(state().GridRowCount, kDevices + 1);
    EXPECT_EQ(w.DeviceGrid().DeviceCount(), kDevices);
    EXPECT_EQ(w.lblMsg->text(), "Found 5000 Device");
    QCoreApplication::processEvents(); // let the view lay the rows out once

    QSignalSpy changed(&w.DeviceGrid(), &QAbstractItemModel::dataChanged);
    w.ClickGridRow(4322); // device 4321 = 0x10E1
    EXPECT_EQ(changed.size(), 1);
    EXPECT_EQ(Texts(w.lblMacAddrDest).mid(4), (QStringList{"10", "E1"}));
    EXPECT_EQ(Texts(w.txtIP), (QStringList{"10", "1", "16", "225"}));
    EXPECT_TRUE(state().DeviceSelected);

    // Moving the highlight repaints the two rows concerned, one signal each.
    changed.clear();
    w.ClickGridRow(kDevices);
    ASSERT_EQ(changed.size(), 2);
    QList<int> rows;
    for (const QList<QVariant> &signal : changed) {
        EXPECT_EQ(signal[0].toModelIndex().row(), signal[1].toModelIndex().row());
        rows << signal[0].toModelIndex().row();
    }
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (QList<int>{4321, kDevices - 1}));
    const DeviceGridModel &grid = w.DeviceGrid();
    EXPECT_EQ(grid.index(4321, 0).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(Qt::white));
    EXPECT_EQ(grid.index(kDevices - 1, 9).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(0, 0, 255));

    w.cmdRefresh_Click(); // emptying a full grid for the next discovery
    EXPECT_EQ(w.DeviceGrid().DeviceCount(), 0);
    EXPECT_EQ(state().GridRowCount, 1);
}

} // namespace
} // namespace qvx::test
