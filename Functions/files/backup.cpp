#include "backup.h"

#include <QDir>
#include <QStandardPaths>

#include "settings_file.h"

namespace belvan {

namespace {
constexpr int kMaxBackupsPerSecond = 1000;
}  // namespace

QString BackupFolder() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(data).filePath(QStringLiteral("belvan/backups"));
}

Result<QString> WriteBackup(const ParameterImage& image, const QDateTime& when,
                            const QString& folder) {
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        return Error{
            ErrorKind::File,
            QStringLiteral("не удалось создать папку «%1»").arg(QDir::toNativeSeparators(folder))};
    }
    const FileBytes fileBytes = BuildFileBytes(image);
    const QByteArray bytes(reinterpret_cast<const char*>(fileBytes.data()), kSettingsFileSize);
    const QString stem = when.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    // Several programs may keep a backup in the same second: each name is claimed by creating
    // the file, never by replacing one.
    for (int n = 1; n <= kMaxBackupsPerSecond; ++n) {
        const QString name = n == 1 ? stem : QStringLiteral("%1-%2").arg(stem).arg(n);
        const QString path = QDir(folder).filePath(name + kSettingsFileExtension);
        const Result<NewFileOutcome> written = WriteNewFile(path, bytes);
        if (!written) {
            return Error{ErrorKind::File,
                         QStringLiteral("не удалось сохранить файл «%1»: %2")
                             .arg(QDir::toNativeSeparators(path), written.error().text)};
        }
        if (*written == NewFileOutcome::Taken) continue;
        // A backup counts only once what is on the disk is what was meant to be there.
        const Result<QByteArray> back = ReadFileBytes(path, kSettingsFileSize);
        if (!back || *back != bytes) {
            return Error{ErrorKind::File,
                         QStringLiteral("файл «%1» прочитан не таким, каким был записан%2")
                             .arg(QDir::toNativeSeparators(path),
                                  back ? QString() : QStringLiteral(": ") + back.error().text)};
        }
        return path;
    }
    return Error{ErrorKind::File, QStringLiteral("в папке «%1» заняты все имена для этой секунды")
                                      .arg(QDir::toNativeSeparators(folder))};
}

}  // namespace belvan
