#include "several_channels.h"

#include <utility>

#include "channel_editing.h"
#include "plan_state.h"
#include "step_rules.h"

namespace belvan {

namespace {
// What the channel controls show, to be given back when the selected channel shows nothing.
struct ShownControls {
    bool scan, masking, ctcss, carrier, step12_5, step25;
    ListState khz;
};

ShownControls ShownBy(const Controls& c) {
    return {c.CheckBox1,    c.CheckBox2,    c.RadioButton6, c.RadioButton8,
            c.RadioButton1, c.RadioButton2, c.ListBox3};
}

void GiveBack(Controls& c, const ShownControls& shown) {
    c.CheckBox1 = shown.scan;
    c.CheckBox2 = shown.masking;
    c.RadioButton6 = shown.ctcss;
    c.RadioButton8 = shown.carrier;
    c.RadioButton1 = shown.step12_5;
    c.RadioButton2 = shown.step25;
    c.ListBox3 = shown.khz;
}

// What a channel keeps in the plan: its record and its tone.
struct Kept {
    ChannelEntry entry;
    QString tone;
    bool operator==(const Kept&) const = default;
};

Kept KeptOf(const PlanState& p, int c) {
    return {p.plan[static_cast<std::size_t>(c)], p.ctl.toneBoxes[static_cast<std::size_t>(c)].text};
}

void Change(PlanState& p, ChannelChange change) {
    switch (change) {
        case ChannelChange::Step12_5:
            return SelectStepButton(p, false);
        case ChannelChange::Step25:
            return SelectStepButton(p, true);
        case ChannelChange::ScanOn:
        case ChannelChange::ScanOff:
            return SetCheckBox1(p, change == ChannelChange::ScanOn);
        case ChannelChange::MaskingOn:
        case ChannelChange::MaskingOff:
            return SetCheckBox2(p, change == ChannelChange::MaskingOn);
        case ChannelChange::DetectCtcss:
            return SelectRadioButton6(p);
        case ChannelChange::DetectCarrier:
            return SelectRadioButton8(p);
        case ChannelChange::Clear:
            return ClearSelectedChannel(p);
    }
}

bool Valid(int c) {
    return c >= 0 && c < kChannelCount;
}
}  // namespace

std::vector<int> ChangeChannels(PlanState& p, const std::vector<int>& channels,
                                ChannelChange change) {
    const int selected = p.ctl.SelectedChannel();
    const ShownControls shown = ShownBy(p.ctl);
    std::vector<Kept> before;
    for (int c : channels) before.push_back(Valid(c) ? KeptOf(p, c) : Kept{});
    for (int c : channels) {
        if (!Valid(c)) continue;
        if (change == ChannelChange::Clear) {
            p.ctl.ListBox1.index = c;
        } else {
            if (p.Channel(c).IsEmpty()) continue;
            ListBox1Click(p, c);
        }
        Change(p, change);
    }
    GiveBack(p.ctl, shown);
    ListBox1Click(p, selected);
    std::vector<int> changed;
    for (std::size_t i = 0; i < channels.size(); ++i)
        if (Valid(channels[i]) && KeptOf(p, channels[i]) != before[i])
            changed.push_back(channels[i]);
    return changed;
}

std::vector<int> SetChannelTones(PlanState& p, const std::vector<int>& channels, int tone) {
    std::vector<int> changed;
    for (int c : channels) {
        if (!Valid(c)) continue;
        ComboState& box = p.ctl.toneBoxes[static_cast<std::size_t>(c)];
        if (!box.enabled) continue;
        const QString was = box.text;
        box.Select(tone);
        if (box.text != was) changed.push_back(c);
    }
    return changed;
}

bool MoveChannel(PlanState& p, int channel, int by) {
    const int other = channel + by;
    if (!Valid(channel) || !Valid(other) || channel == other) return false;
    const auto a = static_cast<std::size_t>(channel), b = static_cast<std::size_t>(other);
    std::swap(p.plan[a], p.plan[b]);
    for (int column = Column::Receive; column <= Column::Step; ++column)
        std::swap(p.ctl.StringGrid1[a + 1][column], p.ctl.StringGrid1[b + 1][column]);
    std::swap(p.ctl.channelMarks[a], p.ctl.channelMarks[b]);
    std::swap(p.ctl.toneBoxes[a], p.ctl.toneBoxes[b]);
    if (p.ctl.ListBox1.index == channel)
        p.ctl.ListBox1.index = other;
    else if (p.ctl.ListBox1.index == other)
        p.ctl.ListBox1.index = channel;
    return true;
}

}  // namespace belvan
