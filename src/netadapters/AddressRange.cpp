#include "netadapters/AddressRange.h"

#include "netadapters/LocalCard.h"

#include <algorithm>

namespace qvx {

namespace {

Checked<AddressRange> refused(const QString &text, const QString &why)
{
    return {std::nullopt, QStringLiteral("%1: %2").arg(text, why)};
}

} // namespace

Checked<AddressRange> parseAddressRange(const QString &input)
{
    const QString text = input.trimmed();
    if (text.isEmpty())
        return refused(input, QStringLiteral("an empty range"));
    const qsizetype slash = text.indexOf(QLatin1Char('/'));
    if (slash >= 0) {
        const std::optional<quint32> base = parseDotted(text.left(slash));
        bool ok = false;
        const QString bitsText = text.mid(slash + 1);
        const int bits = bitsText.toInt(&ok);
        if (!base)
            return refused(input, QStringLiteral("not an IPv4 address before the /"));
        if (!ok || bits < 0 || bits > 32 || bitsText.startsWith(QLatin1Char('+')))
            return refused(input, QStringLiteral("the prefix length must be 0 to 32"));
        const quint32 mask = bits == 0 ? 0 : ~quint32(0) << (32 - bits);
        AddressRange range{*base & mask, (*base & mask) | ~mask};
        if (bits < 31) {
            ++range.first; // the network's own address
            --range.last;  // its broadcast address
        }
        return {range, {}};
    }
    const qsizetype dash = text.indexOf(QLatin1Char('-'));
    const std::optional<quint32> first = parseDotted(dash >= 0 ? text.left(dash).trimmed() : text);
    const std::optional<quint32> last = dash >= 0 ? parseDotted(text.mid(dash + 1).trimmed()) : first;
    if (!first || !last)
        return refused(input, QStringLiteral("not an IPv4 address, an address range A.B.C.D-E.F.G.H or a "
                                             "subnet A.B.C.D/N"));
    if (*last < *first)
        return refused(input, QStringLiteral("the range ends before it starts"));
    return {AddressRange{*first, *last}, {}};
}

Checked<QList<quint32>> scanAddresses(const QStringList &ranges, qint64 limit)
{
    QList<AddressRange> parsed;
    for (const QString &text : ranges) {
        const Checked<AddressRange> range = parseAddressRange(text);
        if (!range.ok())
            return {std::nullopt, range.refusal};
        parsed << *range.value;
    }
    if (parsed.isEmpty())
        return {std::nullopt, QStringLiteral("no address range given")};
    // Counted before anything is listed, so that a typo like /8 costs no memory.
    std::sort(parsed.begin(), parsed.end(), [](const AddressRange &a, const AddressRange &b) { return a.first < b.first; });
    qint64 distinct = 0;
    qint64 coveredUpTo = -1;
    for (const AddressRange &r : parsed) {
        const qint64 from = std::max<qint64>(r.first, coveredUpTo + 1);
        if (from <= qint64(r.last))
            distinct += qint64(r.last) - from + 1;
        coveredUpTo = std::max<qint64>(coveredUpTo, r.last);
    }
    if (limit > 0 && distinct > limit)
        return {std::nullopt, QStringLiteral("%1 addresses: more than %2 in one search")
                                  .arg(distinct)
                                  .arg(limit)};
    QList<quint32> addresses;
    addresses.reserve(distinct);
    coveredUpTo = -1;
    for (const AddressRange &r : parsed) {
        for (qint64 a = std::max<qint64>(r.first, coveredUpTo + 1); a <= qint64(r.last); ++a)
            addresses << quint32(a);
        coveredUpTo = std::max<qint64>(coveredUpTo, r.last);
    }
    return {addresses, {}};
}

} // namespace qvx
