#include "protocol/CommissionSheet.h"

#include "protocol/RecordFormats.h"

#include <QHash>

namespace qvx {

namespace {

// A device record every one of whose fields passes the upload's checks, so that a single
// changed field is refused only for its own value.
QByteArray validBaseRecord()
{
    DiscoveryRecord r;
    r.mac = {0x00, 0x04, 0xA3, 0x00, 0x00, 0x01};
    r.ip = {192, 168, 0, 1};
    r.mask = {255, 255, 255, 0};
    r.baudCode = 4;
    r.uartTimeout = 3250;
    r.format = 0xC0;
    return encodeDiscoveryRecord(r);
}

Mac6 macBytes(const QString &shown)
{
    Mac6 mac{};
    for (int i = 0; i < 6; ++i)
        mac[std::size_t(i)] = quint8(shown.mid(3 * i, 2).toUInt(nullptr, 16));
    return mac;
}

} // namespace

CommissionSheet parseCommissionSheet(const QByteArray &content, const QString &fileName)
{
    CommissionSheet sheet;
    const auto refuse = [&](int line, int column, const QString &why) {
        sheet.rows.clear();
        sheet.error = QStringLiteral("%1:%2:%3: %4").arg(fileName).arg(line).arg(column).arg(why);
        return sheet;
    };

    const CsvReadResult csv = readCsv(content);
    if (!csv.error.isEmpty())
        return refuse(csv.errorLine, csv.errorColumn, csv.error);
    if (csv.records.isEmpty())
        return refuse(1, 1, QStringLiteral("the sheet is empty (it needs a header line of field keys)"));

    const CsvRecord &header = csv.records.first();
    QStringList keys;
    int macColumn = -1;
    for (int c = 0; c < header.fields.size(); ++c) {
        const QString key = header.fields[c].trimmed();
        if (!isFieldKey(key))
            return refuse(header.line, c + 1, QStringLiteral("unknown field key \"%1\"").arg(key));
        if (keys.contains(key))
            return refuse(header.line, c + 1, QStringLiteral("the column %1 appears twice").arg(key));
        if (isReadOnlyKey(key))
            return refuse(header.line, c + 1, QStringLiteral("%1 is read only: remove the column").arg(key));
        if (!inDiscoveryRecord(key))
            return refuse(header.line, c + 1,
                          QStringLiteral("%1 cannot be written by MAC address (it is not in the discovery "
                                         "record); set it by address with qvxctl set")
                              .arg(key));
        if (key == kMacKey)
            macColumn = c;
        keys << key;
    }
    if (macColumn < 0)
        return refuse(header.line, 1, QStringLiteral("there is no mac column"));

    const QByteArray base = validBaseRecord();
    QHash<QString, int> macLines; // MAC address -> line that names it
    QHash<QString, int> ipLines;  // planned IP address -> line that plans it
    for (qsizetype r = 1; r < csv.records.size(); ++r) {
        const CsvRecord &record = csv.records[r];
        if (record.fields.size() != keys.size())
            return refuse(record.line, int(std::min(record.fields.size(), keys.size())) + 1,
                          QStringLiteral("the row has %1 cells, the header %2").arg(record.fields.size()).arg(keys.size()));
        SheetRow row;
        row.line = record.line;
        const Checked<QString> mac = normalizeFieldValue(kMacKey, record.fields[macColumn]);
        if (!mac.ok())
            return refuse(record.line, macColumn + 1, mac.refusal);
        row.macText = *mac.value;
        row.mac = macBytes(row.macText);
        if (const auto earlier = macLines.constFind(row.macText); earlier != macLines.cend())
            return refuse(record.line, macColumn + 1,
                          QStringLiteral("the MAC address %1 is already on line %2").arg(row.macText).arg(*earlier));
        macLines.insert(row.macText, record.line);

        for (int c = 0; c < keys.size(); ++c) {
            if (c == macColumn || record.fields[c].trimmed().isEmpty())
                continue;
            const Checked<QString> value = normalizeFieldValue(keys[c], record.fields[c]);
            if (!value.ok())
                return refuse(record.line, c + 1, value.refusal);
            const FieldChange change{keys[c], *value.value};
            if (const std::optional<QString> octet = octetRefusal(keys[c], change.value))
                return refuse(record.line, c + 1, *octet);
            const Checked<DiscoveryRecord> checked = deviceUploadWithChanges(base, {change});
            if (!checked.ok())
                return refuse(record.line, c + 1, QStringLiteral("%1 = %2: %3").arg(keys[c], *value.value, checked.refusal));
            // Two devices given one address would answer for each other once written.
            if (keys[c] == QLatin1String("ip")) {
                if (const auto earlier = ipLines.constFind(change.value); earlier != ipLines.cend())
                    return refuse(record.line, c + 1,
                                  QStringLiteral("the IP address %1 is already planned for line %2").arg(change.value).arg(*earlier));
                ipLines.insert(change.value, record.line);
            }
            row.changes << change;
        }
        sheet.rows << row;
    }
    if (sheet.rows.isEmpty())
        return refuse(header.line, 1, QStringLiteral("the sheet lists no device"));
    return sheet;
}

std::optional<QString> octetRefusal(const QString &key, const QString &value)
{
    const QStringList parts = value.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const qint64 octet = parts[i].toLongLong(&ok);
        if (!ok)
            return std::nullopt;
        if (octet > 255)
            return QStringLiteral("%1: octet %2 is %3; allowed 0-255").arg(key).arg(i + 1).arg(parts[i]);
    }
    return std::nullopt;
}

} // namespace qvx
