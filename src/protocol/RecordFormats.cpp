#include "protocol/RecordFormats.h"

#include <QStringDecoder>

#include <algorithm>

namespace qvx {

std::optional<RecordFormat> parseRecordFormat(const QString &name)
{
    if (name == QLatin1String("table"))
        return RecordFormat::Table;
    if (name == QLatin1String("json"))
        return RecordFormat::Json;
    if (name == QLatin1String("csv"))
        return RecordFormat::Csv;
    return std::nullopt;
}

QString csvField(const QString &text)
{
    const bool quote = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                       text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')) ||
                       (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace())) ||
                       // A byte order mark at the start of the file would be taken for one.
                       text.startsWith(QChar(0xFEFF));
    if (!quote)
        return text;
    QString doubled = text;
    doubled.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

QByteArray csvText(const QStringList &header, const QList<QStringList> &rows)
{
    QString out;
    const auto line = [&](const QStringList &fields) {
        QStringList quoted;
        for (const QString &f : fields)
            quoted << csvField(f);
        out += quoted.join(QLatin1Char(',')) + QLatin1String("\r\n");
    };
    line(header);
    for (const QStringList &row : rows)
        line(row);
    return out.toUtf8();
}

namespace {

QString jsonString(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        switch (c.unicode()) {
        case '"': out += QLatin1String("\\\""); break;
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '\b': out += QLatin1String("\\b"); break;
        case '\f': out += QLatin1String("\\f"); break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

} // namespace

QByteArray jsonText(const QStringList &header, const QList<QStringList> &rows)
{
    if (rows.isEmpty())
        return QByteArrayLiteral("[]\n");
    QString out = QStringLiteral("[\n");
    for (qsizetype r = 0; r < rows.size(); ++r) {
        out += QLatin1String("  {\n");
        for (qsizetype c = 0; c < header.size(); ++c) {
            out += QLatin1String("    ") + jsonString(header[c]) + QLatin1String(": ") +
                   jsonString(c < rows[r].size() ? rows[r][c] : QString());
            out += c + 1 < header.size() ? QLatin1String(",\n") : QLatin1String("\n");
        }
        out += r + 1 < rows.size() ? QLatin1String("  },\n") : QLatin1String("  }\n");
    }
    out += QLatin1String("]\n");
    return out.toUtf8();
}

QByteArray tableText(const QStringList &header, const QList<QStringList> &rows)
{
    QList<qsizetype> widths;
    for (const QString &h : header)
        widths << h.size();
    for (const QStringList &row : rows)
        for (qsizetype c = 0; c < row.size() && c < widths.size(); ++c)
            widths[c] = std::max(widths[c], row[c].size());
    QString out;
    const auto line = [&](const QStringList &fields) {
        QString text;
        for (qsizetype c = 0; c < widths.size(); ++c) {
            const QString f = c < fields.size() ? fields[c] : QString();
            text += c + 1 < widths.size() ? f.leftJustified(widths[c] + 2) : f;
        }
        out += text + QLatin1Char('\n');
    };
    line(header);
    for (const QStringList &row : rows)
        line(row);
    return out.toUtf8();
}

QByteArray recordText(RecordFormat format, const QStringList &header, const QList<QStringList> &rows)
{
    switch (format) {
    case RecordFormat::Json: return jsonText(header, rows);
    case RecordFormat::Csv: return csvText(header, rows);
    case RecordFormat::Table: break;
    }
    return tableText(header, rows);
}

CsvReadResult readCsv(const QByteArray &content)
{
    CsvReadResult result;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QByteArray bytes = content;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        result.error = QStringLiteral("the file is not UTF-8 text");
        result.errorLine = 1;
        result.errorColumn = 1;
        return result;
    }

    int line = 1;
    CsvRecord record;
    record.line = 1;
    QString field;
    bool fieldStarted = false; // something (even an empty quoted text) belongs to this record
    const auto fail = [&](const QString &why) {
        result.error = why;
        result.errorLine = line;
        result.errorColumn = int(record.fields.size()) + 1;
        result.records.clear();
        return result;
    };
    const auto endRecord = [&] {
        if (fieldStarted || !record.fields.isEmpty()) {
            record.fields << field;
            result.records << record;
        }
        record = CsvRecord{};
        field.clear();
        fieldStarted = false;
    };

    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const QChar c = text[i];
        if (c == QLatin1Char('"')) {
            if (!field.isEmpty())
                return fail(QStringLiteral("a quote inside an unquoted field"));
            fieldStarted = true;
            const int startLine = line;
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar q = text[i];
                if (q == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                if (q == QLatin1Char('\n'))
                    ++line;
                field += q;
                ++i;
            }
            if (!closed) {
                line = startLine;
                return fail(QStringLiteral("a quoted field is not closed"));
            }
            if (i < n && text[i] != QLatin1Char(',') && text[i] != QLatin1Char('\r') && text[i] != QLatin1Char('\n'))
                return fail(QStringLiteral("text after the closing quote of a field"));
            continue;
        }
        if (c == QLatin1Char(',')) {
            if (record.fields.isEmpty() && !fieldStarted)
                record.line = line;
            record.fields << field;
            field.clear();
            fieldStarted = true;
            ++i;
            continue;
        }
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            endRecord();
            if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
                ++i;
            ++i;
            ++line;
            record.line = line;
            continue;
        }
        if (!fieldStarted && record.fields.isEmpty())
            record.line = line;
        fieldStarted = true;
        field += c;
        ++i;
    }
    endRecord();
    return result;
}

} // namespace qvx
