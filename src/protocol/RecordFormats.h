#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace qvx {

// Tables of device fields written as text: the header names the columns (field keys), each
// row holds one text per column. qvxctl prints them; the discovery window's export writes
// the CSV form to a file.

enum class RecordFormat { Table, Json, Csv };

// "table", "json" or "csv"; nothing for any other text.
std::optional<RecordFormat> parseRecordFormat(const QString &name);

// RFC 4180: fields separated by ",", lines ended by CR LF, a field quoted (with its quotes
// doubled) when it holds a comma, a quote, a CR or an LF, starts or ends with a blank, or
// starts with a byte order mark.
// UTF-8, no byte order mark.
QByteArray csvText(const QStringList &header, const QList<QStringList> &rows);
// One field in the quoting above.
QString csvField(const QString &text);

// A JSON array with one object per row, the keys in header order, every value a string.
// Two-space indented, ending in a line feed.
QByteArray jsonText(const QStringList &header, const QList<QStringList> &rows);

// Columns padded with blanks to their widest text, the header first, for a terminal.
QByteArray tableText(const QStringList &header, const QList<QStringList> &rows);

QByteArray recordText(RecordFormat format, const QStringList &header, const QList<QStringList> &rows);

// A CSV text read back: records of fields, each field with the line it starts on (from 1).
struct CsvRecord {
    int line = 0;
    QStringList fields;
};
struct CsvReadResult {
    QList<CsvRecord> records; // blank lines are skipped
    // Set when the text is not CSV: where and why.
    QString error;
    int errorLine = 0;
    int errorColumn = 0;
};
// Reads RFC 4180 text (CR LF or LF line ends, quoted fields over several lines, a UTF-8 byte
// order mark at the start skipped). A quote inside an unquoted field, text after a closing
// quote, an unterminated quoted field or text that is not UTF-8 is an error.
CsvReadResult readCsv(const QByteArray &content);

} // namespace qvx
