#include "form/program_state.h"

namespace belvan {

ProgramState::ProgramState() = default;
ProgramState::~ProgramState() = default;

}  // namespace belvan
