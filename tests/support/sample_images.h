// Images the tests share.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

#include "image/parameter_image.h"

namespace belvan {

// A plan as the window itself would save it, so that loading and writing it changes nothing:
// channel 1 150.000/150.025 MHz with CTCSS tone 7, channel 2 on the 12.5 kHz grid with a
// half-kHz frequency (no in-use bit), channel 3 on the 25 kHz grid carrier-detected, the rest
// empty. Settings: no key functions, 1 s, 1 min, 20 s, carried bytes 12 34.
inline ParameterImage SampleImage() {
    using namespace ChannelFlag;
    const auto entry = [](std::uint8_t flags, std::uint16_t rx, std::uint16_t tx) {
        return ChannelEntry{.flags = flags, .rxCode = rx, .txCode = tx};
    };
    ParameterImage image;
    for (int c = 0; c < kChannelCount; ++c)
        image.SetRecord(c, entry(Step25, NoFrequency, NoFrequency));
    const std::uint8_t first[kChannelRecordSize] = {0x0D, 0x00, 0x40, 0x01, 0x42,
                                                    0x01, 0x07, 0x00, 0x00, 0x00};
    image.SetRecord(0, ChannelEntry::FromBytes(first));
    image.SetRecord(1, entry(Scan | Masking | DetectCarrier, 1, 2));  // 146012,5 / 146025
    image.SetRecord(2, entry(InUse | Step25 | DetectCarrier | Scan, 2318, 2316));
    const std::uint8_t settings[kSettingsBlockSize] = {
        0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xC8, 0x00,
        0xB0, 0x04, 0x90, 0x01, 0,    0,    0,    0,    0,    0,    0,    0,
        0,    0,    0,    0,    0,    0,    0,    0,    0x12, 0x34};
    std::copy(std::begin(settings), std::end(settings), image.settings.begin());
    return image;
}

// An image whose 194 bytes all differ from one another (byte i is 7i + 3, modulo 256), none of
// them zero: a byte moved, dropped or added anywhere shows.
inline ParameterImage DistinctBytesImage() {
    std::array<std::uint8_t, kImageSize> bytes;
    for (int i = 0; i < kImageSize; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7 + 3);
    return ParameterImage::FromBytes(bytes.data());
}

// An image unlike the empty one in every channel and in the first `settingsBytes` settings bytes.
inline ParameterImage DifferentImage(int settingsBytes) {
    ParameterImage image;
    for (int c = 0; c < kChannelCount; ++c) {
        ChannelEntry entry;
        entry.flags = ChannelFlag::InUse;
        entry.rxCode = static_cast<std::uint16_t>(100 + c);
        entry.txCode = static_cast<std::uint16_t>(200 + c);
        image.SetRecord(c, entry);
    }
    for (int i = 0; i < settingsBytes; ++i)
        image.settings[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i + 1);
    return image;
}

}  // namespace belvan
