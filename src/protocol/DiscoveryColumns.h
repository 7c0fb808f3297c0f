#pragma once
#include "protocol/FieldRules.h"
#include "protocol/Layouts.h"

#include <QString>
#include <array>

namespace qvx {

// How a field's value is shown, and so how a value typed for it is read.
enum class FieldKind { Mac, Address, Number, Baud, DataBits, Parity, StopBits, EnableDisable, Protocol, TcpMode, ReadOnly };

// One field of the discovery record (reply to 107) and everything the program writes about
// it: the device grid's column, qvxctl's key (JSON, CSV, changes), the details editor.
struct DiscoveryColumn {
    const char *key;        // "mac" ... "bridge_ip_5"
    const char *header;     // the grid's header text
    int offset;             // where the field lies in the record (data offset)
    int width;              // and its bytes
    const char *widestText; // the widest text the cell usually shows
    int widthTwips;         // the column's least width
    FieldKind kind;
    // The shown text of the field ("10.0.0.254", "9600", "EVEN", "Enable").
    QString (*text)(const DiscoveryRecord &record);
    // Puts a shown text into the editor: an address into its four boxes, a list's text as
    // the index of the same item (none when no item has it), the bridge status as the option.
    void (*toEditor)(DeviceEditorTexts &editor, const QString &text);

    // A record of `recordLength` bytes carries the whole field.
    bool carriedBy(int recordLength) const { return recordLength >= offset + width; }
};

// The 28 fields in the grid's column order: column i is kDiscoveryColumns[i].
extern const std::array<DiscoveryColumn, kDeviceGridColumns> kDiscoveryColumns;

// The column of a field key; nullptr for a key the discovery record does not carry.
const DiscoveryColumn *discoveryColumn(const QString &key);

// The details editor as a device's record fills it: every field the record carries, in its
// shown form; a field beyond a short record leaves its boxes empty and its list unselected,
// and the bridge disabled.
DeviceEditorTexts editorTextsFromRecord(const DiscoveryRecord &record, int recordLength);

// The four boxes of an address in its shown form ("10.0.0.254").
std::array<QString, 4> dottedParts(const QString &text);

} // namespace qvx
