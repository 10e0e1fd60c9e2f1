#include "verbs_radio.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <memory>
#include <vector>

#include "console.h"
#include "file_report.h"
#include "files/backup.h"
#include "link/radio_exchange.h"
#include "link/serial_line.h"
#include "port_worker.h"
#include "verb_support.h"
#include "verbs.h"

namespace belvan::cli {

namespace {

// The serial line of one command, with the progress line drawn while it exchanges.
struct LinkSession {
    explicit LinkSession(const QString& port)
        : line(DeviceForPortName(port)), progress(StderrIsTerminal()) {}
    ~LinkSession() { line.Close(); }

    // Opens the port, or says why not.
    bool Open() {
        if (line.Open()) return true;
        ErrLine(QStringLiteral("Ошибка: ") + line.FailureReason());
        return false;
    }
    ProgressCallback Progress() {
        return [this](const LinkProgress& at) { progress.Update(at.stage, at.done, at.total); };
    }
    // The outcome on its own line after the progress line; true on success.
    bool Report(ExchangeOutcome outcome) {
        progress.Finish();
        if (Succeeded(outcome)) {
            ErrLine(OutcomeText(outcome));
            return true;
        }
        ErrLine(QStringLiteral("Ошибка: ") + OutcomeText(outcome));
        return false;
    }

    SerialLine line;
    ProgressLine progress;
};

// What the radio held is kept in the backup folder too; a backup that fails never fails the read.
void KeepBackup(const ParameterImage& image) {
    const BackupResult backup = WriteBackup(image);
    if (backup.Ok()) {
        ErrLine(QStringLiteral("Резервная копия: «%1».").arg(Shown(backup.path)));
    } else {
        ErrLine(
            QStringLiteral("Предупреждение: резервная копия не сохранена: %1.").arg(backup.error));
    }
}

QString Seconds(qint64 ms) {
    return QStringLiteral("%1 с").arg(QString::number(ms / 1000.0, 'f', 1).replace(u'.', u','));
}

// Writes to every port at once, one link each; the outcomes in the order of the ports.
QList<JobOutcome> WriteToAll(const QStringList& ports, const WriteJob& job) {
    QList<JobOutcome> outcomes(ports.size());
    std::vector<std::unique_ptr<PortWorker>> workers;
    ProgressLine single(ports.size() == 1 && StderrIsTerminal());
    ProgressLines lines(ports, ports.size() > 1 && StderrIsTerminal());
    QEventLoop loop;
    int left = static_cast<int>(ports.size());
    for (int i = 0; i < ports.size(); ++i) {
        workers.push_back(std::make_unique<PortWorker>(ports[i]));
        PortWorker* worker = workers.back().get();
        QObject::connect(worker, &PortWorker::progress, &loop,
                         [&single, &lines, i](const QString& stage, int percent) {
                             single.Update(stage, percent, 100);
                             lines.Update(i,
                                          QStringLiteral("%1 %2%").arg(stage, -30).arg(percent, 3));
                         });
        QObject::connect(worker, &PortWorker::finished, &loop, [&, i](const JobOutcome& outcome) {
            outcomes[i] = outcome;
            lines.Update(i, (outcome.ok ? QStringLiteral("готово: ") : QStringLiteral("ОШИБКА: ")) +
                                outcome.message);
            if (--left == 0) loop.quit();
        });
        worker->Run(job);
    }
    if (left > 0) loop.exec();
    single.Finish();
    lines.Finish();
    return outcomes;
}

std::atomic<bool> stopRequested{false};

extern "C" void RequestStop(int) {
    stopRequested = true;
}

// The log of a programming station: one CSV row a radio, the header when the file is new.
class StationLog {
  public:
    explicit StationLog(const QString& path) : file_(path) {}
    bool Open() {
        if (file_.fileName().isEmpty()) return true;
        const bool fresh = !file_.exists() || file_.size() == 0;
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) return false;
        if (fresh)
            Row({QStringLiteral("время"), QStringLiteral("порт"), QStringLiteral("итог"),
                 QStringLiteral("сообщение"), QStringLiteral("контрольная сумма")});
        return true;
    }
    QString Error() const { return file_.errorString(); }
    void Row(const QStringList& cells) {
        if (!file_.isOpen()) return;
        QStringList quoted;
        for (QString cell : cells) {
            if (cell.contains(u'"') || cell.contains(u',') || cell.contains(u'\n'))
                cell = u'"' + cell.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
            quoted << cell;
        }
        file_.write((quoted.join(u',') + u'\n').toUtf8());
        file_.flush();
    }

