#include "channel_copy.h"

#include "plan/channel_editing.h"
#include "plan/plan_state.h"
#include "plan/step_rules.h"

namespace belvan {

std::optional<CopiedChannel> CopySelectedChannel(const PlanState& p) {
    const int c = p.ctl.SelectedChannel();
    if (c < 0 || c >= kChannelCount) return std::nullopt;
    const ChannelEntry& entry = p.plan[static_cast<std::size_t>(c)];
    if (entry.IsEmpty()) return std::nullopt;
    return CopiedChannel{entry, p.ctl.toneBoxes[static_cast<std::size_t>(c)].text};
}

void PasteIntoSelectedChannel(PlanState& p, const CopiedChannel& copied) {
    const int c = p.ctl.SelectedChannel();
    if (c < 0 || c >= kChannelCount) return;
    ChannelEntry& entry = p.Channel(c);
    const bool step25 = entry.IsEmpty() ? p.ctl.RadioButton2 : entry.Has(ChannelFlag::Step25);
    const std::uint8_t reserved = entry.reserved;
    entry = copied.entry;
    entry.reserved = reserved;
    entry.Set(ChannelFlag::Step25, step25);
    // The step buttons show the channel's own step, the channel is shown as a click on it shows
    // it, and its step then applies to what came in, as after a fill.
    if (p.ctl.RadioButton2 != step25) {
        p.ctl.RadioButton2 = step25;
        p.ctl.RadioButton1 = !step25;
        RebuildKhzList(p);
    }
    ShowChannel(p, c);
    ApplyStepChange(p);
    RefreshInUseFlags(p);
    UpdateToneBoxes(p);
    ComboState& tone = p.ctl.toneBoxes[static_cast<std::size_t>(c)];
    if (tone.enabled) tone.SetText(copied.toneText);
}

}  // namespace belvan
