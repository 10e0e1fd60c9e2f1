// Taking a parameter image that arrived from the radio or a file back into the plan and the
// radio-wide controls.
#pragma once

#include <cstdint>

namespace belvan {

struct ImageState;

// The 16 records of the ChannelBlock into the plan; bits 6 and 7 and the spare word cleared.
void CopyImageToChannels(ImageState& p);
// The SettingsBlock and the plan's tone numbers into the controls. Never fails: values the
// window cannot show fall back to the first list entry, "--= нет функции =--" or an empty box.
void DecodeSettings(ImageState& p);
// List position of a function code; codes outside the table give 0.
int KeyIndexFromCode(std::uint8_t code);
// The radio-wide controls and the tone boxes back to their defaults ("Сбросить режим").
void ResetSettingsControls(ImageState& p);

}  // namespace belvan
