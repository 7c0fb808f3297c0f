#include "DiscoveryFixture.h"

#include "protocol/RecordFormats.h"

#include <QFile>
#include <QTemporaryDir>

namespace qvx::test {
namespace {

struct Export : DiscoveryTest {
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
    QTemporaryDir dir;
    const QByteArray header = "mac,ip,mask,gateway,local_port,remote_port,baud,rx_timeout,data_bits,parity,stop_bits,"
                              "default_timeout,source_1,source_2,source_3,source_4,bridge,bridge_local_port,"
                              "bridge_port_1,bridge_port_2,bridge_port_3,bridge_port_4,bridge_port_5,"
                              "bridge_ip_1,bridge_ip_2,bridge_ip_3,bridge_ip_4,bridge_ip_5,card\r\n";
};

// Every listed device under a header of field keys, the card last (none here: no card is
// listed), as qvxctl's --format csv writes them.
TEST_F(Export, WritesEveryListedDeviceUnderAHeaderOfFieldKeys)
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

TEST_F(Export, CancellingWritesNothingAndAnUnwritableFileIsReported)
{
    answer();
    exportTo(QString());
    EXPECT_TRUE(h.messages.messages.isEmpty());
    exportTo(dir.filePath("no/such/folder/devices.csv"));
    ASSERT_EQ(h.messages.messages.size(), 1);
    EXPECT_TRUE(h.messages.messages[0].text.startsWith("The devices could not be exported to "));
}

} // namespace
} // namespace qvx::test
