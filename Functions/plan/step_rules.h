// The kHz list follows the selected grid step; a step change applies to the selected channel,
// asking how to treat frequencies the 25 kHz grid cannot hold.
#pragma once

namespace belvan {

struct PlanState;

// Click handler of both step radio buttons: RebuildKhzList, then ApplyStepChange.
void StepChanged(PlanState& p);
// The kHz list for the selected step, item 0 selected.
void RebuildKhzList(PlanState& p);
// The selected step becomes the selected channel's step.
void ApplyStepChange(PlanState& p);

}  // namespace belvan
