#include "Samples.h"

#include "discovery/DeviceGridModel.h"
#include "netadapters/LocalCard.h"
#include "protocol/Layouts.h"

#include <QBrush>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace qvx;
using namespace qvx::test;

// A row made from a reply's record shows, cell by cell and whoever asks (the view or a
// caller of cell()), exactly the texts of that record, for every length a reply may have.
TEST(DeviceGridModel, RowsFromRecordsShowTheRecordsTexts)
{
    DeviceGridModel model;
    QList<QByteArray> records;
    for (int length = 0; length <= kDiscoveryRecordLength; ++length)
        records << kSampleDeviceBytes.left(length);
    // A row from a record carries its card and flags like any other.
    LocalCard card;
    card.name = QStringLiteral("eth1");
    card.address = 0x0A000001;
    card.prefixLength = 8;
    records << kSampleDeviceBytes + Hex("FFFF") << encodeDiscoveryRecord(SampleDevice(0x01));
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    for (const QByteArray &record : std::as_const(records))
        model.appendDevice(record, card);
    ASSERT_EQ(model.deviceCount(), records.size());
    EXPECT_EQ(inserted.count(), records.size());
    EXPECT_EQ(model.rowCount(), records.size());
    EXPECT_EQ(model.columnCount(), DeviceGridModel::kColumns);

    for (int row = 0; row < records.size(); ++row) {
        const QStringList expected = discoveryRowTexts(records[row]);
        for (int column = 0; column < DeviceGridModel::kSettingsColumns; ++column) {
            SCOPED_TRACE(testing::Message() << "row " << row << " column " << column);
            EXPECT_EQ(model.cell(row, column), expected[column]);
            EXPECT_EQ(model.data(model.index(row, column)).toString(), expected[column]);
        }
    }
    EXPECT_EQ(model.cell(records.size() - 2, 0), kSampleDeviceRow[0]);
    EXPECT_EQ(model.cell(records.size() - 1, 0), "00-1A-2B-3C-4D-01");
    EXPECT_EQ(model.cell(0, DeviceGridModel::kCardColumn), card.label());
    // Every record long enough to hold the address has 10.0.0.254: all of them share it.
    EXPECT_EQ(model.flagsOf(9).sharedBy, 0) << "nine bytes hold no address";
    EXPECT_EQ(model.flagsOf(10).sharedBy, records.size() - 10);
    EXPECT_FALSE(model.flagsOf(10).outsideSubnet);
}

// Rows given as texts keep them; outside the grid every cell is empty; clearing empties it.
TEST(DeviceGridModel, RowsFromTextsAndCellsOutsideTheGrid)
{
    DeviceGridModel model;
    model.appendDevice(kSampleDeviceBytes);
    model.appendDevice(QStringList{"00-1A-ZZ-3C-4D-5E", "10.0.0.9"});
    model.appendDevice(QStringList(40, QStringLiteral("x")));

    EXPECT_EQ(model.cell(0, 1), kSampleDeviceRow[1]);
    EXPECT_EQ(model.cell(1, 0), "00-1A-ZZ-3C-4D-5E");
    EXPECT_EQ(model.cell(1, 1), "10.0.0.9");
    EXPECT_EQ(model.cell(1, 2), "");
    EXPECT_EQ(model.cell(2, DeviceGridModel::kSettingsColumns - 1), "x");
    EXPECT_EQ(model.cell(2, DeviceGridModel::kCardColumn), "") << "the card is no text of the row";
    for (const auto &[row, column] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, DeviceGridModel::kColumns}})
        EXPECT_EQ(model.cell(row, column), "") << row << "," << column;
    EXPECT_FALSE(model.data(model.index(3, 0)).isValid());

    model.clear();
    EXPECT_EQ(model.deviceCount(), 0);
    EXPECT_EQ(model.cell(0, 0), "");
}

// A row batch: the rows count at once for the program, and reach the views in one
// insertion when the batch ends (or as soon as one of them is highlighted).
TEST(DeviceGridModel, RowBatchesReachTheViewsInOneInsertion)
{
    DeviceGridModel model;
    model.appendDevice(kSampleDeviceBytes);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    // The rows all share one address: the rows the views know of are told of the flag,
    // through indexes they can use.
    int changes = 0;
    QObject::connect(&model, &QAbstractItemModel::dataChanged, [&](const QModelIndex &from, const QModelIndex &to) {
        ++changes;
        EXPECT_TRUE(model.checkIndex(from, QAbstractItemModel::CheckIndexOption::IndexIsValid));
        EXPECT_TRUE(model.checkIndex(to, QAbstractItemModel::CheckIndexOption::IndexIsValid));
    });

    model.beginRowBatch();
    for (int i = 1; i <= 50; ++i)
        model.appendDevice(encodeDiscoveryRecord(SampleDevice(quint8(i))));
    EXPECT_EQ(model.deviceCount(), 51);
    EXPECT_EQ(model.cell(50, 0), "00-1A-2B-3C-4D-32");
    EXPECT_EQ(model.rowCount(), 1) << "the views do not know of the batch yet";
    EXPECT_GT(changes, 0);
    EXPECT_EQ(model.flagsOf(50).sharedBy, 51);
    EXPECT_EQ(inserted.count(), 0);
    model.endRowBatch();
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 1);
    EXPECT_EQ(inserted[0][2].toInt(), 50);
    EXPECT_EQ(model.rowCount(), 51);
    EXPECT_EQ(model.data(model.index(50, 0)).toString(), "00-1A-2B-3C-4D-32");
    model.endRowBatch();
    EXPECT_EQ(inserted.count(), 1) << "nothing more to announce";

    model.beginRowBatch();
    model.appendDevice(kSampleDeviceBytes);
    model.highlightRow(51, Qt::blue, Qt::white);
    EXPECT_EQ(model.rowCount(), 52);
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(model.data(model.index(51, 0), Qt::BackgroundRole).value<QBrush>().color(), QColor(Qt::blue));
    model.endRowBatch();
    EXPECT_EQ(inserted.count(), 2);
}
