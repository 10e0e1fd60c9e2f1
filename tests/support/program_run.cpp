#include "program_run.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

namespace belvan::testing {

ProgramRun RunProgram(const QString& program, const QStringList& arguments,
                      const QStringList& environment, int timeoutMs) {
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const QString& change : environment) {
        const qsizetype equals = change.indexOf(u'=');
        if (equals < 0)
            variables.remove(change);
        else
            variables.insert(change.left(equals), change.mid(equals + 1));
    }
    QProcess process;
    process.setProcessEnvironment(variables);
    process.start(program, arguments);
    const std::string command =
        (QFileInfo(program).fileName() + u' ' + arguments.join(u' ')).toStdString();
    ProgramRun run;
    if (!process.waitForStarted(5000)) {
        ADD_FAILURE() << "cannot start " << command;
        return run;
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << command << " did not end";
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.outBytes = process.readAllStandardOutput();
    run.out = QString::fromUtf8(run.outBytes);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

}  // namespace belvan::testing
