// The watch for the radio's 23-byte announcement, which begins with 0x10.
#pragma once

#include "line.h"

namespace belvan {

inline constexpr int kWatchIntervalMs = 30;

// Takes one byte of what has arrived; when it is 0x10, reads the 22 bytes that follow under the
// read rule and returns true. Never waits while nothing has arrived.
bool PollRadioMessage(Line& line);

}  // namespace belvan
