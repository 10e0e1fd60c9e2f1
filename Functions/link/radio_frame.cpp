#include "radio_frame.h"

#include <algorithm>
#include <numeric>

namespace belvan {

namespace {
std::uint8_t Sum(const std::uint8_t* from, const std::uint8_t* to) {
    return static_cast<std::uint8_t>(std::accumulate(from, to, 0u));
}
}  // namespace

CommandFrame BuildCommandFrame(std::uint8_t first, std::uint8_t second) {
    CommandFrame frame{kCommandStart, first, second, 0x00, 0};
    frame[4] = Sum(frame.data(), frame.data() + 4);
    return frame;
}

std::uint8_t ChecksumA(const DataFrame& frame) {
    return Sum(frame.data() + FrameOffset::channels, frame.data() + FrameOffset::checksumA);
}

std::uint8_t ChecksumB(const DataFrame& frame) {
    return Sum(frame.data(), frame.data() + FrameOffset::checksumB);
}

DataFrame BuildDataFrame(const ParameterImage& image, std::uint8_t sequence) {
    DataFrame frame;
    frame.fill(kFiller);
    frame[FrameOffset::start] = kDataFrameStart;
    frame[FrameOffset::header1] = 0xFF;
    frame[FrameOffset::header2] = 0x00;
    frame[FrameOffset::sequence] = sequence;
    const auto bytes = image.Bytes();
    std::copy(bytes.begin(), bytes.end(), frame.begin() + FrameOffset::channels);
    frame[FrameOffset::checksumA] = ChecksumA(frame);
    frame[FrameOffset::checksumB] = ChecksumB(frame);
    return frame;
}

ParameterImage ImageFromFrame(const DataFrame& frame) {
    return ParameterImage::FromBytes(frame.data() + FrameOffset::channels);
}

}  // namespace belvan
