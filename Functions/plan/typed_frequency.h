// A frequency the operator types into the channel table instead of choosing it from the MHz and
// kHz lists: in MHz with a decimal comma or point ("151,25", "151.250") or in kHz ("151250",
// "146012,5"), a unit ("МГц", "кГц", "MHz", "kHz") allowed after it.
#pragma once

#include <QString>
#include <cstdint>

#include "core/error.h"
#include "frequency.h"

namespace belvan {

struct PlanState;

// The code of a typed frequency, or why it is refused (kind Value): a text that is no number,
// a frequency outside the band, or one that is no point of the grid of `step`. A number without
// a unit below 1000 is MHz, from 1000 on kHz.
Result<std::uint16_t> CodeOfTypedFrequency(const QString& text, GridStep step);

// The typed frequency becomes the selected channel's receive (column Column::Receive) or
// transmit (Column::Transmit) frequency as the same choice in the MHz and kHz lists and a press
// of "Прием" or "Передача" would make it, the lists left showing that choice: the selected step
// decides the grid, and the step's rules and question follow the fill. A refused text is said in
// an error box and changes nothing. True when the frequency was filled.
bool FillTypedFrequency(PlanState& p, int column, const QString& text);

}  // namespace belvan
