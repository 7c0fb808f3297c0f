// The two sheets keyed by MAC address: the commissioning plan that qvxctl writes, and the
// site sheet it checks the devices against. What their common reader refuses is checked with
// the commissioning sheet.
#include "protocol/CommissionSheet.h"
#include "protocol/SiteCheck.h"

#include <gtest/gtest.h>

using namespace qvx;

TEST(CommissionSheet, ReadsRowsKeyedByMac)
{
    const CommissionSheet sheet = parseCommissionSheet("ip,mac,local_port,parity,bridge\r\n"
                                                       "192.168.1.20,00-04-a3-00-00-01,5000,odd,\r\n"
                                                       "\r\n"
                                                       ",00:04:A3:00:00:02,,,Enable\r\n",
                                                       "site.csv");
    ASSERT_TRUE(sheet.ok()) << sheet.error.toStdString();
    ASSERT_EQ(sheet.rows.size(), 2);
    EXPECT_EQ(sheet.rows[0].macText, "00-04-A3-00-00-01");
    EXPECT_EQ(sheet.rows[0].mac, (Mac6{0x00, 0x04, 0xA3, 0x00, 0x00, 0x01}));
    EXPECT_EQ(sheet.rows[0].line, 2);
    EXPECT_EQ(sheet.rows[0].changes, (QList<FieldChange>{{"ip", "192.168.1.20"}, {"local_port", "5000"}, {"parity", "ODD"}}));
    // Empty cells leave the field as the device has it.
    EXPECT_EQ(sheet.rows[1].macText, "00-04-A3-00-00-02");
    EXPECT_EQ(sheet.rows[1].line, 4);
    EXPECT_EQ(sheet.rows[1].changes, (QList<FieldChange>{{"bridge", "Enable"}}));
}

// Every refusal names the file, the line and the column, and nothing of the sheet is kept.
TEST(CommissionSheet, RefusesBadSheetsAsAWhole)
{
    const struct { const char *text; const char *where; const char *why; } cases[] = {
        {"", "s.csv:1:1: ", "empty"},
        {"ip,local_port\n192.168.0.5,5000\n", "s.csv:1:1: ", "no mac column"},
        {"mac,ipaddress\n00-04-A3-00-00-01,1.2.3.4\n", "s.csv:1:2: ", "unknown field key \"ipaddress\""},
        {"mac,ip,ip\n", "s.csv:1:3: ", "appears twice"},
        {"mac,card\n", "s.csv:1:2: ", "card is read only"},
        {"mac,dhcp\n00-04-A3-00-00-01,Enable\n", "s.csv:1:2: ", "cannot be written by MAC address"},
        {"mac\n", "s.csv:1:1: ", "lists no device"},
        {"mac,ip\n00-04-A3-00-00-1,1.2.3.4\n", "s.csv:2:1: ", "not a MAC address"},
        {"ip,mac\n1.2.3.4,00:04:a3:00:00:01\n\n1.2.3.5,00-04-A3-00-00-01\n", "s.csv:4:2: ",
         "the MAC address 00-04-A3-00-00-01 is already on line 2"},
        // Two devices planned for one address, however written: the later line is refused.
        {"mac,local_port,ip\n00-04-A3-00-00-01,,192.168.0.50\n00-04-A3-00-00-02,,\n"
         "00-04-A3-00-00-03,5000, 192.168.000.050\n",
         "s.csv:4:3: ", "the IP address 192.168.0.50 is already planned for line 2"},
        {"mac,ip\n00-04-A3-00-00-01,1.2.3.256\n", "s.csv:2:2: ", "ip: octet 4 is 256; allowed 0-255"},
        {"mac,local_port\n00-04-A3-00-00-01,65536\n", "s.csv:2:2: ", "Local port Error"},
        {"mac,ip\n00-04-A3-00-00-01\n", "s.csv:2:2: ", "1 cells, the header 2"},
        {"mac,ip\n00-04-A3-00-00-01,1.2.3.4,extra\n", "s.csv:2:3: ", "3 cells, the header 2"},
        {"mac,ip\n00-04-A3-00-00-01,\"1.2.3.4\n", "s.csv:2:2: ", "not closed"},
    };
    for (const auto &c : cases) {
        const CommissionSheet sheet = parseCommissionSheet(QByteArray(c.text), "s.csv");
        EXPECT_FALSE(sheet.ok()) << c.text;
        EXPECT_TRUE(sheet.error.startsWith(c.where)) << c.text << " -> " << sheet.error.toStdString();
        EXPECT_TRUE(sheet.error.contains(c.why)) << c.text << " -> " << sheet.error.toStdString();
        EXPECT_TRUE(sheet.rows.isEmpty());
    }
}

