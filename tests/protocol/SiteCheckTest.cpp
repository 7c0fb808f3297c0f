// A site checked against its sheet: which sheets are refused, and the status of every unit.
#include "protocol/SiteCheck.h"

#include <gtest/gtest.h>

namespace qvx {
namespace {

TEST(SiteSheet, RefusesWhatCannotBeChecked)
{
    const struct { const char *csv, *why; } cases[] = {
        {"ip,baud\n192.168.0.1,9600\n", "no mac column"},
        {"mac,speed\n00-04-A3-00-00-01,9600\n", "unknown field key \"speed\""},
        {"mac,ip\n00-04-A3-00-00-01,192.168.0.1\n00:04:a3:00:00:01,192.168.0.2\n", "already on line 2"},
        {"mac,ip\n00-04-A3-00-00-01\n", "the row has 1 cells, the header 2"},
        {"mac,ip\n00-04-A3-00-00-01,192.168.0\n", "s.csv:2:2:"},
        {"mac,ip,ip\n", "appears twice"},
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

} // namespace
} // namespace qvx
