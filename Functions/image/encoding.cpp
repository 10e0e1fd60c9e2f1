#include "encoding.h"

#include <algorithm>

#include "image_state.h"
#include "parameter_image.h"
#include "plan/channel_editing.h"
#include "plan/ctcss_table.h"
#include "plan/number_text.h"

namespace belvan {

namespace {
// A time box: seconds or minutes times `perUnit`, stored as 16 bits. The product is computed
// wide, so a value too large for the field is refused instead of wrapping.
std::uint16_t EncodeTime(const ComboState& box, const QString& boxName, int perUnit) {
    if (box.text.isEmpty()) return 0;
    const long long value = ReadWholeNumberOrThrow(box.text);
    const long long stored = value * perUnit;
    if (stored < 0 || stored > 0xFFFF) {
        throw RangeError(QStringLiteral("Значение «%1» в поле «%2» не поместится в радиостанцию: "
                                        "допустимо от 0 до %3.")
                             .arg(box.text, boxName)
                             .arg(0xFFFF / perUnit));
    }
    return static_cast<std::uint16_t>(stored);
}

// A text that does not begin with a number ends the encode with the conversion error, as every
// box's does; any other text the box does not take is refused with what the box takes.
std::uint16_t ToneNumberOfBox(const Controls& ctl, int c) {
    const QString& text = ctl.toneBoxes[static_cast<std::size_t>(c)].text;
    if (!text.isEmpty()) ReadWholeNumberOrThrow(text.left(2));
    const Result<int> number = ToneOfBoxText(text, c);
    if (!number) throw RangeError(number.error().text);
    return static_cast<std::uint16_t>(*number);
}

// SettingsBlock bytes 0..31 into `image` and the tone numbers into `plan`, in this order, so
// that an error leaves the steps before it done.
void EncodeInto(const Controls& ctl, ParameterImage& image, ChannelPlan& plan) {
    auto& s = image.settings;
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

    for (int c = 0; c < kChannelCount; ++c)
        plan[static_cast<std::size_t>(c)].toneNumber = ToneNumberOfBox(ctl, c);

    image.SetSettingsWord(
        SettingsOffset::waitTime,
        EncodeTime(ctl.ComboBox4, QStringLiteral("Время ожидания (сек.)"), kWaitTimePerSecond));
    image.SetSettingsWord(SettingsOffset::maxTransmitTime,
                          EncodeTime(ctl.ComboBox29, QStringLiteral("Макс. время передачи(мин.)"),
                                     kMaxTransmitPerMinute));
    image.SetSettingsWord(SettingsOffset::transmitOffTime,
                          EncodeTime(ctl.ComboBox30, QStringLiteral("Время откл. передачи (сек.)"),
                                     kTransmitOffPerSecond));
}
}  // namespace

std::uint8_t KeyCodeFromIndex(int position) {
    if (position >= 0 && position < kKeyFunctionCount)
        return kKeyFunctionCodes[static_cast<std::size_t>(position)];
    return static_cast<std::uint8_t>(position & 0xFF);
}

Result<PlanImage> MakeImage(const ChannelPlan& plan, const Controls& ctl,
                            const ParameterImage& carried) {
    try {
        PlanImage made{plan, carried};
        for (int c = 0; c < kChannelCount; ++c)
            made.plan[static_cast<std::size_t>(c)].Set(ChannelFlag::InUse,
                                                       ReceiveCellInUse(ctl, c));
        EncodeInto(ctl, made.image, made.plan);
        for (int c = 0; c < kChannelCount; ++c)
            made.image.SetRecord(c, made.plan[static_cast<std::size_t>(c)]);
        return made;
    } catch (const ConversionError& error) {
        return Error{ErrorKind::Value, QString::fromStdString(error.what())};
    } catch (const RangeError& error) {
        return Error{ErrorKind::Value, QString::fromStdString(error.what())};
    }
}

ParameterImage StartUpImage() {
    ImageState started;
    ClearAllChannels(started);
    // Every box of a fresh window holds a number: this image is always made.
    return MakeImage(started.plan, started.ctl, started.image)->image;
}

bool EncodeSettings(ImageState& p) {
    EncodeInto(p.ctl, p.image, p.plan);
    return true;
}

void CopyChannelsToImage(ImageState& p) {
    for (int c = 0; c < kChannelCount; ++c) p.image.SetRecord(c, p.Channel(c));
}

}  // namespace belvan
