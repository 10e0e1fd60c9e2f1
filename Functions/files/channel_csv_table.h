// CSV syntax: the text of a file as records of cells, before any column means anything.
#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <vector>

namespace belvan::csv {

struct Record {
    int line = 0;  // the line of the file the record starts on
    QStringList cells;
};

struct Tokenized {
    std::vector<Record> records;  // records with a non-blank cell
    QString error;  // set when the text is no CSV a channel list can be: nothing else is valid
};

// No cell holds more than blanks.
bool AllEmpty(const QStringList& cells);

// ';' when the first line has semicolons and no comma, as a spreadsheet with Russian settings
// saves CSV; ',' otherwise.
QChar GuessDelimiter(const QString& text);

// RFC 4180 with the usual leniency: CR, LF or CRLF line ends, a quote inside an unquoted field
// taken as it is, text after a closing quote appended to the field. At most kCsvMaxRows records
// (and the header) and kCsvMaxColumns cells in one.
Tokenized Tokenize(const QString& text, QChar delimiter);

}  // namespace belvan::csv
