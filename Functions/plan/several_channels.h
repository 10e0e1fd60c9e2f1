// Edits of several channels at once, as the channel table's menu makes them: each channel gets
// what the channel controls would give it were it the selected one, and the selected channel
// stays as it was.
#pragma once

#include <vector>

namespace belvan {

struct PlanState;

// What one command sets in every channel it is given.
enum class ChannelChange {
    Step12_5,       // "12,5 кГц."
    Step25,         // "25 кГц.", with the rounding question for a channel that asks it
    ScanOn,         // "Сканировать частоту" on
    ScanOff,        // ... off
    MaskingOn,      // "Включить маскирование" on
    MaskingOff,     // ... off
    DetectCtcss,    // "По CTSS"
    DetectCarrier,  // "По несущей"
    Clear,          // "Очистить канал", the reserved byte included
};

// The change for each of `channels` (0-based, in the order given), each shown first as a click
// on it shows it, then changed through the same control the operator would use. Channels
// without a frequency are left alone except by Clear. Afterwards the selected channel is the one
// selected before and the channel controls show it (or, when it is empty, show what they showed
// before). The channels whose record or tone differ afterwards.
std::vector<int> ChangeChannels(PlanState& p, const std::vector<int>& channels,
                                ChannelChange change);

// The tone `tone` (0: none, 1 to 51) into the tone box of each of `channels` detected by CTCSS
// (its tone box enabled); the others keep their boxes disabled and empty. The channels whose box
// now reads differently.
std::vector<int> SetChannelTones(PlanState& p, const std::vector<int>& channels, int tone);

// Channel `channel` changes places with its neighbour, the one above for `by` -1 or below for
// +1: records, rows, marks and tones; a selection on either stays with its channel. False, and
// nothing changes, when there is no such neighbour.
bool MoveChannel(PlanState& p, int channel, int by);

}  // namespace belvan
