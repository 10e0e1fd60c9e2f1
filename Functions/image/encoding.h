// Turning the plan and the radio-wide controls into the parameter image.
#pragma once

#include <QString>
#include <cstdint>

#include "core/error.h"
#include "parameter_image.h"
#include "plan/channel_entry.h"
#include "plan/controls.h"

namespace belvan {

struct ImageState;

// What the plan and the controls' values make, with nothing changed anywhere: the plan with each
// channel's in-use bit taken from its receive cell and its tone number from its tone box, and
// the image of that plan with the radio-wide settings encoded from the controls. What no control
// sets (the bytes after the encoded settings) comes from `carried`. Every save, write, export,
// print and import makes its image here.
struct PlanImage {
    ChannelPlan plan;
    ParameterImage image;
};
// A box whose text is not a whole number or a value the radio cannot hold gives an error of kind
// Value whose text is the one EncodeSettings raises ("'%s' is not a valid integer value" …).
Result<PlanImage> MakeImage(const ChannelPlan& plan, const Controls& ctl,
                            const ParameterImage& carried);

// The image the window would save right after start-up (every channel cleared, the controls at
// their defaults); the command line imports onto it when no other base is given.
ParameterImage StartUpImage();

// SettingsBlock bytes 0..31 from the radio-wide controls, and the tone number of every channel
// record from its tone box (ToneNumberFromText). Raises ConversionError for a text that is not a
// whole number and RangeError for a value the radio cannot hold; the steps done before stay done.
bool EncodeSettings(ImageState& p);
// The 16 channel records of the plan into the ChannelBlock.
void CopyChannelsToImage(ImageState& p);
// Function code of a key-slot list position; a position outside 0..11 gives its low 8 bits.
std::uint8_t KeyCodeFromIndex(int position);

}  // namespace belvan
