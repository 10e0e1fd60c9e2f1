#include "channel_csv_table.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "channel_csv.h"

namespace belvan::csv {

namespace {
bool Blank(const QString& cell) {
    return QStringView(cell).trimmed().isEmpty();
}
}  // namespace

bool AllEmpty(const QStringList& cells) {
    return std::all_of(cells.begin(), cells.end(), Blank);
}

QChar GuessDelimiter(const QString& text) {
    const qsizetype end = text.indexOf(u'\n');
    const QStringView first = QStringView(text).left(end < 0 ? text.size() : end);
    if (!first.contains(u',') && first.contains(u';')) return u';';
    return u',';
}

Tokenized Tokenize(const QString& text, QChar delimiter) {
    Tokenized out;
    // The record and the field being read keep their room from one to the next: each cell gets
    // a copy of its own size, each record a list of its own width.
    int recordLine = 1;
    std::vector<QString> cells;
    QString field;
    bool quoted = false;
    int line = 1;
    int quoteLine = 0;
    auto endField = [&] {
        cells.push_back(QString(field.constData(), field.size()));
        field.resize(0);
    };
    auto endRecord = [&](int nextLine) {
        endField();
        if (!std::all_of(cells.begin(), cells.end(), Blank)) {
            out.records.push_back({recordLine, QStringList(std::make_move_iterator(cells.begin()),
                                                           std::make_move_iterator(cells.end()))});
        }
        cells.clear();
        recordLine = nextLine;
        if (out.records.size() > static_cast<std::size_t>(kCsvMaxRows) + 1)
            out.error =
                QStringLiteral("в файле больше %1 строк; это не список каналов").arg(kCsvMaxRows);
    };
    // Appends the characters from `i` on up to the next that means something; the index of the
    // last one taken.
    auto takeRun = [&](qsizetype i, auto means) {
        qsizetype end = i + 1;
        while (end < text.size() && !means(text.at(end))) ++end;
        field.append(QStringView(text).sliced(i, end - i));
        return end - 1;
    };
    const auto meansInQuotes = [](QChar c) { return c == u'"' || c == u'\r' || c == u'\n'; };
    const auto meansOutside = [delimiter](QChar c) {
        return c == u'"' || c == delimiter || c == u'\r' || c == u'\n';
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
            } else if (ch == u'\r' || ch == u'\n') {
                if (ch == u'\n' || !(i + 1 < text.size() && text.at(i + 1) == u'\n')) ++line;
                field += ch;
            } else {
                i = takeRun(i, meansInQuotes);
            }
            continue;
        }
        if (ch == u'"' && QStringView(field).trimmed().isEmpty()) {
            field.resize(0);
            quoted = true;
            quoteLine = line;
        } else if (ch == delimiter) {
            endField();
            if (cells.size() > static_cast<std::size_t>(kCsvMaxColumns))
                out.error = QStringLiteral("в строке %1 больше %2 столбцов; это не список каналов")
                                .arg(recordLine)
                                .arg(kCsvMaxColumns);
        } else if (ch == u'\r' || ch == u'\n') {
            if (ch == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') ++i;
            ++line;
            endRecord(line);
        } else {
            i = takeRun(i, meansOutside);
        }
    }
    if (!out.error.isEmpty()) return out;
    if (quoted) {
        out.error = QStringLiteral("кавычка, открытая в строке %1, не закрыта до конца файла")
                        .arg(quoteLine);
        return out;
    }
    if (!field.isEmpty() || !cells.empty()) endRecord(line);
    return out;
}

}  // namespace belvan::csv
