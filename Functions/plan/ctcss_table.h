// The 51 numbered CTCSS tones in the radio's own order (not sorted from entry 39 on).
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "core/error.h"

namespace belvan {

inline constexpr int kToneCount = 51;

// Tone frequency in tenths of a Hz of entry 1..51.
int ToneTenthsOfHz(int number);

// "01 - 67,0" for 1 up to "51 - 254,1" for 51; the empty text for 0 and every other number.
QString ToneTextFromNumber(int number);
// The tone's number with two digits: 7 -> "07".
QString ToneNumberText(int number);
// The tone's frequency in Hz, one decimal after `point`: 7 -> "85,4" (or "85.4").
QString ToneHzText(int number, QChar point = u',');

// The items of every tone box: the empty text, then the 51 entry texts, so item n is tone n.
QStringList ToneBoxItems();

// The tone a tone box's text stands for: 0 for the empty text, n for the item of tone n
// ("07 - 85,4"), and for typed digits d the tone number d when 1 <= d <= 51, otherwise the tone
// of d,0 Hz ("100" -> 12), otherwise the tone of d/10 Hz ("885" -> 8). These never overlap, as
// the table has no tone below 62,5 Hz. Nothing for any other text.
std::optional<int> ToneNumberFromText(const QString& text);
// ToneNumberFromText for the tone box of channel `channel` (0-based): the tone number, which is
// also the box's item, or why the box refuses the text (kind Value), naming the box and what it
// takes.
Result<int> ToneOfBoxText(const QString& text, int channel);

}  // namespace belvan
