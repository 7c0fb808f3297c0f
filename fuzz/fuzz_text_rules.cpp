// The text-to-number rules on arbitrary text, read as UTF-8, as Latin-1 and as UTF-16.
//
// Checked for every text:
// - numericValue is never NaN;
// - a text that isNumericText accepts has the value the C library reads from it (finite,
//   or infinite for a huge exponent), and the same value without its blanks;
// - wholeNumber has a value exactly when the text is numeric and its rounded value fits;
// - octetFieldValue and wordFieldValue are the rounded value, or the saturated bound when it
//   does not fit (UBSan watches the conversions);
// - roundHalfEven gives a whole number at most 0.5 away, halves going to the even one;
// - hexPairToByte reads exactly its digits or gives 65536.
#include "FuzzChecks.h"

#include "protocol/TextRules.h"

#include <cctype>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

using namespace qvx;

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

void checkRounding(double value)
{
    const double r = roundHalfEven(value);
    if (std::isnan(value)) {
        FUZZ_CHECK(std::isnan(r));
        return;
    }
    if (std::isinf(value)) {
        FUZZ_CHECK(r == value);
        return;
    }
    FUZZ_CHECK(r == std::floor(r));
    const double distance = std::fabs(r - value);
    FUZZ_CHECK(distance <= 0.5);
    if (distance == 0.5)
        FUZZ_CHECK(std::fmod(r, 2.0) == 0.0);
}

template <typename Int>
Int expectedField(double rounded)
{
    if (rounded >= double(std::numeric_limits<Int>::max()))
        return std::numeric_limits<Int>::max();
    if (rounded <= double(std::numeric_limits<Int>::min()))
        return std::numeric_limits<Int>::min();
    return static_cast<Int>(rounded);
}

void checkText(const QString &text)
{
    const double value = numericValue(text);
    FUZZ_CHECK(!std::isnan(value));
    checkRounding(value);

    // Blanks anywhere are ignored.
    QString withoutBlanks;
    for (QChar c : text)
        if (!isBlank(c))
            withoutBlanks.append(c);
    const double compact = numericValue(withoutBlanks);
    FUZZ_CHECK(compact == value || (std::isnan(compact) && std::isnan(value)));

    const double rounded = roundHalfEven(value);
    FUZZ_CHECK(octetFieldValue(text) == expectedField<qint16>(rounded));
    FUZZ_CHECK(wordFieldValue(text) == expectedField<qint32>(rounded));

    const bool numeric = isNumericText(text);
    const std::optional<qint64> whole = wholeNumber(text);
    if (!numeric) {
        FUZZ_CHECK(!whole);
    } else {
        // Sign, digits, one point and an E exponent only: ASCII, which the C library reads
        // in the "C" locale the same way (a trailing or leading point included).
        const QString trimmed = text.trimmed();
        const QByteArray ascii = trimmed.toLatin1();
        FUZZ_CHECK(QString::fromLatin1(ascii) == trimmed);
        errno = 0;
        char *end = nullptr;
        const double expected = std::strtod(ascii.constData(), &end);
        FUZZ_CHECK(end == ascii.constData() + ascii.size());
        FUZZ_CHECK(value == expected);
        const bool fits = rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0;
        FUZZ_CHECK(whole.has_value() == fits);
        if (whole)
            FUZZ_CHECK(double(*whole) == rounded);
    }

    for (int digits = -1; digits <= 5; ++digits) {
        const qint32 byte = hexPairToByte(text, digits);
        if (digits < 1 || digits > 4) {
            FUZZ_CHECK(byte == 0);
            continue;
        }
        bool ok = false;
        const QString head = text.left(digits);
        bool allHex = head.size() == digits;
        for (QChar c : head)
            allHex = allHex && c.unicode() < 128 && std::isxdigit(c.unicode());
        const int parsed = allHex ? head.toInt(&ok, 16) : 0;
        FUZZ_CHECK(byte == (allHex && ok ? parsed : 65536));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    std::setlocale(LC_ALL, "C");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const char *chars = reinterpret_cast<const char *>(bytes);
    checkText(QString::fromUtf8(chars, qsizetype(size)));
    checkText(QString::fromLatin1(chars, qsizetype(size)));
    std::u16string units(size / 2, u'\0');
    std::memcpy(units.data(), bytes, units.size() * sizeof(char16_t));
    checkText(QString::fromStdU16String(units));

    // Rounding of every double the bytes spell, NaNs and infinities included.
    for (size_t i = 0; i + sizeof(double) <= size && i < 64; i += sizeof(double)) {
        double d;
        std::memcpy(&d, bytes + i, sizeof d);
        checkRounding(d);
    }
    return 0;
}
