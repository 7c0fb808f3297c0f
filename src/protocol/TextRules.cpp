#include "protocol/TextRules.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace qvx {

namespace {

// The characters that numericValue ignores wherever they stand, and that isNumericText
// allows before and after the number.
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDecimalDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Value of an ASCII hexadecimal digit (either case), or -1.
int hexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

// The text with every blank, tab and line feed removed.
QString withoutBlanks(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!isBlank(c))
            out.append(c);
    return out;
}

// Value of "&H..." / "&O..." digits after the prefix, read until the first character that is
// not a digit of the base. Huge digit strings grow to infinity, never NaN.
double radixValue(const QString &s, qsizetype from, int base)
{
    double value = 0;
    for (qsizetype i = from; i < s.size(); ++i) {
        const int d = hexDigitValue(s[i]);
        if (d < 0 || d >= base)
            break;
        value = value * base + d;
    }
    return value;
}

constexpr qint64 kExponentCap = 1'000'000'000'000LL;

// Decimal value of significant digits `sig` (first one non-zero) read as 0.sig × 10^pointPos.
double decimalValue(const std::string &sig, qint64 pointPos)
{
    if (sig.empty())
        return 0.0;
    // 0.sig × 10^pointPos: above 10^309 overflows, below 10^-330 underflows to 0.
    if (pointPos > 400)
        return std::numeric_limits<double>::infinity();
    if (pointPos < -400)
        return 0.0;
    const std::string text = "0." + sig + "e" + std::to_string(pointPos);
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value,
                                        std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range)
        return pointPos > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    if (result.ec != std::errc())
        return 0.0;
    return value;
}

} // namespace

double numericValue(const QString &text)
{
    const QString s = withoutBlanks(text);
    const qsizetype n = s.size();
    qsizetype i = 0;

    if (n > 0 && s[0] == u'&') {
        if (n > 1 && (s[1] == u'H' || s[1] == u'h'))
            return radixValue(s, 2, 16);
        if (n > 1 && (s[1] == u'O' || s[1] == u'o'))
            return radixValue(s, 2, 8);
        return 0.0;
    }

    bool negative = false;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }

    // Mantissa: digits, optionally "." and digits. Significant digits only are kept; the
    // position of the decimal point relative to them is counted in pointPos.
    std::string sig;
    qint64 pointPos = 0;
    bool anyDigit = false;
    for (; i < n && isDecimalDigit(s[i]); ++i) {
        anyDigit = true;
        if (sig.empty() && s[i] == u'0')
            continue; // leading zero of the integer part
        sig.push_back(char(s[i].unicode()));
        ++pointPos;
    }
    if (i < n && s[i] == u'.') {
        ++i;
        for (; i < n && isDecimalDigit(s[i]); ++i) {
            anyDigit = true;
            if (sig.empty() && s[i] == u'0') {
                --pointPos; // leading zero after the point
                continue;
            }
            sig.push_back(char(s[i].unicode()));
        }
    }
    if (!anyDigit)
        return 0.0;

    // Exponent: E or D, either case, optional sign, digits. Without digits it counts for
    // nothing ("1e" is 1).
    if (i < n && (s[i] == u'E' || s[i] == u'e' || s[i] == u'D' || s[i] == u'd')) {
        qsizetype j = i + 1;
        bool expNegative = false;
        if (j < n && (s[j] == u'+' || s[j] == u'-')) {
            expNegative = s[j] == u'-';
            ++j;
        }
        qint64 exponent = 0;
        bool expDigit = false;
        for (; j < n && isDecimalDigit(s[j]); ++j) {
            expDigit = true;
            if (exponent < kExponentCap)
                exponent = exponent * 10 + (s[j].unicode() - u'0');
        }
        if (expDigit)
            pointPos += expNegative ? -exponent : exponent;
    }

    const double magnitude = decimalValue(sig, pointPos);
    return negative ? -magnitude : magnitude;
}

bool isNumericText(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;

    qsizetype i = begin;
    if (i < end && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    for (; i < end && isDecimalDigit(text[i]); ++i)
        ++digits;
    if (i < end && text[i] == u'.') {
        ++i;
        for (; i < end && isDecimalDigit(text[i]); ++i)
            ++digits;
    }
    if (digits == 0)
        return false;
    if (i < end && (text[i] == u'E' || text[i] == u'e')) {
        ++i;
        if (i < end && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        qsizetype expDigits = 0;
        for (; i < end && isDecimalDigit(text[i]); ++i)
            ++expDigits;
        if (expDigits == 0)
            return false;
    }
    return i == end;
}

double roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    // value - floor(value) is exact for every finite double.
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction < 0.5)
        return lower;
    if (fraction > 0.5)
        return lower + 1.0;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

namespace {
template <typename Int>
Int saturated(double rounded)
{
    constexpr double lo = double(std::numeric_limits<Int>::min());
    constexpr double hi = double(std::numeric_limits<Int>::max());
    if (std::isnan(rounded))
        return std::numeric_limits<Int>::max();
    if (rounded >= hi)
        return std::numeric_limits<Int>::max();
    if (rounded <= lo)
        return std::numeric_limits<Int>::min();
    return static_cast<Int>(rounded);
}
} // namespace

qint16 octetFieldValue(const QString &text)
{
    return saturated<qint16>(roundHalfEven(numericValue(text)));
}

qint32 wordFieldValue(const QString &text)
{
    return saturated<qint32>(roundHalfEven(numericValue(text)));
}

std::optional<qint64> wholeNumber(const QString &text)
{
    if (!isNumericText(text))
        return std::nullopt;
    const double rounded = roundHalfEven(numericValue(text));
    // 2^63 is exact as a double; the valid range is [-2^63, 2^63).
    constexpr double limit = 9223372036854775808.0;
    if (!(rounded >= -limit && rounded < limit))
        return std::nullopt;
    return static_cast<qint64>(rounded);
}

qint32 hexPairToByte(const QString &text, int digits)
{
    if (digits < 1 || digits > 4)
        return 0;
    qint32 value = 0;
    for (int i = 0; i < digits; ++i) {
        if (i >= text.size())
            return 65536;
        const int d = hexDigitValue(text[i]);
        if (d < 0)
            return 65536;
        value = value * 16 + d;
    }
    return value;
}

} // namespace qvx
