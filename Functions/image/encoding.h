// Turning the plan and the radio-wide controls into the parameter image.
#pragma once

#include <QString>
#include <cstdint>

namespace belvan {

struct ProgramState;

// SettingsBlock bytes 0..31 from the radio-wide controls, and the tone number of every channel
// record from its tone box. Raises ConversionError for a text that is not a whole number and
// RangeError for a value the radio cannot hold; the steps done before stay done.
bool EncodeSettings(ProgramState& p);
// The 16 channel records of the plan into the ChannelBlock.
void CopyChannelsToImage(ProgramState& p);
// Function code of a key-slot list position; a position outside 0..11 gives its low 8 bits.
std::uint8_t KeyCodeFromIndex(int position);
// The first two characters of a tone box's text as a whole number ("07 - 85,4" -> 7).
int ToneNumberFromText(const QString& text);

}  // namespace belvan
