// The programming station's log: a CSV file with one row for each radio that announced itself (the
// header first when the file is new). Each row goes to the file in one unbuffered write; a row
// that does not fit is cut off again, so the file never holds half a row. A log moved or deleted
// while the station runs is noticed before the next row, which starts a new file of that name.
#pragma once

#include <QFile>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

#include "core/error.h"

namespace belvan::cli {

class StationLog {
  public:
    // No log at all when the path is empty.
    explicit StationLog(const QString& path);

    // Opens the log to add rows to: an existing regular file or a new one; why not (kind File).
    Status Open();
    // Adds a row; when it cannot be, says so at once, naming the row by `what`.
    void Row(const QStringList& cells, const QString& what);

    // Rows that could not be written.
    int Missing() const { return missing_; }
    // The log was moved or deleted while the station ran.
    bool Replaced() const { return replaced_; }

  private:
    Status OpenFile();
    bool Append(const QStringList& cells, const QString& what);
    bool StillThere() const;

    QString path_;
    QFile file_;
    // The file opened, as the system tells files apart (where it lets an open file be moved).
    std::optional<std::pair<quint64, quint64>> identity_;
    int missing_ = 0;
    bool replaced_ = false;
};

}  // namespace belvan::cli
