#include "image_differences.h"

#include "core/texts.h"
#include "plan/frequency.h"

namespace belvan {

namespace {
QString Frequency(std::uint16_t code) {
    return code == NoFrequency ? QStringLiteral("нет")
                               : FrequencyText(code) + QStringLiteral(" кГц");
}
}  // namespace

QString SettingsByteName(int offset) {
    using namespace SettingsOffset;
    if (offset == modeFlags) return QStringLiteral("флаги режима");
    if (offset == operatingMode) return QStringLiteral("режим работы");
    if (offset >= f1Keys && offset < f1Keys + kKeySlots)
        return QStringLiteral("F1, функция %1").arg(offset - f1Keys + 1);
    if (offset >= f2Keys && offset < f2Keys + kKeySlots)
        return QStringLiteral("F2, функция %1").arg(offset - f2Keys + 1);
    if (offset == waitTime || offset == waitTime + 1) return QStringLiteral("время ожидания");
    if (offset == maxTransmitTime || offset == maxTransmitTime + 1)
        return QStringLiteral("макс. время передачи");
    if (offset == transmitOffTime || offset == transmitOffTime + 1)
        return QStringLiteral("время откл. передачи");
    if (offset >= carriedBytes) return QStringLiteral("переносимый байт");
    return QStringLiteral("байт %1").arg(offset);
}

QStringList ImageDifferences(const ParameterImage& expected, const ParameterImage& actual) {
    QStringList lines;
    for (int c = 0; c < kChannelCount; ++c) {
        const ChannelEntry a = expected.Record(c);
        const ChannelEntry b = actual.Record(c);
        if (a == b) continue;
        QStringList fields;
        if (a.rxCode != b.rxCode)
            fields << QStringLiteral("частота приёма %1 → %2")
                          .arg(Frequency(a.rxCode), Frequency(b.rxCode));
        if (a.txCode != b.txCode)
            fields << QStringLiteral("частота передачи %1 → %2")
                          .arg(Frequency(a.txCode), Frequency(b.txCode));
        if (a.flags != b.flags)
            fields << QStringLiteral("флаги %1 → %2").arg(HexText(a.flags, 2), HexText(b.flags, 2));
        if (a.toneNumber != b.toneNumber)
            fields << QStringLiteral("тон %1 → %2").arg(a.toneNumber).arg(b.toneNumber);
        if (a.reserved != b.reserved)
            fields << QStringLiteral("байт 1 %1 → %2")
                          .arg(HexText(a.reserved, 2), HexText(b.reserved, 2));
        if (a.spare != b.spare)
            fields << QStringLiteral("байты 8–9 %1 → %2")
                          .arg(HexText(a.spare, 4), HexText(b.spare, 4));
        lines << QStringLiteral("канал %1: %2")
                     .arg(c + 1, 2, 10, QLatin1Char('0'))
                     .arg(fields.join(QStringLiteral(", ")));
    }
    for (int offset = 0; offset < kSettingsBlockSize; ++offset) {
        const auto a = expected.settings[static_cast<std::size_t>(offset)];
        const auto b = actual.settings[static_cast<std::size_t>(offset)];
        if (a == b) continue;
        lines << QStringLiteral("настройки, байт %1 (%2): %3 → %4")
                     .arg(offset)
                     .arg(SettingsByteName(offset), HexText(a, 2), HexText(b, 2));
    }
    return lines;
}

}  // namespace belvan
