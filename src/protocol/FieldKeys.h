#pragma once
#include "protocol/FieldRules.h"
#include "protocol/Layouts.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace qvx {

// The names of a device's fields as qvxctl, its JSON objects, its CSV headers and the
// discovery window's export use them, with their values in the shown forms of the device
// grid (dotted addresses, "9600", "NONE" / "EVEN" / "ODD", "Enable" / "Disable").
//
// Two records carry fields: the discovery record (command 107, one per device, written back
// by MAC address with command 108) and the settings download (command 97, written back by
// address with command 98). Some keys exist in only one of them.

// The 28 keys of the discovery record, in the device grid's column order, so that key i
// names grid column i.
const QStringList &discoveryFieldKeys();
// The keys of the settings download, in the programmer window's order.
const QStringList &settingsFieldKeys();
// Every key once, for help texts: the discovery keys, then those only in the settings
// download, then "card".
const QStringList &allFieldKeys();

inline const QString kCardKey = QStringLiteral("card");
inline const QString kMacKey = QStringLiteral("mac");

bool isFieldKey(const QString &key);
// "firmware" and "card" describe a device but are never written.
bool isReadOnlyKey(const QString &key);
bool inDiscoveryRecord(const QString &key);
bool inSettingsDownload(const QString &key);

// A device's fields: key -> shown text.
using FieldValues = QMap<QString, QString>;

// From the data of a discovery reply (77 bytes; fields beyond a shorter record are empty)
// and the card it arrived on (empty when unknown).
FieldValues discoveryFieldValues(const QByteArray &recordData, const QString &card = QString());
// From the data of a settings reply (33 bytes; 28 leave dhcp, protocol, tcp_mode and
// tcp_server empty).
FieldValues settingsFieldValues(const QByteArray &settingsData);
// The values of `keys` in order, empty text for a key without a value.
QStringList valuesInOrder(const FieldValues &values, const QStringList &keys);

// One change asked for: a known key and its value in the shown form.
struct FieldChange {
    QString key;
    QString value;
    bool operator==(const FieldChange &) const = default;
};

// Checks the form of a value for a key and returns it in the shown form: addresses are four
// dotted decimal numbers, ports and timeouts decimal digits, MAC addresses six pairs of hex
// digits joined by "-" or ":" (shown upper case with "-"), list values one of their items
// (any letter case). Ranges are left to the write's own checks, so that their messages are
// the windows'. A read-only or unknown key is refused.
Checked<QString> normalizeFieldValue(const QString &key, const QString &value);
// "KEY=VALUE" with a known key and a well-formed value.
Checked<FieldChange> parseFieldAssignment(const QString &text);

// The two writes that change a device's fields from a record it gave plus the changes, with
// the checks and messages of the window that makes the same write.

// Command 108 by MAC address, from the device's discovery record: the discovery window's
// editor filled from the record's grid row, the changes typed into it ("mac" is the new MAC
// address), then "Upload selected device"'s checks. Keys not in the discovery record are
// refused with a plain message.
Checked<DiscoveryRecord> deviceUploadWithChanges(const QByteArray &recordData, const QList<FieldChange> &changes);

// Command 98 by address, from the device's settings download: the programmer window's boxes
// filled from the download, the changes typed into them (each address box and the receive
// timeout pass their leaving checks), then "Upload Settings"' checks. A new baud rate without
// a new rx_timeout takes that rate's automatic timeout, as the window's automatic mode does.
// "mac", source and bridge keys are refused with a plain message naming the command that
// sets them.
Checked<SettingsUploadBlock> settingsUploadWithChanges(const QByteArray &settingsData,
                                                       const QList<FieldChange> &changes);

// The shown values a settings upload should read back as (firmware taken from `before`).
FieldValues expectedSettingsValues(const SettingsUploadBlock &block, const QByteArray &before);

// The keys whose values differ between two records, in `keys` order.
QStringList changedKeys(const FieldValues &before, const FieldValues &after, const QStringList &keys);

} // namespace qvx
