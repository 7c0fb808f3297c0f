#include "dialogs/EntryRules.h"

#include "protocol/TextRules.h"

#include <limits>

namespace qvx {

namespace {

template <typename Int>
std::optional<Int> fitted(const QString &text)
{
    const std::optional<qint64> whole = wholeNumber(text);
    if (!whole || *whole < std::numeric_limits<Int>::min() || *whole > std::numeric_limits<Int>::max())
        return std::nullopt;
    return static_cast<Int>(*whole);
}

} // namespace

qint16 octetEntryValue(const QString &text)
{
    return fitted<qint16>(text).value_or(kOctetMarker);
}

qint32 portEntryValue(const QString &text)
{
    return fitted<qint32>(text).value_or(kPortMarker);
}

std::optional<qint32> macCodeEntryValue(const QString &text)
{
    return fitted<qint32>(text);
}

} // namespace qvx
