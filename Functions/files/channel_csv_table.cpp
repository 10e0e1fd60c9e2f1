#include "channel_csv_table.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "channel_csv.h"

namespace belvan::csv {

namespace {

bool IsControl(char16_t unit) {
    return unit < 0x20 && unit != u'\t' && unit != u'\r' && unit != u'\n';
}

// Tests on the four 16-bit units of a word at once, for a check of every character of a file
// that costs a comparison per 16 characters instead of several per character. Each sets a unit's
// top bit exactly where the unit passes: no borrow or carry crosses from one unit into the next.
constexpr std::uint64_t kEachUnit = 0x0001'0001'0001'0001;
constexpr std::uint64_t kTopBits = 0x8000 * kEachUnit;
// Units below n (n at most 0x8000).
constexpr std::uint64_t UnitsBelow(std::uint64_t word, std::uint16_t n) {
    return ~((word | kTopBits) - n * kEachUnit) & ~word & kTopBits;
}
// Units equal to c.
constexpr std::uint64_t UnitsEqual(std::uint64_t word, char16_t c) {
    const std::uint64_t x = word ^ (c * kEachUnit);
    return ~(((x & ~kTopBits) + ~kTopBits) | x) & kTopBits;
}
constexpr std::uint64_t ControlUnits(std::uint64_t word) {
    return UnitsBelow(word, 0x20) & ~UnitsEqual(word, u'\t') & ~UnitsEqual(word, u'\r') &
           ~UnitsEqual(word, u'\n');
}

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

namespace {

// The reader's state between the characters that mean something. Its steps are member functions,
// not lambdas over local variables: the fuzz build checks every access through a captured
// reference, and these run for every cell.
class Tokenizer {
  public:
    Tokenizer(const QString& text, QChar delimiter)
        : text_(text),
          delimiter_(delimiter),
          quote_(text, u'"'),
          cr_(text, u'\r'),
          lf_(text, u'\n'),
          separator_(text, delimiter) {
        // Each character of the text is copied at most once, so the buffer keeps the room
        // reserved here and the cells' views into it stay valid.
        out_.text.reserve(text.size());
        // Room for the cells and records a usual file has, found by Qt's counting; more grows.
        const qsizetype lines = text.count(u'\n') + 1;
        out_.records.reserve(static_cast<std::size_t>(std::min<qsizetype>(lines, kCsvMaxRows)));
        out_.cells.reserve(static_cast<std::size_t>(
            std::min<qsizetype>(text.count(delimiter) + lines, kCsvMaxColumns * 4)));
    }

    Tokenized Run() {
        const qsizetype size = text_.size();
        for (qsizetype i = 0; i < size && out_.error.isEmpty(); ++i) {
            const QChar ch = text_.at(i);
            if (quoted_) {
                if (ch == u'"') {
                    if (i + 1 < size && text_.at(i + 1) == u'"') {
                        out_.text += u'"';
                        ++i;
                    } else {
                        quoted_ = false;
                    }
                } else if (ch == u'\r' || ch == u'\n') {
                    if (ch == u'\n' || !(i + 1 < size && text_.at(i + 1) == u'\n')) ++line_;
                    out_.text += ch;
                } else {
                    i = TakeRun(i, true);
                }
                continue;
            }
            if (ch == u'"' && Field().trimmed().isEmpty()) {
                out_.text.resize(fieldStart_);
                quoted_ = true;
                quoteLine_ = line_;
            } else if (ch == delimiter_) {
                EndField();
                if (out_.cells.size() - static_cast<std::size_t>(recordFirst_) >
                    static_cast<std::size_t>(kCsvMaxColumns))
                    out_.error =
                        QStringLiteral("в строке %1 больше %2 столбцов; это не список каналов")
                            .arg(recordLine_)
                            .arg(kCsvMaxColumns);
            } else if (ch == u'\r' || ch == u'\n') {
                if (ch == u'\r' && i + 1 < size && text_.at(i + 1) == u'\n') ++i;
                ++line_;
                EndRecord(line_);
            } else {
                i = TakeRun(i, false);
            }
        }
        if (!out_.error.isEmpty()) return std::move(out_);
        if (quoted_) {
            out_.error = QStringLiteral("кавычка, открытая в строке %1, не закрыта до конца файла")
                             .arg(quoteLine_);
            return std::move(out_);
        }
        if (out_.text.size() > fieldStart_ ||
            out_.cells.size() > static_cast<std::size_t>(recordFirst_))
            EndRecord(line_);
        return std::move(out_);
    }

