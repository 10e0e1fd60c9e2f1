#include "settings_file.h"

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

Result<FileBytes> ReadSettingsFile(const QString& path) {
    const Result<QByteArray> content = ReadFileBytes(path, kSettingsFileSize);
    if (!content) return content.error();
    return SettingsFileFromBytes(*content);
}

Result<FileBytes> SettingsFileFromBytes(const QByteArray& data) {
    if (data.size() > kSettingsFileSize) {
        return Error{ErrorKind::WrongFile,
                     QStringLiteral("файл длиннее %1 байт; это не файл настроек каналов")
                         .arg(kSettingsFileSize)};
    }
    if (data.size() < kSettingsFileSize) {
        return Error{ErrorKind::WrongFile, QStringLiteral("длина файла %1 байт вместо %2; файл "
                                                          "повреждён или это не файл настроек "
                                                          "каналов")
                                               .arg(data.size())
                                               .arg(kSettingsFileSize)};
    }
    FileBytes bytes;
    std::copy(data.begin(), data.end(), bytes.begin());
    return bytes;
}

Status WriteSettingsFile(const QString& path, const FileBytes& bytes) {
    return WriteFileBytes(path, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                           static_cast<qsizetype>(bytes.size())));
}

}  // namespace belvan
