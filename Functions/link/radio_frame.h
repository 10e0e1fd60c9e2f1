// The frames on the serial line: the 5-byte command, the 260-byte data frame with its two
// additive checksums, the acknowledgement 'O' and the radio's 23-byte announcement.
//
// Data frame:
//   offset  length  content
//        0       1  0x22 in frames the tool sends
//        1       1  0xFF
//        2       1  0x00
//        3       1  0x00 in the first write frame, 0x02 in the second
//        4     160  ChannelBlock
//      164      34  SettingsBlock
//      198      60  filler, 0xFF in frames the tool sends
//      258       1  checksum A: sum of bytes 4..257 modulo 256
//      259       1  checksum B: sum of bytes 0..258 modulo 256
#pragma once

#include <array>
#include <cstdint>

#include "image/parameter_image.h"

namespace belvan {

inline constexpr int kDataFrameSize = 260;
inline constexpr int kCommandFrameSize = 5;
inline constexpr std::uint8_t kAcknowledge = 0x4F;       // 'O'
inline constexpr std::uint8_t kCommandStart = 0x21;      // '!'
inline constexpr std::uint8_t kReadRequest = 0xFF;       // first command byte of the read
inline constexpr std::uint8_t kDataFrameStart = 0x22;    // '"'
inline constexpr std::uint8_t kFirstWriteFrame = 0x00;   // byte 3 of the first write frame
inline constexpr std::uint8_t kSecondWriteFrame = 0x02;  // byte 3 of the second write frame
inline constexpr std::uint8_t kFiller = 0xFF;
inline constexpr std::uint8_t kAnnouncementStart = 0x10;  // first byte of the radio's announcement
inline constexpr int kAnnouncementLength = 23;

namespace FrameOffset {
inline constexpr int start = 0;
inline constexpr int header1 = 1;
inline constexpr int header2 = 2;
inline constexpr int sequence = 3;
inline constexpr int channels = 4;
inline constexpr int settings = 4 + kChannelBlockSize;  // 164
inline constexpr int filler = 4 + kImageSize;           // 198
inline constexpr int fillerLength = 60;
inline constexpr int checksumA = 258;
inline constexpr int checksumB = 259;
}  // namespace FrameOffset

using DataFrame = std::array<std::uint8_t, kDataFrameSize>;
using CommandFrame = std::array<std::uint8_t, kCommandFrameSize>;

// 0x21, first, second, 0x00, then the sum of those four modulo 256.
CommandFrame BuildCommandFrame(std::uint8_t first, std::uint8_t second);

std::uint8_t ChecksumA(const DataFrame& frame);  // bytes 4..257
std::uint8_t ChecksumB(const DataFrame& frame);  // bytes 0..258

// A frame as the tool sends it: 22 FF 00 sequence, the image, 0xFF filler, both checksums.
DataFrame BuildDataFrame(const ParameterImage& image, std::uint8_t sequence);

// The image carried at frame bytes 4..197.
ParameterImage ImageFromFrame(const DataFrame& frame);

}  // namespace belvan