  private:
    // The field being read: the end of the buffer.
    QStringView Field() const {
        return {out_.text.constData() + fieldStart_, out_.text.size() - fieldStart_};
    }

    void EndField() {
        out_.cells.push_back(Field());
        fieldStart_ = out_.text.size();
    }

    void EndRecord(int nextLine) {
        // An empty line: a record of one empty cell, which is left out.
        if (out_.text.size() == recordStart_ &&
            out_.cells.size() == static_cast<std::size_t>(recordFirst_)) {
            recordLine_ = nextLine;
            return;
        }
        EndField();
        // The record's cells lie one after another in the buffer: all blank when all of that is.
        const QStringView record(out_.text.constData() + recordStart_,
                                 out_.text.size() - recordStart_);
        if (record.trimmed().isEmpty()) {
            out_.cells.resize(static_cast<std::size_t>(recordFirst_));
            out_.text.resize(recordStart_);
            fieldStart_ = recordStart_;
        } else {
            out_.records.push_back({recordLine_, recordFirst_,
                                    static_cast<qsizetype>(out_.cells.size()) - recordFirst_});
        }
        recordFirst_ = static_cast<qsizetype>(out_.cells.size());
        recordStart_ = out_.text.size();
        recordLine_ = nextLine;
        if (out_.records.size() > static_cast<std::size_t>(kCsvMaxRows) + 1)
            out_.error =
                QStringLiteral("в файле больше %1 строк; это не список каналов").arg(kCsvMaxRows);
    }

    // Appends the characters from `i` on up to the next that means something; the index of the
    // last one taken.
    qsizetype TakeRun(qsizetype i, bool inQuotes) {
        qsizetype end = std::min(std::min(quote_.From(i + 1), cr_.From(i + 1)), lf_.From(i + 1));
        if (!inQuotes) end = std::min(end, separator_.From(i + 1));
        out_.text.append(text_.constData() + i, end - i);
        return end - 1;
    }

    const QString& text_;
    const QChar delimiter_;
    NextOf quote_;
    NextOf cr_;
    NextOf lf_;
    NextOf separator_;
    Tokenized out_;
    qsizetype fieldStart_ = 0;   // the field being read is the end of the buffer from here
    qsizetype recordFirst_ = 0;  // the first cell of the record being read
    qsizetype recordStart_ = 0;  // and its first character in the buffer
    int recordLine_ = 1;
    bool quoted_ = false;
    int line_ = 1;
    int quoteLine_ = 0;
};

}  // namespace

Tokenized Tokenize(const QString& text, QChar delimiter) {
    return Tokenizer(text, delimiter).Run();
}

bool HasControlCharacters(QStringView text) {
    constexpr qsizetype kBlock = 16;  // characters, in four words
    const char16_t* units = text.utf16();
    qsizetype i = 0;
    for (; i + kBlock <= text.size(); i += kBlock) {
        std::array<std::uint64_t, 4> words;
        std::memcpy(words.data(), units + i, sizeof words);
        if ((ControlUnits(words[0]) | ControlUnits(words[1]) | ControlUnits(words[2]) |
             ControlUnits(words[3])) != 0)
            return true;
    }
    return std::any_of(units + i, units + text.size(), IsControl);
}

std::optional<long long> ParseDecimal(QStringView text, int decimals) {
    const QStringView t = text.trimmed();
    qsizetype sep = t.indexOf(u'.');
    if (sep < 0) sep = t.indexOf(u',');
    const QStringView whole = sep < 0 ? t : t.left(sep);
    const QStringView fraction = sep < 0 ? QStringView() : t.mid(sep + 1);
    if (whole.isEmpty() && fraction.isEmpty()) return std::nullopt;
    if (whole.size() > 9) return std::nullopt;
    for (const QStringView part : {whole, fraction})
        for (const QChar ch : part)
            if (ch < u'0' || ch > u'9') return std::nullopt;
    long long value = whole.isEmpty() ? 0 : whole.toLongLong();
    for (int d = 0; d < decimals; ++d)
        value = value * 10 + (d < fraction.size() ? fraction.at(d).digitValue() : 0);
    if (fraction.size() > decimals && fraction.at(decimals).digitValue() >= 5) ++value;
    return value;
}

}  // namespace belvan::csv
