#include "program_state.h"

#include "link/serial_port.h"

namespace belvan {

ProgramState::ProgramState() = default;
ProgramState::~ProgramState() = default;

}  // namespace belvan
