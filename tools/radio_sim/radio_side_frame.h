// The frames as the radio's side lays them out and checks them: the simulator and the tests'
// in-memory radio use this, never the tool's frame code, so that a mistake in the tool's checksum
// ranges or frame layout makes the radio refuse the tool's frames and the tool refuse the radio's,
// instead of both sides making the same mistake and agreeing.
//
//   offset  length  content
//        0       4  22 FF 00 00 (the second write frame: 22 FF 00 02)
//        4     194  the image
//      198      60  filler, FF
//      258       1  checksum A: bytes 4..257 added up, modulo 256
//      259       1  checksum B: bytes 0..258 added up, modulo 256
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "image/parameter_image.h"

namespace belvan::radio_side {

using Frame = std::array<std::uint8_t, 260>;

// The read request as it comes in: '!', FF, 00, 00 and the sum of those four.
inline constexpr std::array<std::uint8_t, 5> kReadRequest = {0x21, 0xFF, 0x00, 0x00, 0x20};

inline constexpr std::size_t kSequenceAt = 3;
inline constexpr std::size_t kImageAt = 4;
inline constexpr std::size_t kFillerAt = 198;
inline constexpr std::size_t kChecksumAAt = 258;
inline constexpr std::size_t kChecksumBAt = 259;

// Bytes first..last of the frame, both included, added up modulo 256.
inline std::uint8_t SumOf(const Frame& frame, std::size_t first, std::size_t last) {
    unsigned sum = 0;
    for (std::size_t i = first; i <= last; ++i) sum += frame[i];
    return static_cast<std::uint8_t>(sum & 0xFFu);
}
inline std::uint8_t ChecksumAOf(const Frame& frame) {
    return SumOf(frame, 4, 257);
}
inline std::uint8_t ChecksumBOf(const Frame& frame) {
    return SumOf(frame, 0, 258);
}

// Both checksums into their places, A first: B covers A.
inline void Seal(Frame& frame) {
    frame[kChecksumAAt] = ChecksumAOf(frame);
    frame[kChecksumBAt] = ChecksumBOf(frame);
}

inline bool ChecksumsHold(const Frame& frame) {
    return frame[kChecksumAAt] == ChecksumAOf(frame) && frame[kChecksumBAt] == ChecksumBOf(frame);
}

// The frame the radio sends in answer to a read request.
inline Frame FrameOf(const ParameterImage& image) {
    Frame frame;
    frame.fill(0xFF);
    frame[0] = 0x22;
    frame[1] = 0xFF;
    frame[2] = 0x00;
    frame[3] = 0x00;
    const auto bytes = image.Bytes();
    std::copy(bytes.begin(), bytes.end(), frame.begin() + kImageAt);
    Seal(frame);
    return frame;
}

inline ParameterImage ImageIn(const Frame& frame) {
    return ParameterImage::FromBytes(frame.data() + kImageAt);
}

}  // namespace belvan::radio_side
