#pragma once
#include "protocol/FieldKeys.h"
#include "protocol/Layouts.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace qvx {

// A commissioning sheet: CSV with a header of field keys, one row per device keyed by its
// current MAC address ("mac"), every other column a field to write by MAC address. An empty
// cell leaves that field as the device has it.
struct SheetRow {
    int line = 0;
    Mac6 mac{};
    QString macText; // shown form, 00-04-A3-00-00-01
    QList<FieldChange> changes;
};

struct CommissionSheet {
    QList<SheetRow> rows;
    // Set when the sheet is refused as a whole: "FILE:LINE:COLUMN: why".
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// For a dotted address value, the first octet above 255 as the command line words it
// ("ip: octet 4 is 300; allowed 0-255"); nothing for any other value. The windows word the
// same refusal with their own captions.
std::optional<QString> octetRefusal(const QString &key, const QString &value);

// Reads and checks the whole sheet before anything is sent. Refused: text that is not CSV,
// no header or no "mac" column, an unknown, repeated, read-only key or one that cannot be
// written by MAC address, a row with more or fewer cells than the header, a malformed or
// repeated MAC address, a malformed value, a value the upload's own checks refuse (with
// their message), or an IP address that an earlier row already plans (two devices would end up
// at one address). A repeat is refused on its later line, naming the earlier one.
// `fileName` only names the file in the message.
CommissionSheet parseCommissionSheet(const QByteArray &content, const QString &fileName);

} // namespace qvx
