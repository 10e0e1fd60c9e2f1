// Reading and writing whole files, for every file the tool keeps: settings files, backups, CSV
// lists and printed sheets. A write replaces an old file only by a complete new one, checks every
// write and the flush, and refuses to touch anything that is not a regular file; failures come
// back in the operator's words.
#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

namespace belvan {

// What was read of a file: its bytes, up to one more than asked for, or why it could not be read
// (a folder, a pipe or a device, no access, a read error) in the operator's words.
struct FileContent {
    QByteArray data;
    QString error;
};
FileContent ReadFileBytes(const QString& path, qint64 limit);

// Why `path` cannot be written, or the empty text: it may be a new file in an existing folder or
// an existing regular file (or a link to one), nothing else.
QString WriteTargetProblem(const QString& path);
// True when both paths name one existing file (through links, or another spelling of the path).
bool SameFile(const QString& a, const QString& b);

// Writes the bytes so that an existing file is replaced only by a complete new one. Returns the
// empty text on success, else why it failed; on failure the old file is exactly as it was.
QString WriteFileBytes(const QString& path, const QByteArray& bytes);

// Writes a file that does not exist yet; the name is claimed by the system, so two writers never
// get the same one. `Taken` when a file of that name exists already.
enum class NewFileOutcome { Written, Taken, Failed };
struct NewFileResult {
    NewFileOutcome outcome = NewFileOutcome::Failed;
    QString error;  // why it failed; nothing of the file is left behind then
};
NewFileResult WriteNewFile(const QString& path, const QByteArray& bytes);

// Why a file operation failed, in the operator's words: from the system's error number taken
// right after the failure where there is one (`systemError`), else from Qt's kind of error.
QString FileErrorReason(const QFileDevice& file, int systemError = 0);
QString SystemErrorReason(int systemError);

}  // namespace belvan
