#include "file_report.h"

#include <QJsonArray>
#include <QStringList>
#include <algorithm>

#include "core/texts.h"
#include "image/decoding.h"
#include "plan/controls.h"
#include "plan/ctcss_table.h"
#include "plan/frequency.h"

namespace belvan::cli {

namespace {
QString FrequencyOrEmpty(std::uint16_t code) {
    return code == NoFrequency ? QString() : FrequencyText(code);
}

QString ToneText(std::uint16_t number) {
    if (number == 0) return {};
    const QString text = ToneTextFromNumber(number);
    return text.isEmpty() ? QStringLiteral("%1 (нет в таблице)").arg(number) : text;
}

QString Mark(bool on) {
    return on ? QStringLiteral("+") : QStringLiteral("-");
}

QString OnOff(bool on) {
    return on ? QStringLiteral("вкл.") : QStringLiteral("выкл.");
}

QString Row(const QStringList& cells) {
    static const int kWidths[] = {3, 10, 10, 5, 6, 6, 15, 0};
    QString row;
    for (int i = 0; i < cells.size(); ++i) row += cells[i].leftJustified(kWidths[i]);
    while (row.endsWith(QLatin1Char(' '))) row.chop(1);
    return row + QLatin1Char('\n');
}

QString KeysText(const SettingsBlock& s, int offset) {
    QStringList names;
    for (int slot = 0; slot < kKeySlots; ++slot) names << KeyFunctionText(s[offset + slot]);
    return names.join(QStringLiteral("; "));
}

QJsonArray ByteArray(const SettingsBlock& s, int offset, int count) {
    QJsonArray array;
    for (int i = 0; i < count; ++i) array.append(s[offset + i]);
    return array;
}
}  // namespace

std::optional<int> FirstFillerFault(const FileBytes& bytes) {
    for (int i = kFileFillerOffset; i < kFileChecksumOffset; ++i)
        if (bytes[static_cast<std::size_t>(i)] != 0xFF) return i;
    return std::nullopt;
}

QString HexByte(std::uint8_t byte) {
    return HexText(byte, 2);
}

QString OperatingModeText(std::uint8_t mode) {
    const QString name = OperatingModeName(mode);
    return name.isEmpty() ? QString::number(mode) : name;
}

QString KeyFunctionText(std::uint8_t code) {
    const int position = KeyIndexFromCode(code);
    if (position == 0 && code != kNoFunctionCode)
        return QStringLiteral("неизвестная функция (код 0x%1)").arg(HexByte(code));
    return KeyFunctionItems(false).at(position);
}

QString DetectionText(const ChannelEntry& entry) {
    QStringList modes;
    if (entry.Has(ChannelFlag::DetectCtcss)) modes << QStringLiteral("CTSS");
    if (entry.Has(ChannelFlag::DetectCarrier)) modes << QStringLiteral("несущая");
    return modes.isEmpty() ? QStringLiteral("—") : modes.join(QStringLiteral(", "));
}

QString DurationText(unsigned count, unsigned unitMs, unsigned per, const QString& unitName) {
    const unsigned long long ms = static_cast<unsigned long long>(count) * unitMs;
    const QString text = DecimalText(ms, per) + u' ' + unitName;
    if (ms % per == 0) return text;
    return text + QStringLiteral(" (сырое значение %1)").arg(count);
}

QString ChannelTable(const ParameterImage& image) {
    QString table = Row({QStringLiteral("№"), QStringLiteral("Приём"), QStringLiteral("Передача"),
                         QStringLiteral("Шаг"), QStringLiteral("Скан."), QStringLiteral("Маск."),
                         QStringLiteral("Обнаружение"), QStringLiteral("Тон")});
    for (int c = 0; c < kChannelCount; ++c) {
        const ChannelEntry entry = image.Record(c);
        const QString number = QStringLiteral("%1").arg(c + 1, 2, 10, QLatin1Char('0'));
        if (entry.IsEmpty()) {
            table += Row({number});
            continue;
        }
        table +=
            Row({number, FrequencyOrEmpty(entry.rxCode), FrequencyOrEmpty(entry.txCode),
                 entry.Has(ChannelFlag::Step25) ? QStringLiteral("25") : QStringLiteral("12,5"),
                 Mark(entry.Has(ChannelFlag::Scan)), Mark(entry.Has(ChannelFlag::Masking)),
                 DetectionText(entry), ToneText(entry.toneNumber)});
    }
    return table;
}

QString SettingsText(const ParameterImage& image) {
    const SettingsBlock& s = image.settings;
    const std::uint8_t mode = s[SettingsOffset::modeFlags];
    QString text;
    auto line = [&text](const QString& name, const QString& value) {
        text += name + QStringLiteral(": ") + value + QLatin1Char('\n');
    };
    line(QStringLiteral("Приоритетное сканирование"), OnOff(mode & ModeFlag::PriorityScan));
    line(QStringLiteral("Клонирование"), OnOff(mode & ModeFlag::Cloning));
    if (const int other = mode & ~(ModeFlag::PriorityScan | ModeFlag::Cloning))
        line(QStringLiteral("Прочие биты флагов режима"),
             HexByte(static_cast<std::uint8_t>(other)));
    line(QStringLiteral("Режим работы"), OperatingModeText(s[SettingsOffset::operatingMode]));
    line(QStringLiteral("Клавиша F1"), KeysText(s, SettingsOffset::f1Keys));
    line(QStringLiteral("Клавиша F2"), KeysText(s, SettingsOffset::f2Keys));
    line(QStringLiteral("Время ожидания"),
         DurationText(image.SettingsWord(SettingsOffset::waitTime), 5, 1000, QStringLiteral("с")));
    line(QStringLiteral("Макс. время передачи"),
         DurationText(image.SettingsWord(SettingsOffset::maxTransmitTime), 50, 60000,
                      QStringLiteral("мин")));
    line(QStringLiteral("Время откл. передачи"),
         DurationText(image.SettingsWord(SettingsOffset::transmitOffTime), 50, 1000,
                      QStringLiteral("с")));
    const auto zeroBegin = s.begin() + SettingsOffset::zero;
    const auto zeroEnd = zeroBegin + SettingsOffset::zeroLength;
    if (std::any_of(zeroBegin, zeroEnd, [](std::uint8_t byte) { return byte != 0; })) {
        QStringList bytes;
        for (auto it = zeroBegin; it != zeroEnd; ++it) bytes << HexByte(*it);
        line(QStringLiteral("Байты 16..31 настроек (обычно нули)"), bytes.join(QLatin1Char(' ')));
    }
    line(QStringLiteral("Переносимые байты"), HexByte(s[SettingsOffset::carriedBytes]) +
                                                  QLatin1Char(' ') +
                                                  HexByte(s[SettingsOffset::carriedBytes + 1]));
    return text;
}

QJsonObject FileJson(const FileBytes& bytes) {
    const ParameterImage image = ImageFromFileBytes(bytes);
    QJsonArray channels;
    for (int c = 0; c < kChannelCount; ++c) {
        const ChannelEntry entry = image.Record(c);
        channels.append(QJsonObject{{QStringLiteral("number"), c + 1},
                                    {QStringLiteral("flags"), entry.flags},
                                    {QStringLiteral("reserved"), entry.reserved},
                                    {QStringLiteral("rxCode"), entry.rxCode},
                                    {QStringLiteral("txCode"), entry.txCode},
                                    {QStringLiteral("toneNumber"), entry.toneNumber},
                                    {QStringLiteral("spare"), entry.spare},
                                    {QStringLiteral("rx"), FrequencyOrEmpty(entry.rxCode)},
                                    {QStringLiteral("tx"), FrequencyOrEmpty(entry.txCode)},
                                    {QStringLiteral("tone"), ToneText(entry.toneNumber)}});
    }
    const SettingsBlock& s = image.settings;
    const QJsonObject settings{
        {QStringLiteral("modeFlags"), s[SettingsOffset::modeFlags]},
        {QStringLiteral("operatingMode"), s[SettingsOffset::operatingMode]},
        {QStringLiteral("f1Keys"), ByteArray(s, SettingsOffset::f1Keys, kKeySlots)},
        {QStringLiteral("f2Keys"), ByteArray(s, SettingsOffset::f2Keys, kKeySlots)},
        {QStringLiteral("waitTime"), image.SettingsWord(SettingsOffset::waitTime)},
        {QStringLiteral("maxTransmitTime"), image.SettingsWord(SettingsOffset::maxTransmitTime)},
        {QStringLiteral("transmitOffTime"), image.SettingsWord(SettingsOffset::transmitOffTime)},
        {QStringLiteral("carriedBytes"),
         ByteArray(s, SettingsOffset::carriedBytes, SettingsOffset::carriedLength)}};
    return {{QStringLiteral("channels"), channels},
            {QStringLiteral("settings"), settings},
            {QStringLiteral("checksumOk"), FileChecksumMatches(bytes)},
            {QStringLiteral("fillerOk"), !FirstFillerFault(bytes).has_value()}};
}

}  // namespace belvan::cli
