// What the form edits: the 16 channel records and the controls' values, with the flag that keeps
// the channel controls off the plan while it is refilled. The plan's operations take it; the
// operator answers their questions.
#pragma once

#include <QString>

#include "channel_entry.h"
#include "controls.h"
#include "core/operator_interface.h"

namespace belvan {

// How a frequency is written in a grid cell: four blanks, then the kHz ("    146012,5").
inline const QString CellPrefix = QStringLiteral("    ");

struct PlanState {
    ChannelPlan plan{};  // the 16 channel records; all zero until start-up clears them
    Controls ctl = DesignControls();
    bool BulkUpdateGuard = false;
    OperatorInterface* op = nullptr;  // set by the owner before any operation runs

    OperatorInterface& Operator() const { return *op; }
    ChannelEntry& Channel(int index) { return plan[static_cast<std::size_t>(index)]; }
};

}  // namespace belvan
