// Runs one of the tool's programs to its end, as the operator would from a terminal.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace belvan::testing {

// What a program left when it ended.
struct ProgramRun {
    int exitCode = -1;    // -1 when it crashed or did not end
    QString out;          // stdout as UTF-8 text
    QString err;          // stderr as UTF-8 text
    QByteArray outBytes;  // stdout byte for byte, for output that is data
};

// The variables that name a display; removed, the program runs as on a machine without one.
inline const QStringList kNoDisplay = {QStringLiteral("DISPLAY"), QStringLiteral("WAYLAND_DISPLAY"),
                                       QStringLiteral("QT_QPA_PLATFORM")};

// Runs the program with the tests' own environment changed by `environment`: "NAME=value" sets a
// variable, a bare "NAME" removes it. A program that does not start, or does not end within
// timeoutMs (it is killed then), fails the test.
ProgramRun RunProgram(const QString& program, const QStringList& arguments,
                      const QStringList& environment = {}, int timeoutMs = 15000);

// The programs the test is built to run (belvan_test's RUNS_CLI and RUNS_APP name them).
#ifdef BELVAN_CLI_PATH
inline QString CliProgram() {
    return QStringLiteral(BELVAN_CLI_PATH);
}
#endif
#ifdef BELVAN_APP_PATH
inline QString AppProgram() {
    return QStringLiteral(BELVAN_APP_PATH);
}
#endif

}  // namespace belvan::testing
