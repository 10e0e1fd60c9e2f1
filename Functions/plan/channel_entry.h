// One channel of the plan: ten bytes, byte for byte the channel record of the parameter image.
#pragma once

#include <array>
#include <cstdint>

namespace belvan {

inline constexpr int kChannelCount = 16;
inline constexpr int kChannelRecordSize = 10;
inline constexpr std::uint16_t NoFrequency = 0xFFFF;  // a missing receive or transmit frequency

// Byte offsets inside a channel record.
namespace RecordOffset {
inline constexpr int flags = 0;       // 8 bits, ChannelFlag below
inline constexpr int reserved = 1;    // 8 bits, not interpreted
inline constexpr int rxCode = 2;      // 16 bits, receive frequency code or NoFrequency
inline constexpr int txCode = 4;      // 16 bits, transmit frequency code or NoFrequency
inline constexpr int toneNumber = 6;  // 16 bits, CtcssTable entry 1..51, 0 = no tone
inline constexpr int spare = 8;       // 16 bits, always 0 in what the tool produces
}  // namespace RecordOffset

// Bits of ChannelEntry::flags.
namespace ChannelFlag {
inline constexpr std::uint8_t InUse = 0x01;          // receive cell holds a whole number of kHz
inline constexpr std::uint8_t Masking = 0x02;        // "Включить маскирование"
inline constexpr std::uint8_t Step25 = 0x04;         // 25 kHz grid; clear: 12.5 kHz grid
inline constexpr std::uint8_t DetectCtcss = 0x08;    // squelch opens on the CTCSS tone
inline constexpr std::uint8_t DetectCarrier = 0x10;  // squelch opens on the carrier
inline constexpr std::uint8_t Scan = 0x20;           // channel takes part in scanning
inline constexpr std::uint8_t Unused = 0xC0;         // bits 6 and 7: always 0 in the plan
}  // namespace ChannelFlag

struct ChannelEntry {
    std::uint8_t flags = 0;
    std::uint8_t reserved = 0;  // carried from the radio or file; zeroed by "Очистить канал"
    std::uint16_t rxCode = 0;
    std::uint16_t txCode = 0;
    std::uint16_t toneNumber = 0;
    std::uint16_t spare = 0;

    bool Has(std::uint8_t bit) const { return (flags & bit) != 0; }
    void Set(std::uint8_t bit, bool on) { flags = on ? (flags | bit) : (flags & ~bit); }
    bool IsEmpty() const { return rxCode == NoFrequency && txCode == NoFrequency; }
    bool HasBothFrequencies() const { return rxCode != NoFrequency && txCode != NoFrequency; }

    // The record's ten bytes, 16-bit words low byte first.
    std::array<std::uint8_t, kChannelRecordSize> ToBytes() const;
    static ChannelEntry FromBytes(const std::uint8_t* record);

    bool operator==(const ChannelEntry&) const = default;
};

using ChannelPlan = std::array<ChannelEntry, kChannelCount>;

}  // namespace belvan
