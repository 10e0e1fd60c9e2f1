// CSV syntax: the text of a file as records of cells, before any column means anything, and the
// checks of its characters and numbers that come before any column either.
#pragma once

#include <QChar>
#include <QString>
#include <QStringView>
#include <optional>
#include <span>
#include <vector>

namespace belvan::csv {

struct Record {
    int line = 0;         // the line of the file the record starts on
    qsizetype first = 0;  // its first cell in Tokenized::cells
    qsizetype count = 0;  // its number of cells
};

// The cells of every record share one buffer and one list, so a file costs a few allocations
// however many cells it has. It moves but is not copied: the cells look into its buffer.
struct Tokenized {
    Tokenized() = default;
    Tokenized(Tokenized&&) = default;
    Tokenized& operator=(Tokenized&&) = default;

    std::vector<Record> records;  // records with a non-blank cell
    QString error;  // set when the text is no CSV a channel list can be: nothing else is valid

    QString text;                    // the cells' characters, the quotes taken out
    std::vector<QStringView> cells;  // into `text`, record after record

    std::span<const QStringView> Cells(const Record& record) const {
        return {cells.data() + record.first, static_cast<std::size_t>(record.count)};
    }
};

// ';' when the first line has semicolons and no comma, as a spreadsheet with Russian settings
// saves CSV; ',' otherwise.
QChar GuessDelimiter(const QString& text);

// RFC 4180 with the usual leniency: CR, LF or CRLF line ends, a quote inside an unquoted field
// taken as it is, text after a closing quote appended to the field. At most kCsvMaxRows records
// (and the header) and kCsvMaxColumns cells in one.
Tokenized Tokenize(const QString& text, QChar delimiter);

// Control characters other than the tab and line ends.
bool HasControlCharacters(QStringView text);

// A decimal number without sign or exponent, '.' or ',' as separator, as an integer in units of
// 10^-decimals (rounded half up). Nothing when the text is not such a number or too large.
std::optional<long long> ParseDecimal(QStringView text, int decimals);

}  // namespace belvan::csv
