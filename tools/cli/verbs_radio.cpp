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
#include <vector>

#include "console.h"
#include "core/texts.h"
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
    Status Open() {
        if (line.Open()) return {};
        const Error failure = line.Failure();
        ErrLine(QStringLiteral("Ошибка: ") + failure.text);
        return failure;
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
    const Result<QString> backup = WriteBackup(image);
    if (backup) {
        ErrLine(QStringLiteral("Резервная копия: «%1».").arg(Shown(*backup)));
    } else {
        ErrLine(QStringLiteral("Предупреждение: резервная копия не сохранена: %1.")
                    .arg(backup.error().text));
    }
}

// Ctrl+C (SIGINT) and SIGTERM while radios are being written. The handler only counts; the
// event loop looks at the count. The first stop lets the exchanges under way end and be
// reported; the second ends the program at once, after naming the radios left unconfirmed.
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<int> stopSignals{0};
std::atomic<int> lastStopSignal{SIGINT};

extern "C" void CountStopSignal(int number) {
    lastStopSignal = number;
    stopSignals.fetch_add(1);
    std::signal(number, CountStopSignal);  // some systems put the default back on delivery
}

class StopSignals {
  public:
    StopSignals(std::function<void()> first, std::function<void()> again)
        : first_(std::move(first)), again_(std::move(again)) {
        stopSignals = 0;
        previousInt_ = Install(SIGINT, CountStopSignal);
        previousTerm_ = Install(SIGTERM, CountStopSignal);
        QObject::connect(&check_, &QTimer::timeout, &check_, [this] { Check(); });
        check_.start(50);
    }
    ~StopSignals() {
        Install(SIGINT, previousInt_);
        Install(SIGTERM, previousTerm_);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool Stopping() const { return seen_ > 0; }

  private:
    using Handler = void (*)(int);
    // Sets the handler; the one it replaced, or the default when none could be set.
    static Handler Install(int number, Handler handler) {
        const Handler previous = std::signal(number, handler);
        return previous == SIG_ERR ? SIG_DFL : previous;
    }
    void Check() {
        const int count = stopSignals;
        if (count == seen_) return;
        const bool firstTime = seen_ == 0;
        seen_ = count;
        if (firstTime) first_();
        if (count >= 2) again_();
    }

    std::function<void()> first_;
    std::function<void()> again_;
    QTimer check_;
    int seen_ = 0;
    Handler previousInt_ = SIG_DFL;
    Handler previousTerm_ = SIG_DFL;
};

const QString kStopAgain =
    QStringLiteral("Ctrl+C ещё раз — прервать сразу, не дожидаясь ответа радиостанции");

// "порту COM1" or "портах COM1, COM2".
QString OnPorts(const QStringList& ports) {
    return (ports.size() == 1 ? QStringLiteral("порту ") : QStringLiteral("портах ")) +
           ports.join(QStringLiteral(", "));
}

// Ends the program at once: the exchanges under way are left as they are, their radios named.
[[noreturn]] void AbandonExchanges(const QStringList& unconfirmed) {
    for (const QString& port : unconfirmed)
        ErrLine(QStringLiteral("Прервано: состояние радиостанции на порту %1 неизвестно — "
                               "запишите её заново.")
                    .arg(port));
    if (unconfirmed.isEmpty()) ErrLine(QStringLiteral("Прервано."));
    std::fflush(nullptr);
    // The link threads may be waiting on a radio; nothing is left to them.
    std::_Exit(InterruptedExit());
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
            QStringList busy;
            for (const auto& worker : workers) {
                worker->Stop();
                if (worker->Busy()) busy << worker->PortName();
            }
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
        QObject::connect(worker, &PortWorker::progress, &loop,
                         [&single, &lines, i](const QString& stage, int percent) {
                             single.Update(stage, percent, 100);
                             lines.Update(i,
                                          QStringLiteral("%1 %2%").arg(stage, -30).arg(percent, 3));
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

// The log of a programming station: one CSV row a radio, the header when the file is new. Every
// write is checked and flushed; a row that could not be written is said at once.
class StationLog {
  public:
    explicit StationLog(const QString& path) : file_(path) {}
    bool Open() {
        if (file_.fileName().isEmpty()) return true;
        const bool fresh = !file_.exists() || file_.size() == 0;
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) return false;
        if (fresh)
            Row({QStringLiteral("время"), QStringLiteral("порт"), QStringLiteral("итог"),
                 QStringLiteral("сообщение"), QStringLiteral("контрольная сумма")},
                QStringLiteral("заголовок"));
        return true;
    }
    QString Error() const { return file_.errorString(); }
    // True once a row could not be written.
    bool Failed() const { return failed_; }
    // `what` names the row in the message when it cannot be written.
    void Row(const QStringList& cells, const QString& what) {
        if (!file_.isOpen()) return;
        QStringList quoted;
        for (const QString& cell : cells) quoted << CsvField(cell);
        const QByteArray bytes = (quoted.join(u',') + u'\n').toUtf8();
        if (file_.write(bytes) == bytes.size() && file_.flush()) return;
        failed_ = true;
        ErrLine(QStringLiteral("Ошибка: не удалось записать в журнал «%1» %2: %3.")
                    .arg(Shown(file_.fileName()), what, file_.errorString()));
    }

  private:
    QFile file_;
    bool failed_ = false;
};

// The command line of a command that writes a file into radios: the ports and the file's image,
// or the exit code once the command is done (help shown, a wrong command line, a bad file).
struct RadioCommand {
    std::optional<int> exit;
    QStringList ports = {};
    ParameterImage image = {};
};
// A port named twice would be opened twice and fight itself: the names as given are compared, and
// the devices they stand for ("COM1" and "/dev/ttyS0", a link and its device). The usage error,
// or nothing.
QString RepeatedPort(const QStringList& ports) {
    QHash<QString, QString> seen;  // device -> the name it was given as first
    for (const QString& name : ports) {
        QString device = DeviceForPortName(name);
#ifdef Q_OS_WIN
        device = device.toUpper();
#else
        const QString canonical = QFileInfo(device).canonicalFilePath();
        if (!canonical.isEmpty()) device = canonical;
#endif
        if (const auto first = seen.constFind(device); first != seen.constEnd()) {
            if (*first == name) return QStringLiteral("порт «%1» указан дважды").arg(name);
            return QStringLiteral("порты «%1» и «%2» — одно и то же устройство").arg(*first, name);
        }
        seen.insert(device, name);
    }
    return {};
}

// `conflict` names a wrong combination of options, or is empty.
RadioCommand ParseRadioCommand(QCommandLineParser& parser, const QString& verb,
                               const QStringList& arguments, const QCommandLineOption& port,
                               const QCommandLineOption& force,
                               const std::function<QString()>& conflict = {}) {
    parser.addPositionalArgument(QStringLiteral("ФАЙЛ"), QStringLiteral("Файл настроек (.ctrch)."));
    if (const auto done = Parse(parser, verb, arguments, 1, 1)) return {done};
    if (!Required(parser, port, verb)) return {Exit::Usage};
    QString wrong = RepeatedPort(parser.values(port));
    if (wrong.isEmpty() && conflict) wrong = conflict();
    if (!wrong.isEmpty()) {
        ReportUsageError(wrong, verb);
        return {Exit::Usage};
    }
    const Result<ParameterImage> read =
        ReadImage(parser.positionalArguments().constFirst(), parser.isSet(force));
    if (!read) return {ExitCode(read.error().kind)};
    return {std::nullopt, parser.values(port), *read};
}

}  // namespace

int InterruptedExit() {
    return 128 + lastStopSignal;
}

Result<ParameterImage> ReadRadio(const QString& port) {
    LinkSession session(port);
    if (const Status opened = session.Open(); !opened) return opened.error();
    const ReadResult read = ReadParameters(session.line, 0, session.Progress());
    if (!session.Report(read.outcome)) return ExchangeError(read.outcome);
    KeepBackup(read.image);
    return read.image;
}

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

    const Result<ParameterImage> read = ReadRadio(*portName);
    if (!read) return ExitCode(read.error().kind);
    if (!WriteOrSay(*path, BuildFileBytes(*read))) return Exit::FileProblem;
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
        "обнуляет служебные байты. Ctrl+C (или SIGTERM) даёт начатому обмену закончиться и "
        "сообщает его итог; повторный Ctrl+C прерывает сразу (код 130, для SIGTERM 143) и "
        "называет порты, состояние радиостанций на которых неизвестно."));
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

