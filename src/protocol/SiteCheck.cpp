#include "protocol/SiteCheck.h"

#include "protocol/RecordFormats.h"

#include <QHash>
#include <QSet>

namespace qvx {

namespace {

// The shown form of a sheet value: the write's own form where the key can be written,
// else the text as it stands.
Checked<QString> normalized(const QString &key, const QString &text)
{
    if (isReadOnlyKey(key))
        return {text.trimmed(), {}};
    return normalizeFieldValue(key, text);
}

} // namespace

SiteSheet parseSiteSheet(const QByteArray &content, const QString &fileName)
{
    SiteSheet sheet;
    const auto refuse = [&](int line, int column, const QString &why) {
        sheet.units.clear();
        sheet.error = QStringLiteral("%1:%2:%3: %4").arg(fileName).arg(line).arg(column).arg(why);
        return sheet;
    };
    const CsvReadResult csv = readCsv(content);
    if (!csv.error.isEmpty())
        return refuse(csv.errorLine, csv.errorColumn, csv.error);
    if (csv.records.isEmpty())
        return refuse(1, 1, QStringLiteral("the sheet is empty (it needs a header line of field keys)"));

    const CsvRecord &header = csv.records.first();
    QStringList columns;
    int macColumn = -1;
    for (int c = 0; c < header.fields.size(); ++c) {
        const QString key = header.fields[c].trimmed();
        if (!isFieldKey(key))
            return refuse(header.line, c + 1, QStringLiteral("unknown field key \"%1\"").arg(key));
        if (columns.contains(key))
            return refuse(header.line, c + 1, QStringLiteral("the column %1 appears twice").arg(key));
        if (key == kMacKey)
            macColumn = c;
        else
            sheet.keys << key;
        columns << key;
    }
    if (macColumn < 0)
        return refuse(header.line, 1, QStringLiteral("there is no mac column"));

    QHash<QString, int> macLines;
    for (qsizetype r = 1; r < csv.records.size(); ++r) {
        const CsvRecord &record = csv.records[r];
        if (record.fields.size() != columns.size())
            return refuse(record.line, int(std::min(record.fields.size(), columns.size())) + 1,
                          QStringLiteral("the row has %1 cells, the header %2")
                              .arg(record.fields.size())
                              .arg(columns.size()));
        PlannedUnit unit;
        unit.line = record.line;
        const Checked<QString> mac = normalizeFieldValue(kMacKey, record.fields[macColumn]);
        if (!mac.ok())
            return refuse(record.line, macColumn + 1, mac.refusal);
        unit.mac = *mac.value;
        if (const auto earlier = macLines.constFind(unit.mac); earlier != macLines.cend())
            return refuse(record.line, macColumn + 1,
                          QStringLiteral("the MAC address %1 is already on line %2").arg(unit.mac).arg(*earlier));
        macLines.insert(unit.mac, record.line);
        for (int c = 0; c < columns.size(); ++c) {
            if (c == macColumn || record.fields[c].trimmed().isEmpty())
                continue;
            const Checked<QString> value = normalized(columns[c], record.fields[c]);
            if (!value.ok())
                return refuse(record.line, c + 1, value.refusal);
            unit.values.insert(columns[c], *value.value);
        }
        sheet.units << unit;
    }
    return sheet;
}

bool needsSettingsDownload(const SiteSheet &sheet)
{
    for (const QString &key : sheet.keys)
        if (key != kCardKey && !inDiscoveryRecord(key))
            return true;
    return false;
}

QList<UnitCheck> checkSite(const SiteSheet &sheet, const QList<FieldValues> &found)
{
    QHash<QString, const FieldValues *> byMac;
    for (const FieldValues &values : found)
        byMac.insert(values.value(kMacKey), &values);
    QSet<QString> planned;
    for (const PlannedUnit &unit : sheet.units)
        planned.insert(unit.mac);

    // The answering units the sheet does not name, by the address they hold.
    QHash<QString, QString> unknownAtAddress;
    for (const FieldValues &values : found)
        if (!planned.contains(values.value(kMacKey)))
            unknownAtAddress.insert(values.value(QStringLiteral("ip")), values.value(kMacKey));

    QList<UnitCheck> checks;
    QSet<QString> replacements;
    for (const PlannedUnit &unit : sheet.units) {
        UnitCheck check;
        check.mac = unit.mac;
        check.line = unit.line;
        const FieldValues *device = byMac.value(unit.mac);
        if (!device) {
            check.ip = unit.values.value(QStringLiteral("ip"));
            const QString unknown = unknownAtAddress.value(check.ip);
            if (!check.ip.isEmpty() && !unknown.isEmpty() && !replacements.contains(unknown)) {
                check.status = UnitCheck::Status::Replaced;
                check.replacedBy = unknown;
                replacements.insert(unknown);
            } else {
                check.status = UnitCheck::Status::Missing;
            }
            checks << check;
            continue;
        }
        check.ip = device->value(QStringLiteral("ip"));
        for (const QString &key : sheet.keys) {
            const auto plannedValue = unit.values.constFind(key);
            if (plannedValue == unit.values.cend())
                continue;
            const QString actual = device->value(key);
            if (actual != *plannedValue)
                check.differences << FieldDifference{key, *plannedValue, actual};
        }
        check.status = check.differences.isEmpty() ? UnitCheck::Status::Matches : UnitCheck::Status::Differs;
        checks << check;
    }
    for (const FieldValues &values : found) {
        const QString mac = values.value(kMacKey);
        if (planned.contains(mac) || replacements.contains(mac))
            continue;
        UnitCheck check;
        check.status = UnitCheck::Status::NotInSheet;
        check.mac = mac;
        check.ip = values.value(QStringLiteral("ip"));
        checks << check;
    }
    return checks;
}

QString statusText(UnitCheck::Status status)
{
    switch (status) {
    case UnitCheck::Status::Matches:
        return QStringLiteral("matches");
    case UnitCheck::Status::Differs:
        return QStringLiteral("differs");
    case UnitCheck::Status::Missing:
        return QStringLiteral("missing");
    case UnitCheck::Status::Replaced:
        return QStringLiteral("replaced");
    case UnitCheck::Status::NotInSheet:
        return QStringLiteral("not in sheet");
    }
    return {};
}

} // namespace qvx
