#pragma once
#include <QString>
#include <QtGlobal>
#include <optional>

namespace qvx {

// Change rules of the auxiliary dialogs' entry boxes. Nothing is range-checked on entry:
// the senders test each field when the write goes out and refuse the markers.

// Marker of an octet box whose text is not a number (65535 in 16 bits).
constexpr qint16 kOctetMarker = -1;
// Marker of a port box whose text is not a number.
constexpr qint32 kPortMarker = -1;

// A numeric text rounded to the nearest whole number (halves to even) when it fits in a
// 16-bit signed store; otherwise (not a number, or a value such as 9e9 too large for the
// store) the marker.
qint16 octetEntryValue(const QString &text);

// The same for a 32-bit signed port store.
qint32 portEntryValue(const QString &text);

// The MAC reassignment code of a numeric text, rounded, when it fits in 32 bits signed.
// Nothing for a text that is not a number or does not fit: both are refused alike.
std::optional<qint32> macCodeEntryValue(const QString &text);

} // namespace qvx
