#include "ctcss_table.h"

#include "core/texts.h"
#include "number_text.h"

#include <array>

namespace belvan {

namespace {
constexpr std::array<int, kToneCount> kTenthsOfHz = {
    670,  719,  744,  770,  797,  825,  854,  885,  915,  948,  974,  1000, 1035,
    1072, 1109, 1148, 1188, 1230, 1273, 1318, 1365, 1413, 1462, 1514, 1567, 1622,
    1679, 1738, 1799, 1862, 1928, 2035, 2107, 2181, 2257, 2336, 2418, 2503, 693,
    625,  1598, 1655, 1713, 1773, 1835, 1899, 1966, 1996, 2065, 2291, 2541};
}  // namespace

int ToneTenthsOfHz(int number) {
    return number >= 1 && number <= kToneCount ? kTenthsOfHz[number - 1] : 0;
}

QString ToneTextFromNumber(int number) {
    if (number < 1 || number > kToneCount) return {};
    return ToneNumberText(number) + QStringLiteral(" - ") + ToneHzText(number);
}

QString ToneNumberText(int number) {
    return QStringLiteral("%1").arg(number, 2, 10, QChar(u'0'));
}

QString ToneHzText(int number, QChar point) {
    return FixedPointText(ToneTenthsOfHz(number), 10, 1, point);
}

std::optional<int> ToneNumberFromText(const QString& text) {
    if (text.isEmpty()) return 0;
    for (int n = 1; n <= kToneCount; ++n)
        if (text == ToneTextFromNumber(n)) return n;
    const std::optional<int> digits = ReadWholeNumber(text);
    if (!digits) return std::nullopt;
    const int d = *digits;
    if (d >= 1 && d <= kToneCount) return d;
    for (int n = 1; n <= kToneCount; ++n)
        if (ToneTenthsOfHz(n) == static_cast<long long>(d) * 10) return n;
    for (int n = 1; n <= kToneCount; ++n)
        if (ToneTenthsOfHz(n) == d) return n;
    return std::nullopt;
}

Result<int> ToneOfBoxText(const QString& text, int channel) {
    if (const std::optional<int> number = ToneNumberFromText(text)) return *number;
    return Error{ErrorKind::Value,
                 QStringLiteral("Тон CTSS канала %1: «%2» нет в таблице. Поле принимает номер "
                                "тона от 01 до %3, частоту в герцах (100 — это 100,0 Гц) или в "
                                "десятых долях герца (885 — это 88,5 Гц) либо пустое значение.")
                     .arg(channel + 1, 2, 10, QChar(u'0'))
                     .arg(text)
                     .arg(kToneCount)};
}

QStringList ToneBoxItems() {
    // Made once: every tone box of every window shares the one list.
    static const QStringList items = [] {
        QStringList made{QString()};
        for (int n = 1; n <= kToneCount; ++n) made << ToneTextFromNumber(n);
        return made;
    }();
    return items;
}

}  // namespace belvan
