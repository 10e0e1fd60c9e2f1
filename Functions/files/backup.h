// Automatic backups: every image read from a radio is also kept as a complete channel-settings
// file, named by the date and time of the read, in the user's data folder.
#pragma once

#include <QDateTime>
#include <QString>

#include "core/error.h"
#include "image/parameter_image.h"

namespace belvan {

// <the user's data folder>/belvan/backups: the same folder for the window and belvan-cli.
QString BackupFolder();

// Writes the image as "2026-12-07_14-03-22.ctrch" (with "-2", "-3" … added when that name is
// taken) in `folder`, creating the folder when needed. Never replaces an existing file. The path
// of the file written, or why none was (kind File).
Result<QString> WriteBackup(const ParameterImage& image,
                            const QDateTime& when = QDateTime::currentDateTime(),
                            const QString& folder = BackupFolder());

}  // namespace belvan
