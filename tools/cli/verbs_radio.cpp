#include "verbs_radio.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "console.h"
#include "core/texts.h"
#include "file_report.h"
#include "link/radio_exchange.h"
#include "port_worker.h"
#include "radio_command.h"
#include "stop_signals.h"
#include "verb_support.h"
#include "verbs.h"

namespace belvan::cli {

namespace {

// What became of the backup of a read: a backup that fails never fails the read.
void SayBackup(const JobOutcome& read) {
    if (read.backupKept) {
        ErrLine(QStringLiteral("Резервная копия: «%1».").arg(Shown(read.backupPath)));
    } else {
        ErrLine(QStringLiteral("Предупреждение: резервная копия не сохранена: %1.")
                    .arg(read.backupKept.error().text));
    }
}

// Percent of an exchange's progress.
int Percent(const LinkProgress& at) {
    return at.total > 0 ? at.done * 100 / at.total : 0;
}

// Writes to every port at once, one link each; the outcomes in the order of the ports.
QList<RadioOutcome> WriteToAll(const QStringList& ports, const WriteJob& job) {
    QList<RadioOutcome> outcomes(ports.size());
    std::vector<std::unique_ptr<PortWorker>> workers;
    ProgressLine single(ports.size() == 1 && StderrIsTerminal());
    ProgressLines lines(ports, ports.size() > 1 && StderrIsTerminal());
    QEventLoop loop;
    int left = static_cast<int>(ports.size());
    const StopSignals stop(
        [&] {
            const QStringList busy = StopAll(workers);
            single.Finish();
            lines.Finish();
            if (busy.isEmpty()) return;
            ErrLine(QStringLiteral("Остановка: обмен с радиостанцией на %1 доводится до конца, "
                                   "новая запись не начинается (%2).")
                        .arg(OnPorts(busy), kStopAgain));
        },
        [&] {
            single.Finish();
            lines.Finish();
            QStringList unconfirmed;
            for (const auto& worker : workers)
                if (worker->Unconfirmed()) unconfirmed << worker->PortName();
            AbandonExchanges(unconfirmed);
        });
    for (int i = 0; i < ports.size(); ++i) {
        workers.push_back(std::make_unique<PortWorker>(ports[i]));
        PortWorker* worker = workers.back().get();
        QObject::connect(
            worker, &PortWorker::progress, &loop, [&single, &lines, i](const LinkProgress& at) {
                single.Update(at.stage, Percent(at), 100);
                lines.Update(i, QStringLiteral("%1 %2%").arg(at.stage, -30).arg(Percent(at), 3));
            });
        QObject::connect(worker, &PortWorker::finished, &loop, [&, i](const RadioOutcome& outcome) {
            outcomes[i] = outcome;
            lines.Update(i, (outcome.job.Succeeded() ? QStringLiteral("готово: ")
                                                     : QStringLiteral("ОШИБКА: ")) +
                                OutcomeMessage(outcome.job));
            if (--left == 0) loop.quit();
        });
        worker->Run(job);
    }
    if (left > 0) loop.exec();
    single.Finish();
    lines.Finish();
    return outcomes;
}

}  // namespace

Result<ParameterImage> ReadRadio(const QString& port) {
    PortWorker worker(port);
    ProgressLine progress(StderrIsTerminal());
    QEventLoop loop;
    std::optional<JobOutcome> read;
    QObject::connect(&worker, &PortWorker::progress, &loop, [&progress](const LinkProgress& at) {
        progress.Update(at.stage, at.done, at.total);
    });
    QObject::connect(&worker, &PortWorker::finished, &loop, [&](const RadioOutcome& outcome) {
        read = outcome.job;
        loop.quit();
    });
    worker.Read();
    if (!read) loop.exec();
    progress.Finish();
    if (!read->Succeeded()) {
        ErrLine(QStringLiteral("Ошибка: ") + read->status.error().text);
        return read->status.error();
    }
    ErrLine(OutcomeText(ExchangeOutcome::Read));
    SayBackup(*read);
    return read->image;
}

int RunRead(const QStringList& arguments) {
    const QString verb = QStringLiteral("read");
    QCommandLineParser parser;
    const QCommandLineOption port = PortOption();
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Файл, в который сохранить параметры."),
                                    QStringLiteral("ФАЙЛ"));
    parser.addOption(port);
    parser.addOption(output);
    if (const auto done = Parse(parser, verb, arguments, 0, 0)) return *done;
    const auto portName = Required(parser, port, verb);
    if (!portName) return Exit::Usage;
    const auto path = Required(parser, output, verb);
    if (!path) return Exit::Usage;

