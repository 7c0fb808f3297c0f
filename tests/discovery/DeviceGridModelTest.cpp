#include "Samples.h"

#include "discovery/DeviceGridModel.h"

#include <QBrush>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace qvx;
using namespace qvx::test;

// A row batch: the rows count at once for the program and reach the views in one insertion
// when the batch ends, or as soon as one of them is highlighted; the views are only ever
// told of rows they know.
TEST(DeviceGridModel, RowBatchesReachTheViewsInOneInsertion)
{
    DeviceGridModel model;
    model.appendDevice(kSampleDeviceBytes);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    int changes = 0;
    QObject::connect(&model, &QAbstractItemModel::dataChanged, [&](const QModelIndex &from, const QModelIndex &to) {
        ++changes;
        EXPECT_TRUE(model.checkIndex(from, QAbstractItemModel::CheckIndexOption::IndexIsValid));
        EXPECT_TRUE(model.checkIndex(to, QAbstractItemModel::CheckIndexOption::IndexIsValid));
    });

    model.beginRowBatch();
    for (int i = 1; i <= 50; ++i)
        model.appendDevice(kSampleDeviceBytes); // all at one address: the first row is flagged
    EXPECT_EQ(model.deviceCount(), 51);
    EXPECT_EQ(model.flagsOf(50).sharedBy, 51);
    EXPECT_EQ(model.rowCount(), 1) << "the views do not know of the batch yet";
    EXPECT_GT(changes, 0);
    EXPECT_EQ(inserted.count(), 0);
    model.endRowBatch();
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 1);
    EXPECT_EQ(inserted[0][2].toInt(), 50);
    EXPECT_EQ(model.rowCount(), 51);

    model.beginRowBatch();
    model.appendDevice(kSampleDeviceBytes);
    model.highlightRow(51, Qt::blue, Qt::white);
    EXPECT_EQ(model.rowCount(), 52);
    EXPECT_EQ(model.data(model.index(51, 0), Qt::BackgroundRole).value<QBrush>().color(), QColor(Qt::blue));
    model.endRowBatch();
    EXPECT_EQ(inserted.count(), 2);
}
