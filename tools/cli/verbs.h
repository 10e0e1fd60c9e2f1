// The commands of belvan-cli. Each takes the command line with the program name first and the
// command's own name removed, and returns the exit code.
#pragma once

#include <QString>
#include <QStringList>

#include "core/error.h"

namespace belvan::cli {

// Exit codes, the same for every command.
namespace Exit {
inline constexpr int Ok = 0;
inline constexpr int LinkFailed = 1;       // the radio did not answer or the exchange failed
inline constexpr int FileProblem = 2;      // unreadable, unwritable or not a settings file
inline constexpr int BadChecksum = 3;      // the file's checksum does not match its bytes
inline constexpr int PortUnavailable = 4;  // the serial port does not open
inline constexpr int Usage = 64;           // a wrong command line
}  // namespace Exit

// The exit code of a command that failed with an error of this kind; a stop by a signal ends with
// 128 + its number.
int ExitCode(ErrorKind kind);

struct Verb {
    QString name;
    QString synopsis;  // the arguments after the name, as the program's help shows them
    QString summary;
    int (*run)(const QStringList& arguments);
    QString description;  // what the command's own help says first
};

const QList<Verb>& Verbs();
const Verb* FindVerb(const QString& name);

// The program's name as it was started ("belvan-cli").
QString ProgramName();
// The program's help: the commands, the port names and the exit codes.
QString ProgramHelp();
// The error and the line pointing to the help, printed after a command-line error.
void ReportUsageError(const QString& error, const QString& verb = {});

}  // namespace belvan::cli