  private:
    QFile file_;
};

// The command line of a command that writes a file into radios: the ports and the file's image,
// or the exit code once the command is done (help shown, a wrong command line, a bad file).
struct RadioCommand {
    std::optional<int> exit;
    QStringList ports = {};
    ParameterImage image = {};
};
RadioCommand ParseRadioCommand(QCommandLineParser& parser, const QString& verb,
                               const QStringList& arguments, const QCommandLineOption& port,
                               const QCommandLineOption& force) {
    parser.addPositionalArgument(QStringLiteral("ФАЙЛ"), QStringLiteral("Файл настроек (.ctrch)."));
    if (const auto done = Parse(parser, verb, arguments, 1, 1)) return {done};
    if (!Required(parser, port, verb)) return {Exit::Usage};
    const ImageOrExit read =
        ReadImage(parser.positionalArguments().constFirst(), parser.isSet(force));
    if (!read.image) return {read.exit};
    return {std::nullopt, parser.values(port), *read.image};
}

}  // namespace

int RunRead(const QStringList& arguments) {
    const QString verb = QStringLiteral("read");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Читает параметры из радиостанции и сохраняет их в файл настроек каналов "
                       "без изменений. Копия сохраняется и в папке резервных копий."));
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

    LinkSession session(*portName);
    if (!session.Open()) return Exit::PortUnavailable;
    const ReadResult read = ReadParameters(session.line, 0, session.Progress());
    if (!session.Report(read.outcome)) return Exit::LinkFailed;
    KeepBackup(read.image);

    if (!WriteOrSay(*path, BuildFileBytes(read.image))) return Exit::FileProblem;
    ErrLine(QStringLiteral("Сохранено в файл «%1».").arg(Shown(*path)));
    return Exit::Ok;
}

int RunWrite(const QStringList& arguments) {
    const QString verb = QStringLiteral("write");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Записывает файл настроек каналов в радиостанцию, а с несколькими --port — во все "
        "радиостанции сразу. Передаются 194 байта файла в точности такими, какие они есть, — в "
        "отличие от окна программы, которое приводит значения к тем, что допускают его списки, и "
        "обнуляет служебные байты."));
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
    const QList<JobOutcome> outcomes = WriteToAll(ports, job);

    if (ports.size() == 1) {
        const JobOutcome& outcome = outcomes.constFirst();
        if (!outcome.backupPath.isEmpty())
            ErrLine(QStringLiteral("Резервная копия: «%1».").arg(Shown(outcome.backupPath)));
        if (outcome.ok) {
            if (job.verify) ErrLine(OutcomeText(ExchangeOutcome::Written));
            ErrLine(outcome.message);
            return Exit::Ok;
        }
        ErrLine(QStringLiteral("Ошибка: ") + outcome.message);
        // Said in the words of the exit codes: the port, the backup file, or the link.
        if (outcome.message.startsWith(QStringLiteral("Порт")) ||
            outcome.message.startsWith(QStringLiteral("Нет прав")))
            return Exit::PortUnavailable;
        if (outcome.message.startsWith(QStringLiteral("резервная копия"))) return Exit::FileProblem;
        return Exit::LinkFailed;
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
    for (int i = 0; i < ports.size(); ++i) {
        const JobOutcome& outcome = outcomes[i];
        if (!outcome.ok) ++failed;
        OutLine(QStringLiteral("%1  %2  %3  %4")
                    .arg(ports[i], -width)
                    .arg(outcome.ok ? QStringLiteral("успех") : QStringLiteral("ОШИБКА"), -6)
                    .arg(Seconds(outcome.elapsedMs), 7)
                    .arg(outcome.message));
    }
    OutLine(QStringLiteral("Записано %1 из %2.").arg(ports.size() - failed).arg(ports.size()));
    return failed == 0 ? Exit::Ok : Exit::LinkFailed;
}

