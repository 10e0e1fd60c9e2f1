#include "backup.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "settings_file.h"

namespace belvan {

QString BackupFolder() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(data).filePath(QStringLiteral("belvan/backups"));
}

BackupResult WriteBackup(const ParameterImage& image, const QDateTime& when,
                         const QString& folder) {
    BackupResult result;
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        result.error =
            QStringLiteral("не удалось создать папку «%1»").arg(QDir::toNativeSeparators(folder));
        return result;
    }
    const QString stem = when.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    QString path = QDir(folder).filePath(stem + kSettingsFileExtension);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("%1-%2").arg(stem).arg(n) +
                                     kSettingsFileExtension);
    const QString failure = WriteSettingsFile(path, BuildFileBytes(image));
    if (!failure.isEmpty()) {
        result.error = QStringLiteral("не удалось сохранить файл «%1»: %2")
                           .arg(QDir::toNativeSeparators(path), failure);
        return result;
    }
    result.path = path;
    return result;
}

}  // namespace belvan
