#include "protocol/RecordFormats.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace qvx;

TEST(RecordFormats, CsvQuotesOnlyWhatNeedsItAndReadsBackItsForms)
{
    const struct { const char *in, *out; } cases[] = {
        {"192.168.0.1", "192.168.0.1"}, {"", ""},   {"a,b", "\"a,b\""}, {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""}, {"cr\rhere", "\"cr\rhere\""}, {" lead", "\" lead\""},
        {"trail ", "\"trail \""},       {"Modalità", "Modalità"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(csvField(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
    // A field that starts with a byte order mark is quoted, so that it is not taken for one.
    const QString marked = QChar(0xFEFF) + QStringLiteral("mac");
    EXPECT_EQ(readCsv(csvText({marked}, {})).records[0].fields, QStringList{marked});

    const QStringList header{"mac", "ip", "note"};
    const QList<QStringList> rows{{"00-04-A3-00-00-01", "192.168.0.1", "plain"},
                                  {"00-04-A3-00-00-02", "", "comma, \"quote\"\nand line è"}};
    const QByteArray csv = csvText(header, rows);
    EXPECT_TRUE(csv.startsWith("mac,ip,note\r\n00-04-A3-00-00-01,192.168.0.1,plain\r\n"));
    EXPECT_TRUE(csv.endsWith("\"comma, \"\"quote\"\"\nand line \xC3\xA8\"\r\n"));
    const CsvReadResult back = readCsv(csv);
    ASSERT_TRUE(back.error.isEmpty()) << back.error.toStdString();
    ASSERT_EQ(back.records.size(), 3);
    EXPECT_EQ(back.records[0].fields, header);
    EXPECT_EQ(back.records[2].fields, rows[1]);
    EXPECT_EQ(back.records[2].line, 3);

    // LF line ends, a byte order mark, blank lines, a quoted empty field, a final line
    // without its end.
    const CsvReadResult r = readCsv("\xEF\xBB\xBFmac,ip\n\n00-04-A3-00-00-01,\"\"\r\n\r\nlast,row");
    ASSERT_TRUE(r.error.isEmpty());
    ASSERT_EQ(r.records.size(), 3);
    EXPECT_EQ(r.records[0].fields, (QStringList{"mac", "ip"}));
    EXPECT_EQ(r.records[1].fields, (QStringList{"00-04-A3-00-00-01", ""}));
    EXPECT_EQ(r.records[1].line, 3);
    EXPECT_EQ(r.records[2].line, 5);
    EXPECT_EQ(r.records[2].fields, (QStringList{"last", "row"}));
}

TEST(RecordFormats, JsonKeepsKeyOrderAndEscapesAndTheTableAlignsColumns)
{
    const QByteArray json = jsonText({"mac", "ip", "note"}, {{"00-04-A3-00-00-01", "10.0.0.1", "a \"b\"\\\n\t\x01"}});
    EXPECT_LT(json.indexOf("\"mac\""), json.indexOf("\"ip\""));
    EXPECT_LT(json.indexOf("\"ip\""), json.indexOf("\"note\""));
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.toStdString();
    EXPECT_EQ(doc.array()[0].toObject()["note"].toString(), QString("a \"b\"\\\n\t\x01"));
    EXPECT_EQ(jsonText({"mac"}, {}), QByteArray("[]\n"));

    const QList<QByteArray> lines = tableText({"mac", "ip"}, {{"00-04-A3-00-00-01", "1.2.3.4"}, {"x", "10.0.0.1"}}).split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0].indexOf("ip"), lines[1].indexOf("1.2.3.4"));
    EXPECT_EQ(lines[0].indexOf("ip"), lines[2].indexOf("10.0.0.1"));
}

TEST(RecordFormats, ReadCsvRefusesBrokenText)
{
    const struct { QByteArray text; int line, column; const char *why; } cases[] = {
        {"mac,ip\nab\"c,1\n", 2, 1, "quote inside"},
        {"mac,ip\n\"a\"b,1\n", 2, 1, "after the closing quote"},
        {"mac,ip\nx,\"open\nstill\n", 2, 2, "not closed"},
        {"mac\n\xFF\xFE\n", 1, 1, "not UTF-8"},
    };
    for (const auto &c : cases) {
        const CsvReadResult r = readCsv(c.text);
        EXPECT_TRUE(r.error.contains(c.why)) << r.error.toStdString();
        EXPECT_EQ(r.errorLine, c.line) << c.why;
        EXPECT_EQ(r.errorColumn, c.column) << c.why;
        EXPECT_TRUE(r.records.isEmpty());
    }
}