int RunStation(const QStringList& arguments) {
    const QString verb = QStringLiteral("station");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Станция программирования: следит за портами и записывает файл в каждую радиостанцию, "
        "которая сообщила о подключении; затем ждёт следующую. Радиостанцию, запись в которую не "
        "удалась, достаточно подключить заново. Ctrl+C завершает работу с итогом."));
    const QCommandLineOption port = PortOption();
    const QCommandLineOption force = ForceOption(QStringLiteral("Записать"));
    const QCommandLineOption verify = VerifyOption();
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Дописывать строку о каждой радиостанции в "
                                                "CSV-файл (время, порт, итог, сообщение, "
                                                "контрольная сумма)."),
                                 QStringLiteral("ФАЙЛ"));
    parser.addOptions({port, force, verify, log});
    const RadioCommand command = ParseRadioCommand(parser, verb, arguments, port, force);
    if (command.exit) return *command.exit;
    const QStringList& ports = command.ports;
    const ParameterImage& image = command.image;
    StationLog report(parser.value(log));
    if (!report.Open()) {
        ErrLine(QStringLiteral("Ошибка: не удалось открыть журнал «%1»: %2.")
                    .arg(Shown(parser.value(log)), report.Error()));
        return Exit::FileProblem;
    }
    const QString checksum = HexByte(BuildFileBytes(image)[kFileChecksumOffset]);
    const WriteJob job{image, false, parser.isSet(verify)};

    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    QEventLoop loop;
    QTimer stopCheck;
    QObject::connect(&stopCheck, &QTimer::timeout, &loop, [&loop] {
        if (stopRequested) loop.quit();
    });
    stopCheck.start(100);

    std::vector<std::unique_ptr<PortWorker>> workers;
    int programmed = 0, failed = 0;
    for (const QString& name : ports) {
        workers.push_back(std::make_unique<PortWorker>(name));
        PortWorker* worker = workers.back().get();
        QObject::connect(worker, &PortWorker::announced, &loop, [worker, &job] {
            ErrLine(QStringLiteral("%1: радиостанция подключена, запись…").arg(worker->PortName()));
            worker->Run(job);
        });
        QObject::connect(
            worker, &PortWorker::portState, &loop, [worker](bool open, const QString& reason) {
                ErrLine(open ? QStringLiteral("%1: порт открыт, ожидание радиостанции.")
                                   .arg(worker->PortName())
                             : QStringLiteral("%1: %2").arg(worker->PortName(), reason));
            });
        QObject::connect(
            worker, &PortWorker::finished, &loop, [&, worker](const JobOutcome& outcome) {
                (outcome.ok ? programmed : failed)++;
                const QString time = QDateTime::currentDateTime().toString(Qt::ISODate);
                OutLine(QStringLiteral("%1 %2: %3 — %4 (%5)")
                            .arg(time, worker->PortName(),
                                 outcome.ok ? QStringLiteral("успех") : QStringLiteral("ОШИБКА"),
                                 outcome.message, Seconds(outcome.elapsedMs)));
                report.Row({time, worker->PortName(),
                            outcome.ok ? QStringLiteral("успех") : QStringLiteral("ошибка"),
                            outcome.message, checksum});
            });
        worker->Watch();
    }
    ErrLine(QStringLiteral("Станция работает; Ctrl+C — завершить."));
    loop.exec();
    OutLine(QStringLiteral("Итог: записано %1, ошибок %2.").arg(programmed).arg(failed));
    return failed == 0 ? Exit::Ok : Exit::LinkFailed;
}

}  // namespace belvan::cli
