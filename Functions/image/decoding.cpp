#include "decoding.h"

#include "image_state.h"
#include "parameter_image.h"
#include "plan/ctcss_table.h"

namespace belvan {

namespace {
// A time the list offers is selected; any other shows the list's first entry.
void ShowTime(ComboState& box, unsigned value) {
    const int position = static_cast<int>(box.items.indexOf(QString::number(value)));
    box.Select(position >= 0 ? position : 0);
}
}  // namespace

void CopyImageToChannels(ImageState& p) {
    for (int c = 0; c < kChannelCount; ++c) {
        ChannelEntry entry = p.image.Record(c);
        entry.flags &= static_cast<std::uint8_t>(~ChannelFlag::Unused);
        entry.spare = 0;
        p.Channel(c) = entry;
    }
}

int KeyIndexFromCode(std::uint8_t code) {
    if (code == kNoFunctionCode) return 0;
    for (int position = 1; position < kKeyFunctionCount; ++position)
        if (kKeyFunctionCodes[static_cast<std::size_t>(position)] == code) return position;
    return 0;
}

void DecodeSettings(ImageState& p) {
    const auto& s = p.image.settings;
    Controls& ctl = p.ctl;
    ctl.CheckBox6 = (s[SettingsOffset::modeFlags] & ModeFlag::PriorityScan) != 0;
    ctl.CheckBox3 = (s[SettingsOffset::modeFlags] & ModeFlag::Cloning) != 0;

    const std::uint8_t mode = s[SettingsOffset::operatingMode];
    ctl.RadioButton9 = mode == OperatingMode::Working;
    ctl.RadioButton12 = mode == OperatingMode::Adjustment;
    ctl.RadioButton10 = mode == OperatingMode::Test;
    ctl.RadioButton11 = mode == OperatingMode::RunIn;

    for (int slot = 0; slot < kKeySlots; ++slot) {
        ctl.keyBoxes[slot].Select(KeyIndexFromCode(s[SettingsOffset::f1Keys + slot]));
        ctl.keyBoxes[kKeySlots + slot].Select(KeyIndexFromCode(s[SettingsOffset::f2Keys + slot]));
    }

    for (int c = 0; c < kChannelCount; ++c)
        ctl.toneBoxes[static_cast<std::size_t>(c)].SetText(
            ToneTextFromNumber(p.Channel(c).toneNumber));

    const unsigned wait = p.image.SettingsWord(SettingsOffset::waitTime);
    const unsigned maxTransmit = p.image.SettingsWord(SettingsOffset::maxTransmitTime);
    const unsigned transmitOff = p.image.SettingsWord(SettingsOffset::transmitOffTime);
    ShowTime(ctl.ComboBox4, wait * 5 / 1000);
    ShowTime(ctl.ComboBox29, maxTransmit * 50 / 60000);
    ShowTime(ctl.ComboBox30, transmitOff * 50 / 1000);
}

void ResetSettingsControls(ImageState& p) {
    Controls& ctl = p.ctl;
    for (auto& box : ctl.toneBoxes) box.SetText(QString());
    ctl.ComboBox4.Select(0);
    ctl.ComboBox4.SetText(QStringLiteral("1"));
    ctl.ComboBox29.Select(0);
    ctl.ComboBox29.SetText(QStringLiteral("1"));
    ctl.ComboBox30.Select(0);
    ctl.ComboBox30.SetText(QStringLiteral("20"));
    for (auto& box : ctl.keyBoxes) box.Select(0);
    ctl.RadioButton9 = true;
    ctl.RadioButton10 = false;
    ctl.RadioButton11 = false;
    ctl.RadioButton12 = false;
    ctl.CheckBox3 = false;
    ctl.CheckBox6 = false;
}

}  // namespace belvan
