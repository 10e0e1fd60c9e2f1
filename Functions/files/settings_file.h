// The channel-settings file (".ctrch"): 255 bytes, no header.
//
//   offset  length  content
//        0     160  ChannelBlock
//      160      34  SettingsBlock
//      194      60  filler, every byte 0xFF
//      254       1  checksum: low 8 bits of the sum of bytes 0..253
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "file_io.h"
#include "image/parameter_image.h"

namespace belvan {

inline constexpr int kSettingsFileSize = 255;
inline constexpr int kFileFillerOffset = kImageSize;  // 194
inline constexpr int kFileChecksumOffset = 254;
inline const QString kSettingsFileExtension = QStringLiteral(".ctrch");

using FileBytes = std::array<std::uint8_t, kSettingsFileSize>;

std::uint8_t FileChecksum(const FileBytes& bytes);  // sum of bytes 0..253
FileBytes BuildFileBytes(const ParameterImage& image);
ParameterImage ImageFromFileBytes(const FileBytes& bytes);
bool FileChecksumMatches(const FileBytes& bytes);

// What became of reading a file from disk.
struct FileReadResult {
    std::optional<FileBytes> bytes;  // set when the file was read and is exactly 255 bytes long
    QString error;                   // why not, in the operator's words
};

// Reads the whole file and checks its length; never more than a little past 255 bytes is read.
FileReadResult ReadSettingsFile(const QString& path);
// The same check of what was read: exactly 255 bytes.
FileReadResult SettingsFileFromBytes(const QByteArray& data);

// Writes the 255 bytes so that an existing file is replaced only by a complete new one.
// Returns the empty text on success, else why it failed in the operator's words.
QString WriteSettingsFile(const QString& path, const FileBytes& bytes);

}  // namespace belvan
