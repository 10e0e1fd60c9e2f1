#include "encoding.h"

#include <algorithm>

#include "parameter_image.h"
#include "plan/ctcss_table.h"
#include "plan/number_text.h"
#include "program_state.h"

namespace belvan {

namespace {
// A time box: seconds or minutes times `perUnit`, stored as 16 bits. The product is computed
// wide, so a value too large for the field is refused instead of wrapping.
void EncodeTime(ProgramState& p, const ComboState& box, const QString& boxName, int offset,
                int perUnit) {
    if (box.text.isEmpty()) {
        p.image.SetSettingsWord(offset, 0);
        return;
    }
    const long long value = ReadWholeNumberOrThrow(box.text);
    const long long stored = value * perUnit;
    if (stored < 0 || stored > 0xFFFF) {
        throw RangeError(QStringLiteral("Значение «%1» в поле «%2» не поместится в радиостанцию: "
                                        "допустимо от 0 до %3.")
                             .arg(box.text, boxName)
                             .arg(0xFFFF / perUnit));
    }
    p.image.SetSettingsWord(offset, static_cast<std::uint16_t>(stored));
}
}  // namespace

std::uint8_t KeyCodeFromIndex(int position) {
    if (position >= 0 && position < kKeyFunctionCount)
        return kKeyFunctionCodes[static_cast<std::size_t>(position)];
    return static_cast<std::uint8_t>(position & 0xFF);
}

int ToneNumberFromText(const QString& text) {
    return ReadWholeNumberOrThrow(text.left(2));
}

bool EncodeSettings(ProgramState& p) {
    auto& s = p.image.settings;
    const Controls& ctl = p.ctl;
    std::fill(s.begin(), s.begin() + SettingsOffset::encodedLength, 0);

    if (ctl.CheckBox6) s[SettingsOffset::modeFlags] = ModeFlag::PriorityScan;
    if (ctl.CheckBox3) s[SettingsOffset::modeFlags] += ModeFlag::Cloning;

    // The last checked button in this order wins.
    if (ctl.RadioButton9) s[SettingsOffset::operatingMode] = OperatingMode::Working;
    if (ctl.RadioButton10) s[SettingsOffset::operatingMode] = OperatingMode::Test;
    if (ctl.RadioButton11) s[SettingsOffset::operatingMode] = OperatingMode::RunIn;
    if (ctl.RadioButton12) s[SettingsOffset::operatingMode] = OperatingMode::Adjustment;

    for (int slot = 0; slot < kKeySlots; ++slot) {
        s[SettingsOffset::f1Keys + slot] = KeyCodeFromIndex(ctl.keyBoxes[slot].index);
        s[SettingsOffset::f2Keys + slot] = KeyCodeFromIndex(ctl.keyBoxes[kKeySlots + slot].index);
    }

    for (int c = 0; c < kChannelCount; ++c) {
        const QString& text = ctl.toneBoxes[static_cast<std::size_t>(c)].text;
        const int number = text.isEmpty() ? 0 : ToneNumberFromText(text);
        if (number < 0 || number > kToneCount) {
            throw RangeError(QStringLiteral("Тон «%1» канала %2 не входит в таблицу CTSS: "
                                            "допустимы номера от 01 до %3 или пустое поле.")
                                 .arg(text)
                                 .arg(c + 1, 2, 10, QChar(u'0'))
                                 .arg(kToneCount));
        }
        p.Channel(c).toneNumber = static_cast<std::uint16_t>(number);
    }

    EncodeTime(p, ctl.ComboBox4, QStringLiteral("Время ожидания (сек.)"), SettingsOffset::waitTime,
               kWaitTimePerSecond);
    EncodeTime(p, ctl.ComboBox29, QStringLiteral("Макс. время передачи(мин.)"),
               SettingsOffset::maxTransmitTime, kMaxTransmitPerMinute);
    EncodeTime(p, ctl.ComboBox30, QStringLiteral("Время откл. передачи (сек.)"),
               SettingsOffset::transmitOffTime, kTransmitOffPerSecond);
    return true;
}

void CopyChannelsToImage(ProgramState& p) {
    for (int c = 0; c < kChannelCount; ++c) p.image.SetRecord(c, p.Channel(c));
}

}  // namespace belvan