    // A file that cannot be saved is found out before the radio is asked.
    if (!WritableOrSay(*path)) return Exit::FileProblem;

    const Result<ParameterImage> read = ReadRadio(*portName);
    if (!read) return ExitCode(read.error().kind);
    if (!WriteOrSay(*path, BuildFileBytes(*read))) return Exit::FileProblem;
    ErrLine(QStringLiteral("Сохранено в файл «%1».").arg(Shown(*path)));
    return Exit::Ok;
}

int RunWrite(const QStringList& arguments) {
    const QString verb = QStringLiteral("write");
    QCommandLineParser parser;
    const QCommandLineOption port = PortOption();
    const QCommandLineOption force = ForceOption(QStringLiteral("Записать"));
    const QCommandLineOption backup(
        QStringLiteral("backup"),
        QStringLiteral("Сначала прочитать радиостанцию и сохранить прочитанное в папке резервных "
                       "копий; без копии запись не выполняется."));
    const QCommandLineOption verify = VerifyOption();
    parser.addOptions({port, force, backup, verify});
    const RadioCommand command = ParseRadioCommand(parser, verb, arguments, port, force);
    if (command.exit) return *command.exit;
    const QStringList& ports = command.ports;
    const ParameterImage& image = command.image;
    const WriteJob job{image, parser.isSet(backup), parser.isSet(verify)};
    const QList<RadioOutcome> outcomes = WriteToAll(ports, job);

    if (ports.size() == 1) {
        const JobOutcome& outcome = outcomes.constFirst().job;
        if (!outcome.backupPath.isEmpty())
            ErrLine(QStringLiteral("Резервная копия: «%1».").arg(Shown(outcome.backupPath)));
        if (outcome.Succeeded()) {
            if (job.verify) ErrLine(OutcomeText(ExchangeOutcome::Written));
            ErrLine(OutcomeMessage(outcome));
            return Exit::Ok;
        }
        ErrLine(QStringLiteral("Ошибка: ") + OutcomeMessage(outcome));
        // The port, the backup file, the link, or a stop: the exit code says which.
        return ExitCode(outcome.status.error().kind);
    }

    // A table: port, result, time, message.
    int width = 4;
    for (const QString& name : ports) width = std::max(width, static_cast<int>(name.size()));
    OutLine(QStringLiteral("%1  %2  %3  %4")
                .arg(QStringLiteral("Порт"), -width)
                .arg(QStringLiteral("Итог"), -6)
                .arg(QStringLiteral("Время"), 7)
                .arg(QStringLiteral("Сообщение")));
    int failed = 0;
    bool stopped = false;
    for (int i = 0; i < ports.size(); ++i) {
        const JobOutcome& outcome = outcomes[i].job;
        const bool ok = outcome.Succeeded();
        if (!ok) ++failed;
        stopped = stopped || (!ok && outcome.status.error().kind == ErrorKind::Stopped);
        OutLine(QStringLiteral("%1  %2  %3  %4")
                    .arg(ports[i], -width)
                    .arg(ok ? QStringLiteral("успех") : QStringLiteral("ОШИБКА"), -6)
                    .arg(SecondsText(outcomes[i].elapsedMs), 7)
                    .arg(OutcomeMessage(outcome)));
    }
    OutLine(QStringLiteral("Записано %1 из %2.").arg(ports.size() - failed).arg(ports.size()));
    if (stopped) return ExitCode(ErrorKind::Stopped);
    // Many radios end with 0 only when every one took the file, else with 1 whatever failed.
    return failed == 0 ? Exit::Ok : Exit::LinkFailed;
}

}  // namespace belvan::cli
