#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace qvx {

// The frame shared by the sheets that list devices by MAC address (the commissioning sheet
// and the site sheet): CSV whose header line names field keys, each once, one of them "mac";
// every later line as wide as the header and holding a well-formed MAC address that no
// earlier line holds. What each sheet makes of the other cells is its own business.

struct SheetRefusal {
    int line = 0;
    int column = 0; // 1-based
    QString why;
};

struct MacKeyedRow {
    int line = 0;
    QString mac;        // shown form, 00-04-A3-00-00-01
    QStringList fields; // every cell, the mac cell included, as written
};

struct MacKeyedSheet {
    int headerLine = 1;
    QStringList columns; // the header's keys, trimmed
    int macColumn = -1;
    QList<MacKeyedRow> rows;
    std::optional<SheetRefusal> refusal;
};

// `acceptKey` may refuse a known key of the header (its reason; nothing to accept it).
using SheetKeyCheck = std::function<std::optional<QString>(const QString &key)>;
MacKeyedSheet readMacKeyedSheet(const QByteArray &content, const SheetKeyCheck &acceptKey = {});

// "FILE:LINE:COLUMN: why", the form both sheets refuse in.
QString sheetRefusalText(const QString &fileName, const SheetRefusal &refusal);

} // namespace qvx
