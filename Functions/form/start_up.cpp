#include "start_up.h"

#include "form/program_state.h"
#include "form/radio_handlers.h"
#include "plan/channel_editing.h"

namespace belvan {

void FormCreate(ProgramState& p) {
    StartPlan(p);
    ComboBox1Change(p);
}

}  // namespace belvan
