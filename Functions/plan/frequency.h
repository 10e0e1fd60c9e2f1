// Frequency codes, their texts in the channel table, and the MHz and kHz lists.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace belvan {

inline constexpr int kLowestKhz = 146000;    // code 0
inline constexpr int kHighestCode = 2319;    // 174 987,5 kHz, the top of the 12.5 kHz grid
inline constexpr int kHighestCode25 = 2318;  // 174 975 kHz, the top of the 25 kHz grid
inline constexpr long long kLowestHz = 146000000LL;
inline constexpr long long kGridHz = 12500;  // one code step
inline const QString kBandText = QStringLiteral("146,000–174,9875 МГц");

// The code's frequency in Hz.
inline long long HzOfCode(std::uint16_t code) {
    return kLowestHz + kGridHz * code;
}

// How a frequency in MHz is written: in CSV files ("146.012500"), in the columns of the printed
// sheet ("146,0125", four decimals so they line up), and in the operator's messages ("146,0125",
// at least three decimals: "150,000").
enum class MhzStyle { File, Column, Message };
QString MhzText(long long hz, MhzStyle style);

enum class GridStep { Step12_5, Step25 };

// The code's frequency in kHz, decimal comma for a half kHz: 0 -> "146000", 1 -> "146012,5".
// The code is taken as an unsigned number.
QString FrequencyText(std::uint16_t code);

// The code of a frequency text as the grid holds it ("    146012,5"): leading blanks skipped,
// comma as separator, (kHz - 146000) x 0.08 truncated toward zero. Nothing when the text is
// not a decimal number or the result does not fit a code.
std::optional<std::uint16_t> CodeFromFrequencyText(const QString& text);

// "146" .. "174", the items of ListBox2.
QStringList MhzItems();

// The items of ListBox3 for a step: 80 items "000", "012,5" .. "987,5" or 40 items "000" .. "975".
QStringList KhzItems(GridStep step);

}  // namespace belvan
