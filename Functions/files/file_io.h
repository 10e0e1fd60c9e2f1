// Reading and writing whole files, for every file the tool keeps: settings files, backups, CSV
// lists and printed sheets. A write replaces an old file only by a complete new one, checks every
// write and the flush, and refuses to touch anything that is not a regular file; failures come
// back in the operator's words.
#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include "core/error.h"

namespace belvan {

// What was read of a file: its bytes, up to one more than asked for, or why it could not be read
// (a folder, a pipe or a device, no access, a read error); every error is of kind File.
Result<QByteArray> ReadFileBytes(const QString& path, qint64 limit);

// Success when `path` may be written: a new file in an existing folder or an existing regular
// file (or a link to one), nothing else; else why not (kind File).
Status CheckWriteTarget(const QString& path);
// Success when `path` names nothing yet or a regular file that is not a link: what a file the tool
// keeps for itself (a recovery file) may replace. A link is never followed, a special file never
// opened.
Status CheckOwnFileTarget(const QString& path);
// True when both paths name one existing file (through links, or another spelling of the path).
bool SameFile(const QString& a, const QString& b);

// Writes the bytes so that an existing file is replaced only by a complete new one; on failure
// (kind File) the old file is exactly as it was.
Status WriteFileBytes(const QString& path, const QByteArray& bytes);

// Writes a file that does not exist yet, flushed to the disk before it counts; the name is claimed
// by the system, so two writers never get the same one. `Taken` when a file of that name exists
// already; on an error nothing of the file is left behind.
enum class NewFileOutcome { Written, Taken };
Result<NewFileOutcome> WriteNewFile(const QString& path, const QByteArray& bytes);

// Why a file operation failed, in the operator's words: from the system's error number taken
// right after the failure where there is one (`systemError`), else from Qt's kind of error.
QString FileErrorReason(const QFileDevice& file, int systemError = 0);
QString SystemErrorReason(int systemError);

}  // namespace belvan
