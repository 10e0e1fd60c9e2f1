// Ctrl+C (SIGINT), SIGTERM and SIGHUP while radios are being written: the first lets the
// exchanges under way end and be reported, the second ends the program at once, naming the radios
// left unconfirmed. The signals are counted by core's StopSignals.
#pragma once

#include <QString>
#include <QStringList>

#include "core/stop_signals.h"

namespace belvan::cli {

// What to press to stop at once, said when the first stop lets exchanges finish.
extern const QString kStopAgain;

// "порту COM1" or "портах COM1, COM2".
QString OnPorts(const QStringList& ports);

// Ends the program at once: the exchanges under way are left as they are, their radios named.
[[noreturn]] void AbandonExchanges(const QStringList& unconfirmed);

// The exit code of a program that a signal stopped: 130 for Ctrl+C, 143 for SIGTERM, 129 for
// SIGHUP.
int InterruptedExit();

}  // namespace belvan::cli
