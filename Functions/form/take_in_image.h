// Taking a parameter image that came from the radio or from a file into the plan, the grid and
// the radio-wide controls. The read and the load both go through here.
#pragma once

namespace belvan {

struct ProgramState;

enum class AfterTakeIn { KeepSelection, SelectFirstChannel };

// p.image into the window: every channel cleared, the radio-wide controls reset, the 16 records
// copied and shown, the settings and tones decoded, the in-use bits and tone boxes refreshed.
// After a read, channel 01 is selected; the channel selected is shown in the current channel's
// panel.
void TakeInImage(ProgramState& p, AfterTakeIn after);

}  // namespace belvan
