// The read and the write of the parameter image over the serial link, and the two button
// handlers that run them and refresh the window around them.
#pragma once

#include <cstdint>

#include "serial_port.h"

namespace belvan {

struct ProgramState;

// Sends the command frame and waits for the radio's 'O' (at most ten single-byte reads).
bool SendCommand(ProgramState& p, std::uint8_t first, std::uint8_t second,
                 const IdleCallback& idle = {});
// The read request, the pause while the radio sends, the 260-byte frame and its two checksums;
// on success the ParameterImage holds what the radio sent.
bool ReadParameters(ProgramState& p, std::uint8_t second);
// The image of the current plan in two frames, each acknowledged by 'O'.
bool WriteParameters(ProgramState& p);

// "Прочитать": the plan and the radio-wide controls are replaced only by a frame that passed
// both checksums; a failed read leaves them as they were.
void Button5Click(ProgramState& p);
// "Записать". An encoding error still brings the buttons and the watch back, then goes on up.
void Button6Click(ProgramState& p);

}  // namespace belvan
