// The window's creation: headings, channel numbers, the port, the 25 kHz step, channel 1.
#pragma once

namespace belvan {

struct ProgramState;

void FormCreate(ProgramState& p);

}  // namespace belvan
