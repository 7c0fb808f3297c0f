#include "protocol/TextRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace qvx;

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
QString q(const char *text) { return QString::fromUtf8(text); }
} // namespace

TEST(TextRules, numericValue)
{
    const struct { const char *text; double value; } cases[] = {
        {"", 0}, {"abc", 0}, {"12abc", 12}, {"007", 7},
        {"-5", -5}, {"+5", 5}, {"-", 0}, {"--5", 0}, {"5-", 5},
        {" \t1\n2 ", 12}, {"- 5", -5}, {"1 e 2", 100}, {"1\r2", 1},
        {".5", 0.5}, {"-.5", -0.5}, {"5.", 5}, {".", 0}, {"1.2.3", 1.2}, {"12,5", 12},
        {"1E2", 100}, {"1d2", 100}, {"1D-2", 0.01}, {"1e+2", 100}, {"2.5e-1", 0.25},
        {"1e", 1}, {"1e-", 1}, {"1e2e3", 100}, {".e5", 0}, {"e5", 0}, {"1.e2", 100},
        {"&H10", 16}, {"&hff", 255}, {"&HFG", 15}, {"&HFFFF", 65535}, {"&H", 0},
        {"&O17", 15}, {"&o8", 0}, {"& H 1 0", 16}, {"&", 0}, {"&10", 0}, {"-&H10", 0}, {"0x10", 0},
        {"-99999999999", -99999999999.0}, {"1.7976931348623157e308", 1.7976931348623157e308},
        {"123456789012345678901234567890", 123456789012345678901234567890.0},
        {"0.1", 0.1}, {"4.9e-324", 4.9e-324}, {"1e-999", 0}, {"0e999999999999999999999", 0},
        {"-1e999", -kInf}, {"1.8e308", kInf}, {"1e99999999999999999999999", kInf},
    };
    for (const auto &c : cases)
        EXPECT_EQ(numericValue(q(c.text)), c.value) << c.text;

    // Long digit strings never give NaN.
    EXPECT_EQ(numericValue(QStringLiteral("&H") + QString(400, u'F')), kInf);
    EXPECT_EQ(numericValue(QString(400, u'9')), kInf);
    EXPECT_EQ(numericValue(QStringLiteral("0.") + QString(400, u'0') + QStringLiteral("1e401")), 1.0);
    EXPECT_EQ(numericValue(QString(400, u'0') + QStringLiteral("1")), 1.0);
}

TEST(TextRules, isNumericText)
{
    for (const char *text : {"0", " 12 ", "\t12\n", "-1", "+1", ".5", "1.", "-.5", "1E+5",
                             "-1.5e10", "1e999", "007"})
        EXPECT_TRUE(isNumericText(q(text))) << text;
    for (const char *text : {"", " ", "+", ".", "-.e1", "1e+", "1.2.3", "12abc", "&H10", "1 2",
                             "- 1", "1 e5", "1d2", "e5", "1e5.5", "--1", "1-", "1,5", "1e5e5"})
        EXPECT_FALSE(isNumericText(q(text))) << text;
    EXPECT_FALSE(isNumericText(QString::fromUtf8("\u0661"))); // Arabic-Indic digit one
}

TEST(TextRules, roundHalfEven)
{
    const struct { double in, out; } cases[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {0.5, 0}, {-0.5, 0},
        {2.4, 2}, {2.6, 3}, {-2.6, -3}, {7, 7},
        {0.49999999999999994, 0}, {4503599627370495.5, 4503599627370496.0},
        {4503599627370497.0, 4503599627370497.0}, {1e300, 1e300}, {kInf, kInf}, {-kInf, -kInf},
    };
    for (const auto &c : cases)
        EXPECT_EQ(roundHalfEven(c.in), c.out) << c.in;
}

TEST(TextRules, FieldValuesSaturate)
{
    const struct { const char *text; qint16 octet; qint32 word; } cases[] = {
        {"abc", 0, 0}, {"12abc", 12, 12},
        {"255.4", 255, 255}, {"254.5", 254, 254}, {"255.5", 256, 256}, {"-0.4", 0, 0},
        {"32767", 32767, 32767}, {"32768", 32767, 32768},
        {"-32768", -32768, -32768}, {"-40000", -32768, -40000}, {"&HFFFF", 32767, 65535},
        {"2147483646.5", 32767, 2147483646}, {"2147483647", 32767, 2147483647},
        {"2147483648", 32767, 2147483647}, {"-2147483648", -32768, -2147483647 - 1},
        {"-2147483649", -32768, -2147483647 - 1},
        {"1e999", 32767, 2147483647}, {"-1e999", -32768, -2147483647 - 1},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(octetFieldValue(q(c.text)), c.octet) << c.text;
        EXPECT_EQ(wordFieldValue(q(c.text)), c.word) << c.text;
    }
}

TEST(TextRules, wholeNumber)
{
    const struct { const char *text; std::optional<qint64> value; } cases[] = {
        {"12", 12}, {" 2.5 ", 2}, {"3.5", 4}, {"-5", -5}, {"1e2", 100},
        {"99999999999", 99999999999LL}, {"1e18", 1000000000000000000LL},
        {"-9223372036854775808", std::numeric_limits<qint64>::min()},
        {"9223372036854775807", std::nullopt}, // rounds to 2^63 as a double
        {"9.3e18", std::nullopt}, {"1e300", std::nullopt}, {"1e999", std::nullopt},
        {"-1e999", std::nullopt}, {"", std::nullopt}, {"abc", std::nullopt},
        {"12abc", std::nullopt}, {"&H10", std::nullopt}, {"1 2", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(wholeNumber(q(c.text)), c.value) << c.text;
}

TEST(TextRules, hexPairToByte)
{
    const struct { const char *text; int digits; qint32 value; } cases[] = {
        {"0a", 2, 10}, {"FF", 2, 255}, {"00", 2, 0},
        {"12Z", 2, 0x12}, {"7", 1, 7}, {"abc", 3, 0xABC}, {"FFFF", 4, 65535},
        {"G1", 2, 65536}, {"1G", 2, 65536}, {"7", 2, 65536}, {"", 1, 65536}, {" 1", 2, 65536},
        {"-1", 2, 65536}, {"123", 4, 65536},
        {"12", 0, 0}, {"12345", 5, 0}, {"12", -1, 0}, {"", 5, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(hexPairToByte(q(c.text), c.digits), c.value) << c.text << " / " << c.digits;
}
