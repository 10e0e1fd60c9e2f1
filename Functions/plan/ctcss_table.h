// The 51 numbered CTCSS tones in the radio's own order (not sorted from entry 39 on).
#pragma once

#include <QString>
#include <QStringList>

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

}  // namespace belvan
