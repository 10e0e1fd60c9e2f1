// The commands that talk to radios: read, write (to one radio or several at once) and the
// programming station.
#pragma once

#include <QStringList>

namespace belvan::cli {

int RunRead(const QStringList& arguments);
int RunWrite(const QStringList& arguments);
int RunStation(const QStringList& arguments);

// The exit code of a program that a signal stopped: 130 for Ctrl+C, 143 for SIGTERM.
int InterruptedExit();

}  // namespace belvan::cli
