#include "channel_csv_table.h"

#include "channel_csv.h"

namespace belvan::csv {

bool AllEmpty(const QStringList& cells) {
    for (const QString& cell : cells)
        if (!cell.trimmed().isEmpty()) return false;
    return true;
}

QChar GuessDelimiter(const QString& text) {
    const qsizetype end = text.indexOf(u'\n');
    const QString first = text.left(end < 0 ? text.size() : end);
    if (!first.contains(u',') && first.contains(u';')) return u';';
    return u',';
}

Tokenized Tokenize(const QString& text, QChar delimiter) {
    Tokenized out;
    Record record{1, {}};
    QString field;
    bool quoted = false;
    int line = 1;
    int quoteLine = 0;
    auto endRecord = [&](int nextLine) {
        record.cells << field;
        field.clear();
        if (!AllEmpty(record.cells)) out.records.push_back(std::move(record));
        record = Record{nextLine, {}};
        if (out.records.size() > static_cast<std::size_t>(kCsvMaxRows) + 1)
            out.error =
                QStringLiteral("в файле больше %1 строк; это не список каналов").arg(kCsvMaxRows);
    };
    for (qsizetype i = 0; i < text.size() && out.error.isEmpty(); ++i) {
        const QChar ch = text.at(i);
        if (quoted) {
            if (ch == u'"') {
                if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (ch == u'\n' ||
                    (ch == u'\r' && !(i + 1 < text.size() && text.at(i + 1) == u'\n')))
                    ++line;
                field += ch;
            }
            continue;
        }
        if (ch == u'"' && field.trimmed().isEmpty()) {
            field.clear();
            quoted = true;
            quoteLine = line;
        } else if (ch == delimiter) {
            record.cells << field;
            field.clear();
            if (record.cells.size() > kCsvMaxColumns)
                out.error = QStringLiteral("в строке %1 больше %2 столбцов; это не список каналов")
                                .arg(record.line)
                                .arg(kCsvMaxColumns);
        } else if (ch == u'\r' || ch == u'\n') {
            if (ch == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') ++i;
            ++line;
            endRecord(line);
        } else {
            field += ch;
        }
    }
    if (!out.error.isEmpty()) return out;
    if (quoted) {
        out.error = QStringLiteral("кавычка, открытая в строке %1, не закрыта до конца файла")
                        .arg(quoteLine);
        return out;
    }
    if (!field.isEmpty() || !record.cells.isEmpty()) endRecord(line);
    return out;
}

}  // namespace belvan::csv
