// The 194-byte parameter image: the form in which the radio keeps its parameters, the payload of
// the data frames and the content of a channel-settings file. Every offset and bit is named here.
//
//   offset  length  block
//        0     160  ChannelBlock: 16 channel records of 10 bytes (plan/channel_entry.h), channel 1
//        first
//      160      34  SettingsBlock: the radio-wide settings, layout below
//
// All 16-bit values are stored low byte first and read as unsigned.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "plan/channel_entry.h"

namespace belvan {

inline constexpr int kChannelBlockSize = kChannelCount * kChannelRecordSize;  // 160
inline constexpr int kSettingsBlockSize = 34;
inline constexpr int kImageSize = kChannelBlockSize + kSettingsBlockSize;  // 194

using ChannelBlock = std::array<std::uint8_t, kChannelBlockSize>;
using SettingsBlock = std::array<std::uint8_t, kSettingsBlockSize>;

// Byte offsets inside the SettingsBlock.
namespace SettingsOffset {
inline constexpr int modeFlags = 0;         // 8 bits: ModeFlag below
inline constexpr int operatingMode = 1;     // 8 bits: OperatingMode below
inline constexpr int f1Keys = 2;            // 4 x 8 bits: function codes of F1 slots 1..4
inline constexpr int f2Keys = 6;            // 4 x 8 bits: function codes of F2 slots 1..4
inline constexpr int waitTime = 10;         // 16 bits, units of 5 ms
inline constexpr int maxTransmitTime = 12;  // 16 bits, units of 50 ms
inline constexpr int transmitOffTime = 14;  // 16 bits, units of 50 ms
inline constexpr int zero = 16;             // 16 bytes, always 0 in what the tool produces
inline constexpr int zeroLength = 16;
inline constexpr int carriedBytes = 32;  // 2 bytes carried unchanged from the last image taken in
inline constexpr int carriedLength = 2;
inline constexpr int encodedLength = 32;  // bytes 0..31 are rebuilt by every encode
}  // namespace SettingsOffset

// Bits of modeFlags.
namespace ModeFlag {
inline constexpr std::uint8_t PriorityScan = 0x01;  // "Приор. сканир."
inline constexpr std::uint8_t Cloning = 0x02;       // "Клонирование"
}  // namespace ModeFlag

// Codes of operatingMode.
namespace OperatingMode {
inline constexpr std::uint8_t Working = 0;     // "Рабочий режим", RadioButton9
inline constexpr std::uint8_t Adjustment = 1;  // "Настройка", RadioButton12, hidden
inline constexpr std::uint8_t Test = 2;        // "Тест", RadioButton10, hidden
inline constexpr std::uint8_t RunIn = 3;       // "Прогон", RadioButton11, hidden
}  // namespace OperatingMode

// The name of an operating mode as the window shows it; empty for a code it has no name for.
QString OperatingModeName(std::uint8_t mode);

inline constexpr int kKeySlots = 4;           // slots per F key
inline constexpr int kKeyFunctionCount = 12;  // list positions 0..11
inline constexpr std::uint8_t kNoFunctionCode = 0xFF;

// Function code of each key-slot list position: "--= нет функции =--", "ШП", "Маскирование",
// "Сканирование", "Мощность", "Настройка ШП", "Тон-700Гц" .. "Тон-2100Гц".
inline constexpr std::array<std::uint8_t, kKeyFunctionCount> kKeyFunctionCodes = {
    kNoFunctionCode, 3, 4, 5, 6, 7, 10, 11, 12, 13, 14, 15};

// Stored value per window unit of the three times.
inline constexpr int kWaitTimePerSecond = 200;      // 1000 ms / 5 ms
inline constexpr int kMaxTransmitPerMinute = 1200;  // 60000 ms / 50 ms
inline constexpr int kTransmitOffPerSecond = 20;    // 1000 ms / 50 ms

struct ParameterImage {
    ChannelBlock channels{};
    SettingsBlock settings{};

    // The image as one run of 194 bytes, ChannelBlock first.
    std::array<std::uint8_t, kImageSize> Bytes() const;
    static ParameterImage FromBytes(const std::uint8_t* bytes);

    ChannelEntry Record(int index) const;
    void SetRecord(int index, const ChannelEntry& entry);
    std::uint16_t SettingsWord(int offset) const;
    void SetSettingsWord(int offset, std::uint16_t value);

    bool operator==(const ParameterImage&) const = default;
};

}  // namespace belvan
