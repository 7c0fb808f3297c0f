// Commissioning sheets and CSV text from arbitrary bytes.
//
// Checked for every input:
// - a sheet is either refused as a whole, with "FILE:LINE:COLUMN: why" and no rows, or every
//   row has a well-formed MAC address of its own, a planned IP address (when it has one)
//   that no other row plans, and changes whose values are in their shown form and pass the
//   upload's checks;
// - CSV that reads back is written again by the CSV writer and reads back to the same
//   fields (records of one empty field aside: they are written as a blank line);
// - the JSON writer's output of those fields always parses.
#include "FuzzChecks.h"

#include "protocol/CommissionSheet.h"
#include "protocol/FieldKeys.h"
#include "protocol/RecordFormats.h"

#include <QJsonDocument>
#include <QSet>

using namespace qvx;

namespace {

void checkSheet(const QByteArray &bytes)
{
    const CommissionSheet sheet = parseCommissionSheet(bytes, QStringLiteral("s.csv"));
    if (!sheet.ok()) {
        FUZZ_CHECK(sheet.rows.isEmpty());
        FUZZ_CHECK(sheet.error.startsWith(QStringLiteral("s.csv:")));
        return;
    }
    FUZZ_CHECK(!sheet.rows.isEmpty());
    DiscoveryRecord base;
    base.mask = {255, 255, 255, 0};
    base.baudCode = 4;
    const QByteArray baseRecord = encodeDiscoveryRecord(base);
    QSet<QString> macs;
    QSet<QString> plannedIps;
    for (const SheetRow &row : sheet.rows) {
        FUZZ_CHECK(row.line >= 2);
        FUZZ_CHECK(macText(row.mac) == row.macText);
        FUZZ_CHECK(!macs.contains(row.macText));
        macs.insert(row.macText);
        for (const FieldChange &change : row.changes) {
            FUZZ_CHECK(inDiscoveryRecord(change.key) && change.key != kMacKey);
            const Checked<QString> again = normalizeFieldValue(change.key, change.value);
            FUZZ_CHECK(again.ok() && *again.value == change.value);
            FUZZ_CHECK(deviceUploadWithChanges(baseRecord, {change}).ok());
            if (change.key == QLatin1String("ip")) {
                FUZZ_CHECK(!plannedIps.contains(change.value));
                plannedIps.insert(change.value);
            }
        }
    }
}

void checkCsv(const QByteArray &bytes)
{
    const CsvReadResult read = readCsv(bytes);
    if (!read.error.isEmpty()) {
        FUZZ_CHECK(read.records.isEmpty() && read.errorLine >= 1 && read.errorColumn >= 1);
        return;
    }
    QList<QStringList> rows;
    for (const CsvRecord &record : read.records) {
        FUZZ_CHECK(record.line >= 1 && !record.fields.isEmpty());
        if (record.fields != QStringList{QString()})
            rows << record.fields;
    }
    if (rows.isEmpty())
        return;
    const QStringList header = rows.takeFirst();
    const CsvReadResult again = readCsv(csvText(header, rows));
    FUZZ_CHECK(again.error.isEmpty());
    FUZZ_CHECK(again.records.size() == rows.size() + 1);
    FUZZ_CHECK(again.records[0].fields == header);
    for (qsizetype i = 0; i < rows.size(); ++i)
        FUZZ_CHECK(again.records[i + 1].fields == rows[i]);

    QJsonParseError error;
    QJsonDocument::fromJson(jsonText(header, rows), &error);
    FUZZ_CHECK(error.error == QJsonParseError::NoError);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fuzz::ExactBytes input(reinterpret_cast<const char *>(data), size);
    checkSheet(input.view());
    checkCsv(input.view());
    return 0;
}
