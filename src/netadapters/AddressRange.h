#pragma once
#include "protocol/FieldRules.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qvx {

// The addresses a search by address asks, from ranges as an installer types them:
//   "10.1.0.0/22"            a subnet; its network and broadcast addresses are left out
//                            (a /31 or /32 keeps every address it has)
//   "10.1.0.5-10.1.0.40"     every address from the first to the last
//   "10.1.0.7"               one address
// Each address is asked once however many ranges hold it, in ascending order.

// Most addresses one search asks unless the user insists.
constexpr qint64 kScanAddressLimit = 65536;

struct AddressRange {
    quint32 first = 0; // host byte order, inclusive
    quint32 last = 0;
    qint64 size() const { return qint64(last) - qint64(first) + 1; }
};

// One range; the refusal says what is wrong with it.
Checked<AddressRange> parseAddressRange(const QString &text);

// Every address of the ranges, ascending and each once. Refused when a range is malformed,
// when there is none, or when there are more than `limit` addresses (0: no limit).
Checked<QList<quint32>> scanAddresses(const QStringList &ranges, qint64 limit = kScanAddressLimit);

} // namespace qvx