int RunStation(const QStringList& arguments) {
    const QString verb = QStringLiteral("station");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Станция программирования: следит за портами и записывает файл в каждую радиостанцию, "
        "которая сообщила о подключении, затем читает её и сравнивает с файлом; потом ждёт "
        "следующую. Сообщение о подключении — 23 байта, первый 0x10, пришедшие одним куском; "
        "шум на линии им не считается. Радиостанция считается одна, пока линия не помолчит "
        "1,5 с: повторные сообщения о подключении и сообщение сразу после записи — от той же "
        "радиостанции. Радиостанцию, запись в которую не удалась, достаточно отключить и "
        "подключить заново. Ctrl+C (или SIGTERM) даёт начатым записям закончиться и завершает "
        "работу с итогом; повторный Ctrl+C прерывает сразу (код 130, для SIGTERM 143) и "
        "называет порты, состояние радиостанций на которых неизвестно. Журнал, в который не "
        "удалось записать, — ошибка (код 2), но станция продолжает работу."));
    const QCommandLineOption port = PortOption();
    const QCommandLineOption force = ForceOption(QStringLiteral("Записать"));
    const QCommandLineOption verify(
        QStringLiteral("verify"),
        QStringLiteral("После записи прочитать радиостанцию и сравнить с записанным (так и "
                       "без этого параметра)."));
    const QCommandLineOption noVerify(
        QStringLiteral("no-verify"),
        QStringLiteral("Не проверять после записи: быстрее, но запись, которую радиостанция "
                       "подтвердила, а не сохранила, останется незамеченной."));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Дописывать строку о каждой радиостанции в "
                                                "CSV-файл (время, порт, итог, сообщение, "
                                                "контрольная сумма)."),
                                 QStringLiteral("ФАЙЛ"));
    parser.addOptions({port, force, verify, noVerify, log});
    const RadioCommand command =
        ParseRadioCommand(parser, verb, arguments, port, force, [&]() -> QString {
            if (parser.isSet(verify) && parser.isSet(noVerify))
                return QStringLiteral("--verify и --no-verify исключают друг друга");
            return {};
        });
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
    const WriteJob job{image, false, !parser.isSet(noVerify)};

    QEventLoop loop;
    std::vector<std::unique_ptr<PortWorker>> workers;
    int programmed = 0, failed = 0;
    auto summary = [&](int unknown) {
        QString text = QStringLiteral("Итог: записано %1, ошибок %2").arg(programmed).arg(failed);
        if (unknown > 0) text += QStringLiteral(", состояние неизвестно: %1").arg(unknown);
        OutLine(text + u'.');
    };
    auto anyBusy = [&] {
        return std::any_of(workers.begin(), workers.end(),
                           [](const auto& worker) { return worker->Busy(); });
    };
    const StopSignals stop(
        [&] {
            QStringList busy;
            for (const auto& worker : workers) {
                worker->Stop();
                if (worker->Busy()) busy << worker->PortName();
            }
            if (busy.isEmpty()) {
                loop.quit();
                return;
            }
            ErrLine(QStringLiteral("Остановка: запись на %1 доводится до конца, новые "
                                   "радиостанции не принимаются (%2).")
                        .arg(OnPorts(busy), kStopAgain));
        },
        [&] {
            QStringList unconfirmed;
            for (const auto& worker : workers) {
                if (!worker->Unconfirmed()) continue;
                unconfirmed << worker->PortName();
                report.Row({QDateTime::currentDateTime().toString(Qt::ISODate), worker->PortName(),
                            QStringLiteral("прервано"),
                            QStringLiteral("запись прервана, состояние радиостанции неизвестно"),
                            checksum},
                           QStringLiteral("строку о радиостанции на порту ") + worker->PortName());
            }
            summary(static_cast<int>(unconfirmed.size()));
            AbandonExchanges(unconfirmed);
        });

    for (const QString& name : ports) {
        workers.push_back(std::make_unique<PortWorker>(name));
        PortWorker* worker = workers.back().get();
        QObject::connect(worker, &PortWorker::announced, &loop, [worker, &job, &stop] {
            if (stop.Stopping()) return;
            ErrLine(QStringLiteral("%1: радиостанция подключена, запись…").arg(worker->PortName()));
            worker->Run(job);
        });
        QObject::connect(worker, &PortWorker::announcedAgain, &loop, [worker] {
            ErrLine(
                QStringLiteral("%1: радиостанция снова сообщила о подключении — не считается "
                               "новой: линия не молчала %2 с. Чтобы записать её ещё раз, "
                               "отключите её и подключите заново.")
                    .arg(worker->PortName(),
                         QString::number(kStationQuietMs / 1000.0, 'f', 1).replace(u'.', u',')));
        });
        QObject::connect(
            worker, &PortWorker::portState, &loop, [worker](bool open, const QString& reason) {
                ErrLine(open ? QStringLiteral("%1: порт открыт, ожидание радиостанции.")
                                   .arg(worker->PortName())
                             : QStringLiteral("%1: %2").arg(worker->PortName(), reason));
            });
        QObject::connect(
            worker, &PortWorker::finished, &loop, [&, worker](const RadioOutcome& outcome) {
                const bool ok = outcome.job.Succeeded();
                const QString message = OutcomeMessage(outcome.job);
                (ok ? programmed : failed)++;
                const QString time = QDateTime::currentDateTime().toString(Qt::ISODate);
                OutLine(QStringLiteral("%1 %2: %3 — %4 (%5)")
                            .arg(time, worker->PortName(),
                                 ok ? QStringLiteral("успех") : QStringLiteral("ОШИБКА"), message,
                                 SecondsText(outcome.elapsedMs)));
                report.Row(
                    {time, worker->PortName(),
                     ok ? QStringLiteral("успех") : QStringLiteral("ошибка"), message, checksum},
                    QStringLiteral("строку о радиостанции на порту ") + worker->PortName());
                if (stop.Stopping() && !anyBusy()) loop.quit();
            });
        worker->Watch();
    }
    ErrLine(QStringLiteral("Станция работает; Ctrl+C — завершить."));
    loop.exec();
    summary(0);
    // A radio whose row is missing from the log is work lost: that fails the station first.
    if (report.Failed()) {
        ErrLine(QStringLiteral("Ошибка: журнал «%1» записан не полностью; чего в нём нет, "
                               "сказано выше.")
                    .arg(Shown(parser.value(log))));
        return Exit::FileProblem;
    }
    return failed == 0 ? Exit::Ok : Exit::LinkFailed;
}

}  // namespace belvan::cli
