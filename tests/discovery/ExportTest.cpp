#include "DiscoveryFixture.h"

#include "protocol/FieldKeys.h"
#include "protocol/RecordFormats.h"

#include <QFile>
#include <QTemporaryDir>

using namespace qvx;
using namespace qvx::test;

namespace {

struct Export : DiscoveryTest {
    QTemporaryDir dir;
    QString path = dir.filePath("devices.csv");

    QByteArray written()
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(Export, WritesEveryListedDeviceUnderAHeaderOfFieldKeys)
{
    EXPECT_FALSE(w.exportButton->accessibleName().isEmpty());
    answer(0x5E);
    answer(0x5F);
    int asked = 0;
    w.exportPathChooser = [&](QWidget *) {
        ++asked;
        return path;
    };
    QTest::mouseClick(w.exportButton, Qt::LeftButton);
    EXPECT_EQ(asked, 1);

    const CsvReadResult csv = readCsv(written());
    ASSERT_TRUE(csv.error.isEmpty());
    ASSERT_EQ(csv.records.size(), 3);
    // The settings, then the card the device answered on (none here: no card is listed).
    EXPECT_EQ(csv.records[0].fields, discoveryFieldKeys() + QStringList{kCardKey});
    EXPECT_EQ(csv.records[1].fields, kSampleDeviceRow + QStringList{QString()});
    EXPECT_EQ(csv.records[2].fields[0], "00-1A-2B-3C-4D-5F");
    EXPECT_TRUE(written().startsWith("mac,ip,mask,gateway,"));
    EXPECT_TRUE(written().endsWith("192.168.1.5,\r\n"));
    // What qvxctl's CSV writes for the same devices.
    EXPECT_EQ(written(), csvText(discoveryFieldKeys() + QStringList{kCardKey},
                                 {kSampleDeviceRow + QStringList{QString()}, csv.records[2].fields}));
    EXPECT_TRUE(h.messages.messages.isEmpty());
    EXPECT_TRUE(h.endpoint.sent.isEmpty()) << "export sends nothing";
}

TEST_F(Export, CancellingWritesNothingAndAnUnwritableFileIsReported)
{
    answer();
    w.exportPathChooser = [](QWidget *) { return QString(); };
    w.exportDevices();
    EXPECT_TRUE(h.messages.messages.isEmpty());

    w.exportPathChooser = [&](QWidget *) { return dir.filePath("no/such/folder/devices.csv"); };
    w.exportDevices();
    ASSERT_EQ(h.messages.messages.size(), 1);
    EXPECT_TRUE(h.messages.messages[0].text.startsWith("The devices could not be exported to "));

    // An empty grid exports the header alone.
    h.messages.clear();
    w.clearDeviceGrid();
    w.exportPathChooser = [&](QWidget *) { return path; };
    w.exportDevices();
    EXPECT_EQ(written(), csvText(discoveryFieldKeys() + QStringList{kCardKey}, {}));
}

} // namespace
