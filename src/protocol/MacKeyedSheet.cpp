#include "protocol/MacKeyedSheet.h"

#include "protocol/FieldKeys.h"
#include "protocol/RecordFormats.h"

#include <QHash>

namespace qvx {

MacKeyedSheet readMacKeyedSheet(const QByteArray &content, const SheetKeyCheck &acceptKey)
{
    MacKeyedSheet sheet;
    const auto refuse = [&](int line, int column, const QString &why) {
        sheet.rows.clear();
        sheet.refusal = SheetRefusal{line, column, why};
        return sheet;
    };
    const CsvReadResult csv = readCsv(content);
    if (!csv.error.isEmpty())
        return refuse(csv.errorLine, csv.errorColumn, csv.error);
    if (csv.records.isEmpty())
        return refuse(1, 1, QStringLiteral("the sheet is empty (it needs a header line of field keys)"));

    const CsvRecord &header = csv.records.first();
    sheet.headerLine = header.line;
    for (int c = 0; c < header.fields.size(); ++c) {
        const QString key = header.fields[c].trimmed();
        if (!isFieldKey(key))
            return refuse(header.line, c + 1, QStringLiteral("unknown field key \"%1\"").arg(key));
        if (sheet.columns.contains(key))
            return refuse(header.line, c + 1, QStringLiteral("the column %1 appears twice").arg(key));
        if (acceptKey)
            if (const std::optional<QString> why = acceptKey(key))
                return refuse(header.line, c + 1, *why);
        if (key == kMacKey)
            sheet.macColumn = c;
        sheet.columns << key;
    }
    if (sheet.macColumn < 0)
        return refuse(header.line, 1, QStringLiteral("there is no mac column"));

    QHash<QString, int> macLines; // MAC address -> line that names it
    for (qsizetype r = 1; r < csv.records.size(); ++r) {
        const CsvRecord &record = csv.records[r];
        const qsizetype width = sheet.columns.size();
        if (record.fields.size() != width)
            return refuse(record.line, int(std::min(record.fields.size(), width)) + 1,
                          QStringLiteral("the row has %1 cells, the header %2").arg(record.fields.size()).arg(width));
        const Checked<QString> mac = normalizeFieldValue(kMacKey, record.fields[sheet.macColumn]);
        if (!mac.ok())
            return refuse(record.line, sheet.macColumn + 1, mac.refusal);
        if (const auto earlier = macLines.constFind(*mac.value); earlier != macLines.cend())
            return refuse(record.line, sheet.macColumn + 1,
                          QStringLiteral("the MAC address %1 is already on line %2").arg(*mac.value).arg(*earlier));
        macLines.insert(*mac.value, record.line);
        sheet.rows << MacKeyedRow{record.line, *mac.value, record.fields};
    }
    return sheet;
}

QString sheetRefusalText(const QString &fileName, const SheetRefusal &refusal)
{
    return QStringLiteral("%1:%2:%3: %4").arg(fileName).arg(refusal.line).arg(refusal.column).arg(refusal.why);
}

} // namespace qvx
