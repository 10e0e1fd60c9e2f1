#include "settings_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <numeric>

namespace belvan {

std::uint8_t FileChecksum(const FileBytes& bytes) {
    return static_cast<std::uint8_t>(
        std::accumulate(bytes.begin(), bytes.begin() + kFileChecksumOffset, 0u));
}

FileBytes BuildFileBytes(const ParameterImage& image) {
    FileBytes bytes;
    bytes.fill(0xFF);
    const auto imageBytes = image.Bytes();
    std::copy(imageBytes.begin(), imageBytes.end(), bytes.begin());
    bytes[kFileChecksumOffset] = FileChecksum(bytes);
    return bytes;
}

ParameterImage ImageFromFileBytes(const FileBytes& bytes) {
    return ParameterImage::FromBytes(bytes.data());
}

bool FileChecksumMatches(const FileBytes& bytes) {
    return FileChecksum(bytes) == bytes[kFileChecksumOffset];
}

QString FileErrorReason(const QFileDevice& file) {
    switch (file.error()) {
        case QFileDevice::NoError:
            return QStringLiteral("неизвестная ошибка");
        case QFileDevice::OpenError:
            if (!QFileInfo::exists(file.fileName())) return QStringLiteral("файл не найден");
            return QStringLiteral("файл не удаётся открыть (нет доступа или он занят)");
        case QFileDevice::PermissionsError:
            return QStringLiteral("нет прав доступа к файлу");
        case QFileDevice::ReadError:
            return QStringLiteral("ошибка чтения файла");
        case QFileDevice::WriteError:
            return QStringLiteral("ошибка записи (нет места на диске или носитель защищён)");
        case QFileDevice::ResourceError:
            return QStringLiteral("недостаточно системных ресурсов или места на диске");
        default:
            return QStringLiteral("ошибка ввода-вывода: %1").arg(file.errorString());
    }
}

FileContent ReadFileBytes(const QString& path, qint64 limit) {
    FileContent result;
    const QFileInfo info(path);
    if (info.isDir()) {
        result.error = QStringLiteral("это папка, а не файл");
        return result;
    }
    if (info.exists() && !info.isFile()) {
        // A pipe or a device could keep the window waiting for bytes that never come.
        result.error = QStringLiteral("это не обычный файл");
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = FileErrorReason(file);
        return result;
    }
    // One byte more than the limit tells a long file from a good one without reading it all.
    result.data = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError) {
        result.data.clear();
        result.error = FileErrorReason(file);
    }
    return result;
}

FileReadResult ReadSettingsFile(const QString& path) {
    const FileContent content = ReadFileBytes(path, kSettingsFileSize);
    if (!content.error.isEmpty()) return {std::nullopt, content.error};
    return SettingsFileFromBytes(content.data);
}

FileReadResult SettingsFileFromBytes(const QByteArray& data) {
    FileReadResult result;
    if (data.size() != kSettingsFileSize) {
        result.error = data.size() > kSettingsFileSize
                           ? QStringLiteral("файл длиннее %1 байт; это не файл настроек каналов")
                                 .arg(kSettingsFileSize)
                           : QStringLiteral(
                                 "длина файла %1 байт вместо %2; файл повреждён или "
                                 "это не файл настроек каналов")
                                 .arg(data.size())
                                 .arg(kSettingsFileSize);
        return result;
    }
    FileBytes bytes;
    std::copy(data.begin(), data.end(), bytes.begin());
    result.bytes = bytes;
    return result;
}

QString WriteSettingsFile(const QString& path, const FileBytes& bytes) {
    return WriteFileBytes(path, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                           static_cast<qsizetype>(bytes.size())));
}

QString WriteFileBytes(const QString& path, const QByteArray& bytes) {
    if (QFileInfo(path).isDir()) return QStringLiteral("это папка, а не файл");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return FileErrorReason(file);
    const auto written = file.write(bytes);
    if (written != static_cast<qint64>(bytes.size())) {
        const QString reason = FileErrorReason(file);
        file.cancelWriting();
        return reason;
    }
    if (!file.commit()) return FileErrorReason(file);
    return {};
}

}  // namespace belvan
