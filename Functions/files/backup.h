// Automatic backups: every image read from a radio is also kept as a complete channel-settings
// file, named by the date and time of the read, in the user's data folder.
#pragma once

#include <QDateTime>
#include <QString>

#include "image/parameter_image.h"

namespace belvan {

// <the user's data folder>/belvan/backups: the same folder for the window and belvan-cli.
QString BackupFolder();

struct BackupResult {
    QString path;   // the file written, when it was
    QString error;  // why not, in the operator's words
    bool Ok() const { return error.isEmpty(); }
};

// Writes the image as "2026-12-07_14-03-22.ctrch" (with "-2", "-3" … added when that name is
// taken) in `folder`, creating the folder when needed. Never replaces an existing file.
BackupResult WriteBackup(const ParameterImage& image,
                         const QDateTime& when = QDateTime::currentDateTime(),
                         const QString& folder = BackupFolder());

}  // namespace belvan
