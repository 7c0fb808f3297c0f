// The grid and files: "Export…" writes the listed devices as CSV; "Compare with sheet…"
// marks what differs from a commissioning sheet, shows the planned units that did not answer
// and keeps the comparison across a refresh.
#include "DiscoveryFixture.h"

#include "protocol/RecordFormats.h"

#include <QFile>
#include <QTemporaryDir>

namespace qvx::test {
namespace {

struct Files : DiscoveryTest {
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
    void compareWith(const QByteArray &csv)
    {
        const QString path = dir.filePath(QStringLiteral("site.csv"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(csv);
        file.close();
        w.setSheetPathChooser([path](QWidget *) { return path; });
        click(QStringLiteral("cmdCompareSheet"));
    }

    QTemporaryDir dir;
    const QByteArray header = "mac,ip,mask,gateway,local_port,remote_port,baud,rx_timeout,data_bits,parity,stop_bits,"
                              "default_timeout,source_1,source_2,source_3,source_4,bridge,bridge_local_port,"
                              "bridge_port_1,bridge_port_2,bridge_port_3,bridge_port_4,bridge_port_5,"
                              "bridge_ip_1,bridge_ip_2,bridge_ip_3,bridge_ip_4,bridge_ip_5,card\r\n";
};

// Every listed device under a header of field keys, the card last (none here: no card is
// listed), as qvxctl's --format csv writes them.
TEST_F(Files, WritesEveryListedDeviceUnderAHeaderOfFieldKeys)
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

TEST_F(Files, MarksDifferencesListsMissingUnitsAndSurvivesARefresh)
{
    answer(0x01);
    answer(0x02);
    // Device 01 as planned but its baud; device 02 not in the sheet; 03 planned, silent.
    compareWith("mac,ip,baud\n"
                "00-1A-2B-3C-4D-01,10.0.0.254,19200\n"
                "00-1A-2B-3C-4D-03,10.0.0.77,\n");
    ASSERT_EQ(w.deviceRows().rowCount(), 3);
    EXPECT_EQ(at(0, 6, Qt::DisplayRole).toString(), "9600");
    EXPECT_EQ(at(0, 6, Qt::ToolTipRole).toString(), "The sheet says 19200");
    EXPECT_EQ(at(0, 6, Qt::AccessibleTextRole).toString(), "9600. The sheet says 19200");
    EXPECT_FALSE(at(0, 1, Qt::ToolTipRole).toString().contains("sheet")) << "the address matches";
    EXPECT_EQ(at(1, 0, Qt::ToolTipRole).toString(), "Not in the sheet");
    EXPECT_EQ(at(2, 0, Qt::DisplayRole).toString(), "00-1A-2B-3C-4D-03");
    EXPECT_EQ(at(2, 1, Qt::DisplayRole).toString(), "10.0.0.77");
    EXPECT_TRUE(at(2, 1, Qt::ToolTipRole).toString().startsWith("Planned in the sheet (line 3)"));
    EXPECT_EQ(text(QStringLiteral("lblComparison")), "Compared with site.csv: 1 differs, 1 missing, 1 not in sheet");
    w.clickGridRow(3);
    EXPECT_EQ(w.deviceRows().highlightedRow(), -1) << "a planned unit's row is not a device to write";

    // A refresh keeps the comparison: the planned unit answers now.
    click(QStringLiteral("cmdRefresh"));
    answer(0x03);
    ASSERT_EQ(w.deviceRows().rowCount(), 2) << "device 03 is listed, not missing";
    EXPECT_EQ(text(QStringLiteral("lblComparison")), "Compared with site.csv: 1 differs, 1 missing")
        << "device 01 did not answer this time";
    EXPECT_EQ(at(0, 1, Qt::ToolTipRole).toString(), "The sheet says 10.0.0.77");

    click(QStringLiteral("cmdClearComparison"));
    EXPECT_EQ(w.deviceRows().rowCount(), 1);
    EXPECT_FALSE(at(0, 1, Qt::ToolTipRole).toString().contains("sheet"));
    EXPECT_TRUE(control(QStringLiteral("lblComparison"))->isHidden());
}

TEST_F(Files, CancellingWritesNothingAndAFileRefusedIsReported)
{
    answer();
    exportTo(QString());
    EXPECT_TRUE(h.messages.messages.isEmpty());
    exportTo(dir.filePath("no/such/folder/devices.csv"));
    ASSERT_EQ(h.messages.messages.size(), 1);
    EXPECT_TRUE(h.messages.messages[0].text.startsWith("The devices could not be exported to "));

    compareWith("ip,baud\n10.0.0.254,9600\n");
    ASSERT_EQ(h.messages.messages.size(), 2);
    EXPECT_TRUE(h.messages.lastText().contains("there is no mac column"));
    EXPECT_FALSE(w.deviceRows().hasComparison());
}

} // namespace
} // namespace qvx::test
