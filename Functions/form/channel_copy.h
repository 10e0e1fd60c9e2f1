// "Копировать канал" and "Вставить канал": one channel's settings carried to another channel.
#pragma once

#include <QString>
#include <optional>

#include "plan/channel_entry.h"

namespace belvan {

struct PlanState;

struct CopiedChannel {
    ChannelEntry entry;
    QString toneText;  // the channel's tone box as it reads
};

// The selected channel, when one is selected and it has a frequency.
std::optional<CopiedChannel> CopySelectedChannel(const PlanState& p);
// The copied frequencies, scan, masking, detection and tone into the selected channel. The
// channel keeps its own grid step and reserved byte; frequencies its step cannot hold are treated
// as a fill treats them (the operator is asked to round them up, remove them or cancel).
void PasteIntoSelectedChannel(PlanState& p, const CopiedChannel& copied);

}  // namespace belvan
