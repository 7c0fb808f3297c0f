#pragma once
#include "protocol/FieldKeys.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace qvx {

// Checking a site against its sheet: the commissioning sheet's form (a "mac" column and any
// field keys, read-only ones such as firmware and card included), compared field by field
// with what the devices report. An empty cell is not checked.

struct PlannedUnit {
    int line = 0;
    QString mac;        // shown form, 00-04-A3-00-00-01
    FieldValues values; // normalised, without the empty cells and without mac
};

struct SiteSheet {
    QStringList keys; // the sheet's columns but mac
    QList<PlannedUnit> units;
    // Set when the sheet is refused as a whole: "FILE:LINE:COLUMN: why".
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Refused: text that is not CSV, no header or no mac column, an unknown or repeated key, a
// row with more or fewer cells than the header, a malformed or repeated MAC address, a
// malformed value. `fileName` only names the file in the message.
SiteSheet parseSiteSheet(const QByteArray &content, const QString &fileName);

// Whether a sheet needs each device's settings download (a key the discovery lacks).
bool needsSettingsDownload(const SiteSheet &sheet);

struct FieldDifference {
    QString key;
    QString planned; // the sheet's value
    QString found;   // the device's
};

struct UnitCheck {
    enum class Status { Matches, Differs, Missing, Replaced, NotInSheet };
    Status status = Status::Matches;
    QString mac;
    QString ip;    // as the device reports it; the planned one for a missing unit
    int line = 0;  // of the sheet; 0 for a unit it does not name
    QList<FieldDifference> differences;
    QString replacedBy; // Replaced: the MAC address of the unknown unit at the planned address
};

// Every unit of the sheet in sheet order, then the answering units it does not name. A unit
// that did not answer while an unknown unit holds its planned IP address is Replaced, and
// that unknown unit is not listed again. `found` holds each answering unit's fields (mac
// and ip at least).
QList<UnitCheck> checkSite(const SiteSheet &sheet, const QList<FieldValues> &found);

// "matches", "differs", "missing", "replaced", "not in sheet".
QString statusText(UnitCheck::Status status);

} // namespace qvx
