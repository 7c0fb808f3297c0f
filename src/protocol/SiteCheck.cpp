#include "protocol/SiteCheck.h"

#include "protocol/MacKeyedSheet.h"
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
    const auto refuse = [&](const SheetRefusal &refusal) {
        sheet.units.clear();
        sheet.error = sheetRefusalText(fileName, refusal);
        return sheet;
    };
    const MacKeyedSheet read = readMacKeyedSheet(content);
    if (read.refusal)
        return refuse(*read.refusal);
    for (const QString &key : read.columns)
        if (key != kMacKey)
            sheet.keys << key;
    for (const MacKeyedRow &row : read.rows) {
        PlannedUnit unit;
        unit.line = row.line;
        unit.mac = row.mac;
        for (int c = 0; c < read.columns.size(); ++c) {
            if (c == read.macColumn || row.fields[c].trimmed().isEmpty())
                continue;
            const Checked<QString> value = normalized(read.columns[c], row.fields[c]);
            if (!value.ok())
                return refuse({row.line, c + 1, value.refusal});
            unit.values.insert(read.columns[c], *value.value);
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
