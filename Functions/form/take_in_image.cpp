#include "take_in_image.h"

#include "form/program_state.h"
#include "image/decoding.h"
#include "plan/channel_editing.h"

namespace belvan {

void TakeInImage(ProgramState& p, AfterTakeIn after) {
    ClearAllChannels(p);
    ResetSettingsControls(p);
    // The channel controls leave the plan alone while it is refilled.
    p.BulkUpdateGuard = true;
    CopyImageToChannels(p);
    for (int c = 0; c < kChannelCount; ++c) ShowChannel(p, c);
    p.BulkUpdateGuard = false;
    if (after == AfterTakeIn::SelectFirstChannel) p.ctl.ListBox1.index = 0;
    // The panel of the current channel shows the channel chosen, not one taken in before it.
    if (p.ctl.SelectedChannel() >= 0) ShowChannel(p, p.ctl.SelectedChannel());
    DecodeSettings(p);
    RefreshInUseFlags(p);
    UpdateToneBoxes(p);
}

}  // namespace belvan
