// A grid with thousands of devices: rows keep their order and a row click still fills the
// editor from the right row.
#include "DiscoveryRig.h"

#include "discovery/DeviceGridModel.h"
#include "protocol/Commands.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace qvx::test {
namespace {

TEST(GridScale, FiveThousandDevicesAndARowClick)
{
    DiscoveryRig rig;
    rig.start();
    frm03Discovery &w = rig.window();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.cmdRefresh_Click();

    constexpr int kDevices = 5000;
    for (int i = 0; i < kDevices; ++i) {
        DiscoveryRecord r = SampleDevice(quint8(i));
        r.mac[4] = quint8(i >> 8);
        r.ip = {10, 1, quint8(i >> 8), quint8(i)};
        if (i < 3)
            rig.endpoint.injectReply(CmdDiscovery, EncodeDiscoveryRecord(r)); // the whole reply road
        else
            w.AddDeviceRow(EncodeDiscoveryRecord(r));
    }
    EXPECT_EQ(rig.state().GridRowCount, kDevices + 1);
    EXPECT_EQ(w.DeviceGrid().DeviceCount(), kDevices);
    EXPECT_EQ(w.lblMsg->text(), QStringLiteral("Found 5000 Device"));
    QCoreApplication::processEvents(); // let the view lay the rows out once

    QSignalSpy changed(&w.DeviceGrid(), &QAbstractItemModel::dataChanged);
    w.ClickGridRow(4322); // device 4321 = 0x10E1
    EXPECT_EQ(changed.size(), 1);
    EXPECT_EQ(w.lblMacAddrDest[4]->text(), QStringLiteral("10"));
    EXPECT_EQ(w.lblMacAddrDest[5]->text(), QStringLiteral("E1"));
    EXPECT_EQ(w.txtIP[2]->text(), QStringLiteral("16"));
    EXPECT_EQ(w.txtIP[3]->text(), QStringLiteral("225"));
    EXPECT_TRUE(rig.state().DeviceSelected);

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
    QCoreApplication::processEvents();

    // Emptying a full grid for the next discovery.
    w.cmdRefresh_Click();
    EXPECT_EQ(w.DeviceGrid().DeviceCount(), 0);
    EXPECT_EQ(rig.state().GridRowCount, 1);
}

} // namespace
} // namespace qvx::test
