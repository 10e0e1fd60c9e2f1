#include "default_image.h"

namespace belvan::sim {

namespace {

// The radio stores a frequency as its distance from 146 MHz in 12.5 kHz steps.
constexpr std::uint16_t CodeOf(long hz) {
    return static_cast<std::uint16_t>((hz - 146'000'000L) / 12'500L);
}
static_assert(CodeOf(150'000'000L) == 0x0140);

ChannelEntry Channel(std::uint8_t flags, long rxHz, long txHz, std::uint16_t tone) {
    ChannelEntry entry;
    entry.flags = flags;
    entry.rxCode = CodeOf(rxHz);
    entry.txCode = CodeOf(txHz);
    entry.toneNumber = tone;
    return entry;
}

}  // namespace

ParameterImage DefaultImage() {
    using namespace ChannelFlag;
    ParameterImage image;

    ChannelEntry empty;
    empty.flags = Step25;
    empty.rxCode = NoFrequency;
    empty.txCode = NoFrequency;
    for (int i = 0; i < kChannelCount; ++i) image.SetRecord(i, empty);

    image.SetRecord(0, Channel(InUse | Step25 | DetectCtcss, 150'000'000L, 150'025'000L, 7));
    image.SetRecord(1,
                    Channel(InUse | Step25 | Scan | DetectCarrier, 151'500'000L, 151'500'000L, 0));
    image.SetRecord(
        2, Channel(InUse | Step25 | Masking | Scan | DetectCtcss, 152'250'000L, 156'850'000L, 12));
    // 12.5 kHz grid, half-kHz receive frequency: the in-use bit stays clear.
    image.SetRecord(3, Channel(Scan | DetectCarrier, 153'012'500L, 153'012'500L, 0));
    image.SetRecord(4, Channel(InUse | Masking | DetectCtcss, 154'025'000L, 154'037'500L, 22));
    image.SetRecord(5, Channel(DetectCarrier, 146'012'500L, 146'012'500L, 0));

    image.settings.fill(kNoFunctionCode);
    image.settings[SettingsOffset::modeFlags] = ModeFlag::PriorityScan;
    image.settings[SettingsOffset::operatingMode] = OperatingMode::Working;
    image.settings[SettingsOffset::f1Keys + 0] = kKeyFunctionCodes[1];  // squelch
    image.settings[SettingsOffset::f1Keys + 1] = kKeyFunctionCodes[3];  // scanning
    image.settings[SettingsOffset::f2Keys + 0] = kKeyFunctionCodes[4];  // power
    image.SetSettingsWord(SettingsOffset::waitTime, 2 * kWaitTimePerSecond);
    image.SetSettingsWord(SettingsOffset::maxTransmitTime, 3 * kMaxTransmitPerMinute);
    image.SetSettingsWord(SettingsOffset::transmitOffTime, 30 * kTransmitOffPerSecond);
    for (int i = 0; i < SettingsOffset::zeroLength; ++i)
        image.settings[SettingsOffset::zero + i] = 0;
    image.settings[SettingsOffset::carriedBytes] = 0x12;
    image.settings[SettingsOffset::carriedBytes + 1] = 0x34;
    return image;
}

}  // namespace belvan::sim
