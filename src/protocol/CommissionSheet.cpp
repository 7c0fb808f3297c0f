#include "protocol/CommissionSheet.h"

#include "protocol/MacKeyedSheet.h"
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
    const auto refuse = [&](const SheetRefusal &refusal) {
        sheet.rows.clear();
        sheet.error = sheetRefusalText(fileName, refusal);
        return sheet;
    };
    const MacKeyedSheet read = readMacKeyedSheet(content, [](const QString &key) -> std::optional<QString> {
        if (isReadOnlyKey(key))
            return QStringLiteral("%1 is read only: remove the column").arg(key);
        if (!inDiscoveryRecord(key))
            return QStringLiteral("%1 cannot be written by MAC address (it is not in the discovery "
                                  "record); set it by address with qvxctl set")
                .arg(key);
        return std::nullopt;
    });
    if (read.refusal)
        return refuse(*read.refusal);
    const QStringList &keys = read.columns;

    const QByteArray base = validBaseRecord();
    QHash<QString, int> ipLines; // planned IP address -> line that plans it
    for (const MacKeyedRow &record : read.rows) {
        SheetRow row;
        row.line = record.line;
        row.macText = record.mac;
        row.mac = macBytes(row.macText);
        for (int c = 0; c < keys.size(); ++c) {
            if (c == read.macColumn || record.fields[c].trimmed().isEmpty())
                continue;
            const Checked<QString> value = normalizeFieldValue(keys[c], record.fields[c]);
            if (!value.ok())
                return refuse({record.line, c + 1, value.refusal});
            const FieldChange change{keys[c], *value.value};
            if (const std::optional<QString> octet = octetRefusal(keys[c], change.value))
                return refuse({record.line, c + 1, *octet});
            const Checked<DiscoveryRecord> checked = deviceUploadWithChanges(base, {change});
            if (!checked.ok())
                return refuse({record.line, c + 1, QStringLiteral("%1 = %2: %3").arg(keys[c], *value.value, checked.refusal)});
            // Two devices given one address would answer for each other once written.
            if (keys[c] == QLatin1String("ip")) {
                if (const auto earlier = ipLines.constFind(change.value); earlier != ipLines.cend())
                    return refuse({record.line, c + 1,
                                   QStringLiteral("the IP address %1 is already planned for line %2").arg(change.value).arg(*earlier)});
                ipLines.insert(change.value, record.line);
            }
            row.changes << change;
        }
        sheet.rows << row;
    }
    if (sheet.rows.isEmpty())
        return refuse({read.headerLine, 1, QStringLiteral("the sheet lists no device")});
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