// Only the devices' own addresses must differ between rows: the rest of a site's plan is
// commonly shared (one unit may be the others' bridge destination), and a row without an
// address leaves the device's as it is.
TEST(CommissionSheet, AcceptsSharedSettingsAndRowsWithoutAnAddress)
{
    const CommissionSheet sheet = parseCommissionSheet("mac,ip,mask,gateway,remote_port,bridge_ip_1,source_1\n"
                                                       "00-04-A3-00-00-01,,255.255.255.0,192.168.0.254,5000,10.0.0.9,10.0.0.1\n"
                                                       "00-04-A3-00-00-02,,255.255.255.0,192.168.0.254,5000,10.0.0.9,10.0.0.1\n"
                                                       "00-04-A3-00-00-03,10.0.0.9,255.255.255.0,,5000,,\n"
                                                       "00-04-A3-00-00-04,192.168.0.51,255.255.255.0,192.168.0.254,5000,10.0.0.9,10.0.0.1\n",
                                                       "s.csv");
    ASSERT_TRUE(sheet.ok()) << sheet.error.toStdString();
    ASSERT_EQ(sheet.rows.size(), 4);
    EXPECT_EQ(sheet.rows[2].changes.first(), (FieldChange{"ip", "10.0.0.9"}));
    EXPECT_EQ(sheet.rows[3].changes.first(), (FieldChange{"ip", "192.168.0.51"}));
}

TEST(SiteSheet, RefusesWhatCannotBeChecked)
{
    const struct { const char *csv, *why; } cases[] = {
        {"ip,baud\n192.168.0.1,9600\n", "no mac column"},
        {"mac,ip\n00-04-A3-00-00-01,192.168.0\n", "s.csv:2:2:"},
    };
    for (const auto &c : cases) {
        const SiteSheet sheet = parseSiteSheet(c.csv, QStringLiteral("s.csv"));
        EXPECT_FALSE(sheet.ok()) << c.csv;
        EXPECT_TRUE(sheet.error.contains(QLatin1String(c.why))) << sheet.error.toStdString();
    }
    // Read-only keys and keys only a settings download carries are checked too.
    const SiteSheet sheet = parseSiteSheet("mac,firmware,tcp_mode\n00:04:a3:00:00:01, 2.1 ,\n", "s.csv");
    ASSERT_TRUE(sheet.ok()) << sheet.error.toStdString();
    EXPECT_EQ(sheet.units[0].mac, "00-04-A3-00-00-01");
    EXPECT_EQ(sheet.units[0].values, (FieldValues{{"firmware", "2.1"}})) << "an empty cell is not checked";
    EXPECT_TRUE(needsSettingsDownload(sheet));
    EXPECT_FALSE(needsSettingsDownload(parseSiteSheet("mac,ip,card\n", "s.csv")));
}

TEST(SiteCheck, NamesEveryUnitOnceWithItsStatus)
{
    const SiteSheet sheet = parseSiteSheet("mac,ip,baud\n"
                                           "00-04-A3-00-00-01,192.168.0.21,9600\n"     // matches
                                           "00-04-A3-00-00-02,192.168.0.22,19200\n"    // differs
                                           "00-04-A3-00-00-03,192.168.0.23,\n"         // replaced
                                           "00-04-A3-00-00-04,192.168.0.24,\n",        // missing
                                           "s.csv");
    ASSERT_TRUE(sheet.ok());
    const auto unit = [](const char *mac, const char *ip, const char *baud) {
        return FieldValues{{"mac", mac}, {"ip", ip}, {"baud", baud}};
    };
    const QList<UnitCheck> checks =
        checkSite(sheet, {unit("00-04-A3-00-00-77", "192.168.0.23", "9600"), unit("00-04-A3-00-00-02", "192.168.0.22", "9600"),
                          unit("00-04-A3-00-00-01", "192.168.0.21", "9600"), unit("00-04-A3-00-00-99", "192.168.0.50", "9600")});
    ASSERT_EQ(checks.size(), 5);
    EXPECT_EQ(checks[0].status, UnitCheck::Status::Matches);
    EXPECT_EQ(checks[1].status, UnitCheck::Status::Differs);
    ASSERT_EQ(checks[1].differences.size(), 1);
    EXPECT_EQ(checks[1].differences[0].key, "baud");
    EXPECT_EQ(checks[1].differences[0].planned, "19200");
    EXPECT_EQ(checks[1].differences[0].found, "9600");
    EXPECT_EQ(checks[2].status, UnitCheck::Status::Replaced);
    EXPECT_EQ(checks[2].replacedBy, "00-04-A3-00-00-77");
    EXPECT_EQ(checks[3].status, UnitCheck::Status::Missing);
    EXPECT_EQ(checks[3].ip, "192.168.0.24");
    EXPECT_EQ(checks[3].line, 5);
    EXPECT_EQ(checks[4].status, UnitCheck::Status::NotInSheet) << "the replacement is not listed twice";
    EXPECT_EQ(checks[4].mac, "00-04-A3-00-00-99");
}
