#include "channel_csv_table.h"

#include <algorithm>

#include "channel_csv.h"

namespace belvan::csv {

namespace {

// Where a character next occurs from a position on, found with Qt's search and kept until the
// reader passes it, so that the characters up to it are taken in one piece.
class NextOf {
  public:
    NextOf(QStringView text, QChar ch) : text_(text), ch_(ch) {}
    qsizetype From(qsizetype from) {
        if (at_ < from) {
            at_ = text_.indexOf(ch_, from);
            if (at_ < 0) at_ = text_.size();
        }
        return at_;
    }

  private:
    QStringView text_;
    QChar ch_;
    qsizetype at_ = -1;
};

}  // namespace

QChar GuessDelimiter(const QString& text) {
    const qsizetype end = text.indexOf(u'\n');
    const QStringView first = QStringView(text).left(end < 0 ? text.size() : end);
    if (!first.contains(u',') && first.contains(u';')) return u';';
    return u',';
}

Tokenized Tokenize(const QString& text, QChar delimiter) {
    Tokenized out;
    // Each character of the text is copied at most once, so the buffer keeps the room reserved
    // here and the cells' views into it stay valid.
    QString& buffer = out.text;
    buffer.reserve(text.size());
    // Room for the cells and records a usual file has, found by Qt's counting; more grows.
    const qsizetype lines = text.count(u'\n') + 1;
    out.records.reserve(static_cast<std::size_t>(std::min<qsizetype>(lines, kCsvMaxRows)));
    out.cells.reserve(static_cast<std::size_t>(
        std::min<qsizetype>(text.count(delimiter) + lines, kCsvMaxColumns * 4)));
    qsizetype fieldStart = 0;   // the field being read is the end of the buffer from here
    qsizetype recordFirst = 0;  // the first cell of the record being read
    qsizetype recordStart = 0;  // and its first character in the buffer
    int recordLine = 1;
    bool quoted = false;
    int line = 1;
    int quoteLine = 0;
    auto field = [&] {
        return QStringView(buffer.constData() + fieldStart, buffer.constData() + buffer.size());
    };
    auto endField = [&] {
        out.cells.push_back(field());
        fieldStart = buffer.size();
    };
    auto endRecord = [&](int nextLine) {
        endField();
        // The record's cells lie one after another in the buffer: all blank when all of that is.
        if (QStringView(buffer).sliced(recordStart).trimmed().isEmpty()) {
            out.cells.resize(static_cast<std::size_t>(recordFirst));
            buffer.resize(recordStart);
            fieldStart = recordStart;
        } else {
            out.records.push_back(
                {recordLine, recordFirst, static_cast<qsizetype>(out.cells.size()) - recordFirst});
        }
        recordFirst = static_cast<qsizetype>(out.cells.size());
        recordStart = buffer.size();
        recordLine = nextLine;
        if (out.records.size() > static_cast<std::size_t>(kCsvMaxRows) + 1)
            out.error =
                QStringLiteral("в файле больше %1 строк; это не список каналов").arg(kCsvMaxRows);
    };
    NextOf quote(text, u'"');
    NextOf cr(text, u'\r');
    NextOf lf(text, u'\n');
    NextOf separator(text, delimiter);
    // Appends the characters from `i` on up to the next that means something; the index of the
    // last one taken.
    auto takeRun = [&](qsizetype i, bool inQuotes) {
        qsizetype end = std::min(std::min(quote.From(i + 1), cr.From(i + 1)), lf.From(i + 1));
        if (!inQuotes) end = std::min(end, separator.From(i + 1));
        buffer.append(QStringView(text).sliced(i, end - i));
        return end - 1;
    };
    for (qsizetype i = 0; i < text.size() && out.error.isEmpty(); ++i) {
        const QChar ch = text.at(i);
        if (quoted) {
            if (ch == u'"') {
                if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                    buffer += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else if (ch == u'\r' || ch == u'\n') {
                if (ch == u'\n' || !(i + 1 < text.size() && text.at(i + 1) == u'\n')) ++line;
                buffer += ch;
            } else {
                i = takeRun(i, true);
            }
            continue;
        }
        if (ch == u'"' && field().trimmed().isEmpty()) {
            buffer.resize(fieldStart);
            quoted = true;
            quoteLine = line;
        } else if (ch == delimiter) {
            endField();
            if (out.cells.size() - recordFirst > static_cast<std::size_t>(kCsvMaxColumns))
                out.error = QStringLiteral("в строке %1 больше %2 столбцов; это не список каналов")
                                .arg(recordLine)
                                .arg(kCsvMaxColumns);
        } else if (ch == u'\r' || ch == u'\n') {
            if (ch == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') ++i;
            ++line;
            endRecord(line);
        } else {
            i = takeRun(i, false);
        }
    }
    if (!out.error.isEmpty()) return out;
    if (quoted) {
        out.error = QStringLiteral("кавычка, открытая в строке %1, не закрыта до конца файла")
                        .arg(quoteLine);
        return out;
    }
    if (buffer.size() > fieldStart || out.cells.size() > static_cast<std::size_t>(recordFirst))
        endRecord(line);
    return out;
}

}  // namespace belvan::csv
