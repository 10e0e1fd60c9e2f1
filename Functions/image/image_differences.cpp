#include "image_differences.h"

#include "core/texts.h"
#include "decoding.h"
#include "plan/controls.h"
#include "plan/ctcss_table.h"
#include "plan/frequency.h"

namespace belvan {

namespace {
// A value as the operator reads it, and its unit (empty for a word such as "да").
struct Value {
    QString text;
    QString unit;
    bool operator==(const Value&) const = default;
};

QString Shown(const Value& value) {
    return value.unit.isEmpty() ? value.text : value.text + u' ' + value.unit;
}

// "name: before → after", the unit said once when both values have it: "шаг: 12,5 → 25 кГц".
QString Change(const QString& name, const Value& before, const Value& after) {
    const QString from = before.unit == after.unit ? before.text : Shown(before);
    return QStringLiteral("%1: %2 → %3").arg(name, from, Shown(after));
}

Value YesNo(bool on) {
    return {on ? QStringLiteral("да") : QStringLiteral("нет"), {}};
}

Value Hex(unsigned value, int digits) {
    return {HexText(value, digits), {}};
}

Value Frequency(std::uint16_t code) {
    if (code == NoFrequency) return {QStringLiteral("нет"), {}};
    return {FrequencyText(code), QStringLiteral("кГц")};
}

Value Step(const ChannelEntry& entry) {
    return {entry.Has(ChannelFlag::Step25) ? QStringLiteral("25") : QStringLiteral("12,5"),
            QStringLiteral("кГц")};
}

// As the two radio buttons of " Детектирование : " name it.
Value Detection(const ChannelEntry& entry) {
    const bool ctcss = entry.Has(ChannelFlag::DetectCtcss);
    const bool carrier = entry.Has(ChannelFlag::DetectCarrier);
    if (ctcss && carrier) return {QStringLiteral("по CTSS и по несущей"), {}};
    if (ctcss) return {QStringLiteral("по CTSS"), {}};
    if (carrier) return {QStringLiteral("по несущей"), {}};
    return {QStringLiteral("нет"), {}};
}

// "07 (85,4 Гц)", as the channel lists write a tone.
Value Tone(std::uint16_t number) {
    if (number == 0) return {QStringLiteral("нет"), {}};
    if (number > kToneCount) return {QStringLiteral("%1 (нет в таблице)").arg(number), {}};
    return {QStringLiteral("%1 (%2 Гц)").arg(ToneNumberText(number), ToneHzText(number)), {}};
}

Value Mode(std::uint8_t code) {
    const QString name = OperatingModeName(code);
    return {name.isEmpty() ? QStringLiteral("код %1").arg(code) : name, {}};
}

Value KeyFunction(std::uint8_t code) {
    if (code == kNoFunctionCode) return {QStringLiteral("нет функции"), {}};
    const int position = KeyIndexFromCode(code);
    if (position == 0) return {QStringLiteral("неизвестная функция (код %1)").arg(code), {}};
    return {KeyFunctionItems(false).at(position), {}};
}

// A stored time of `count` units of `unitMs`, in the window's unit (`perUnit` ms, `unitName`)
// when it is a whole number of them, else in seconds, exactly.
Value Duration(std::uint16_t count, unsigned unitMs, unsigned perUnit, const QString& unitName) {
    const unsigned long long ms = static_cast<unsigned long long>(count) * unitMs;
    if (ms % perUnit == 0 || perUnit == 1000) return {DecimalText(ms, perUnit), unitName};
    return {DecimalText(ms, 1000), QStringLiteral("с")};
}

QStringList ChannelChanges(const ChannelEntry& a, const ChannelEntry& b) {
    using namespace ChannelFlag;
    QStringList changes;
    auto add = [&changes](const QString& name, const Value& before, const Value& after) {
        if (before != after) changes << Change(name, before, after);
    };
    add(QStringLiteral("частота приёма"), Frequency(a.rxCode), Frequency(b.rxCode));
    add(QStringLiteral("частота передачи"), Frequency(a.txCode), Frequency(b.txCode));
    add(QStringLiteral("шаг"), Step(a), Step(b));
    add(QStringLiteral("сканирование"), YesNo(a.Has(Scan)), YesNo(b.Has(Scan)));
    add(QStringLiteral("маскирование"), YesNo(a.Has(Masking)), YesNo(b.Has(Masking)));
    add(QStringLiteral("детектирование"), Detection(a), Detection(b));
    add(QStringLiteral("тон CTSS"), Tone(a.toneNumber), Tone(b.toneNumber));
    add(QStringLiteral("отметка приёма"), YesNo(a.Has(InUse)), YesNo(b.Has(InUse)));
    add(QStringLiteral("служебные биты флагов"), Hex(a.flags & Unused, 2),
        Hex(b.flags & Unused, 2));
    add(QStringLiteral("служебный байт"), Hex(a.reserved, 2), Hex(b.reserved, 2));
    add(QStringLiteral("служебное слово"), Hex(a.spare, 4), Hex(b.spare, 4));
    return changes;
}

QStringList SettingsChanges(const ParameterImage& a, const ParameterImage& b) {
    using namespace SettingsOffset;
    QStringList changes;
    auto add = [&changes](const QString& name, const Value& before, const Value& after) {
        if (before != after) changes << Change(name, before, after);
    };
    auto byte = [](const ParameterImage& image, int offset) {
        return image.settings[static_cast<std::size_t>(offset)];
    };
    const auto modeBit = [&byte](const ParameterImage& image, std::uint8_t bit) {
        return YesNo((byte(image, modeFlags) & bit) != 0);
    };
    add(QStringLiteral("приоритетное сканирование"), modeBit(a, ModeFlag::PriorityScan),
        modeBit(b, ModeFlag::PriorityScan));
    add(QStringLiteral("клонирование"), modeBit(a, ModeFlag::Cloning),
        modeBit(b, ModeFlag::Cloning));
    constexpr unsigned kKnownModeBits = ModeFlag::PriorityScan | ModeFlag::Cloning;
    add(QStringLiteral("прочие биты флагов режима"), Hex(byte(a, modeFlags) & ~kKnownModeBits, 2),
        Hex(byte(b, modeFlags) & ~kKnownModeBits, 2));
    add(QStringLiteral("режим работы"), Mode(byte(a, operatingMode)), Mode(byte(b, operatingMode)));
    for (const auto& [key, first] :
         {std::pair{QStringLiteral("F1"), f1Keys}, std::pair{QStringLiteral("F2"), f2Keys}}) {
        for (int slot = 0; slot < kKeySlots; ++slot) {
            add(QStringLiteral("%1, функция %2").arg(key).arg(slot + 1),
                KeyFunction(byte(a, first + slot)), KeyFunction(byte(b, first + slot)));
        }
    }
    const auto time = [](const ParameterImage& image, int offset) {
        if (offset == waitTime)
            return Duration(image.SettingsWord(offset), 5, 1000, QStringLiteral("с"));
        if (offset == maxTransmitTime)
            return Duration(image.SettingsWord(offset), 50, 60000, QStringLiteral("мин"));
        return Duration(image.SettingsWord(offset), 50, 1000, QStringLiteral("с"));
    };
    add(QStringLiteral("время ожидания"), time(a, waitTime), time(b, waitTime));
    add(QStringLiteral("макс. время передачи"), time(a, maxTransmitTime), time(b, maxTransmitTime));
    add(QStringLiteral("время откл. передачи"), time(a, transmitOffTime), time(b, transmitOffTime));
    for (int offset = zero; offset < zero + zeroLength; ++offset) {
        add(QStringLiteral("служебный байт настроек %1").arg(offset), Hex(byte(a, offset), 2),
            Hex(byte(b, offset), 2));
    }
    const auto carried = [&byte](const ParameterImage& image) {
        return Value{HexText(byte(image, carriedBytes), 2) + u' ' +
                         HexText(byte(image, carriedBytes + 1), 2),
                     {}};
    };
    add(QStringLiteral("переносимые байты"), carried(a), carried(b));
    return changes;
}
}  // namespace

QStringList ImageDifferences(const ParameterImage& expected, const ParameterImage& actual) {
    QStringList lines;
    for (int c = 0; c < kChannelCount; ++c) {
        const QStringList changes = ChannelChanges(expected.Record(c), actual.Record(c));
        if (changes.isEmpty()) continue;
        lines << QStringLiteral("канал %1: %2")
                     .arg(c + 1, 2, 10, QLatin1Char('0'))
                     .arg(changes.join(QStringLiteral(", ")));
    }
    return lines + SettingsChanges(expected, actual);
}

}  // namespace belvan
