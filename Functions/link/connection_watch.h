// The watch for the radio's 23-byte announcement, polled by Timer1 every 30 ms.
#pragma once

namespace belvan {

struct ProgramState;

inline constexpr int kWatchIntervalMs = 30;

// True when the announcement's first byte 0x10 was read; the rest of it that has arrived is
// consumed. Reads only what has already arrived, so a tick never blocks the window.
bool PollRadioMessage(ProgramState& p);
// One tick: stop the timer, poll, and either show "Устройство подключено." or start it again.
void Timer1Timer(ProgramState& p);

}  // namespace belvan
