// What the writing and the reading of CSV channel lists share besides the frequency texts of
// plan/frequency.h. Only the CSV files include it.
#pragma once

#include <QString>
#include <cstdint>

#include "plan/channel_entry.h"
#include "plan/frequency.h"

namespace belvan::csv {

// A frequency off the 25 kHz grid.
inline bool HasOddCode(const ChannelEntry& e) {
    return (e.rxCode != NoFrequency && e.rxCode % 2 != 0) ||
           (e.txCode != NoFrequency && e.txCode % 2 != 0);
}

}  // namespace belvan::csv
