#include "verbs.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

#include "console.h"
#include "file_report.h"
#include "files/backup.h"
#include "files/settings_file.h"
#include "link/radio_exchange.h"
#include "link/serial_line.h"
#include "port_worker.h"
#include "verbs_csv.h"

namespace belvan::cli {

namespace {

QString Shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// Parses a command's arguments. Returns an exit code when the command is done already: its help
// was asked for, or the command line is wrong.
std::optional<int> Parse(QCommandLineParser& parser, const QString& verb,
                         const QStringList& arguments, int minPositional, int maxPositional) {
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Показать эту справку."));
    parser.addOption(help);
    if (!parser.parse(arguments)) {
        ReportUsageError(parser.errorText(), verb);
        return Exit::Usage;
    }
    if (parser.isSet(help)) {
        // Qt's usage line names the program only; the command goes right after it.
        QString text = parser.helpText();
        const QString started = QCoreApplication::arguments().value(0);
        const auto at = started.isEmpty() ? -1 : text.indexOf(started);
        if (at >= 0) text.replace(at, started.size(), ProgramName() + u' ' + verb);
        Out(text);
        return Exit::Ok;
    }
    const auto count = parser.positionalArguments().size();
    if (count < minPositional) {
        ReportUsageError(QStringLiteral("не указан файл"), verb);
        return Exit::Usage;
    }
    if (count > maxPositional) {
        ReportUsageError(QStringLiteral("лишние аргументы: %1")
                             .arg(parser.positionalArguments().mid(maxPositional).join(u' ')),
                         verb);
        return Exit::Usage;
    }
    return std::nullopt;
}

// The value of an option the command cannot go without.
std::optional<QString> Required(const QCommandLineParser& parser, const QCommandLineOption& option,
                                const QString& verb) {
    const QString value = parser.value(option);
    if (!value.isEmpty()) return value;
    ReportUsageError(QStringLiteral("не указан параметр --%1").arg(option.names().constLast()),
                     verb);
    return std::nullopt;
}

QCommandLineOption PortOption() {
    return QCommandLineOption({QStringLiteral("p"), QStringLiteral("port")},
                              QStringLiteral("Порт радиостанции: COM1, COM2, … или путь к "
                                             "устройству (/dev/ttyUSB0)."),
                              QStringLiteral("ПОРТ"));
}

QCommandLineOption ForceOption() {
    return QCommandLineOption(
        QStringLiteral("force"),
        QStringLiteral("Записать и файл, контрольная сумма которого не сходится."));
}

QCommandLineOption VerifyOption() {
    return QCommandLineOption(
        QStringLiteral("verify"),
        QStringLiteral("После записи прочитать радиостанцию и сравнить с записанным."));
}

// The file, or nothing after the reason was printed.
std::optional<FileBytes> ReadFile(const QString& path) {
    const FileReadResult read = ReadSettingsFile(path);
    if (!read.bytes) {
        ErrLine(QStringLiteral("Ошибка: не удалось прочитать файл «%1»: %2.")
                    .arg(Shown(path), read.error));
    }
    return read.bytes;
}

QString ChecksumMismatch(const FileBytes& bytes) {
    return QStringLiteral("контрольная сумма не сходится: в файле %1, по содержимому %2")
        .arg(HexByte(bytes[kFileChecksumOffset]), HexByte(FileChecksum(bytes)));
}

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

int RunShow(const QStringList& arguments) {
    const QString verb = QStringLiteral("show");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Показывает 16 каналов и настройки радиостанции из файла настроек каналов."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Вывести все значения файла в виде JSON."));
    parser.addOption(json);
    parser.addPositionalArgument(QStringLiteral("ФАЙЛ"), QStringLiteral("Файл настроек (.ctrch)."));
    if (const auto done = Parse(parser, verb, arguments, 1, 1)) return *done;

    const QString path = parser.positionalArguments().constFirst();
    const auto bytes = ReadFile(path);
    if (!bytes) return Exit::FileProblem;

    if (parser.isSet(json)) {
        OutBytes(QJsonDocument(FileJson(*bytes)).toJson(QJsonDocument::Indented));
    } else {
        const ParameterImage image = ImageFromFileBytes(*bytes);
        Out(ChannelTable(image) + QLatin1Char('\n') + SettingsText(image));
    }
    if (!FileChecksumMatches(*bytes)) {
        ErrLine(QStringLiteral("Предупреждение: файл «%1»: %2; файл повреждён.")
                    .arg(Shown(path), ChecksumMismatch(*bytes)));
        return Exit::BadChecksum;
    }
    return Exit::Ok;
}

int RunCheck(const QStringList& arguments) {
    const QString verb = QStringLiteral("check");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Проверяет длину (255 байт) и контрольную сумму файла настроек каналов."));
    parser.addPositionalArgument(QStringLiteral("ФАЙЛ"), QStringLiteral("Файл настроек (.ctrch)."));
    if (const auto done = Parse(parser, verb, arguments, 1, 1)) return *done;

    const QString path = parser.positionalArguments().constFirst();
    const auto bytes = ReadFile(path);
    if (!bytes) return Exit::FileProblem;
    if (const auto at = FirstFillerFault(*bytes)) {
        ErrLine(QStringLiteral("Предупреждение: файл «%1»: байты %2..%3 должны быть FF, байт %4 "
                               "равен %5.")
                    .arg(Shown(path))
                    .arg(kFileFillerOffset)
                    .arg(kFileChecksumOffset - 1)
                    .arg(*at)
                    .arg(HexByte((*bytes)[static_cast<std::size_t>(*at)])));
    }
    if (!FileChecksumMatches(*bytes)) {
        ErrLine(
            QStringLiteral("Ошибка: файл «%1»: %2.").arg(Shown(path), ChecksumMismatch(*bytes)));
        return Exit::BadChecksum;
    }
    OutLine(QStringLiteral("Файл «%1» в порядке: %2 байт, контрольная сумма %3.")
                .arg(Shown(path))
                .arg(kSettingsFileSize)
                .arg(HexByte((*bytes)[kFileChecksumOffset])));
    return Exit::Ok;
}

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
    const QFileInfo target(*path);
    if (target.isDir() || !target.absoluteDir().exists()) {
        ErrLine(QStringLiteral("Ошибка: не удалось сохранить файл «%1»: %2.")
                    .arg(Shown(*path), target.isDir() ? QStringLiteral("это папка, а не файл")
                                                      : QStringLiteral("папка не существует")));
        return Exit::FileProblem;
    }

    LinkSession session(*portName);
    if (!session.Open()) return Exit::PortUnavailable;
    const ReadResult read = ReadParameters(session.line, 0, session.Progress());
    if (!session.Report(read.outcome)) return Exit::LinkFailed;
    KeepBackup(read.image);

    const QString failure = WriteSettingsFile(*path, BuildFileBytes(read.image));
    if (!failure.isEmpty()) {
        ErrLine(QStringLiteral("Ошибка: не удалось сохранить файл «%1»: %2.")
                    .arg(Shown(*path), failure));
        return Exit::FileProblem;
    }
    ErrLine(QStringLiteral("Сохранено в файл «%1».").arg(Shown(*path)));
    return Exit::Ok;
}

// The image of a settings file about to be written: the 194 bytes as they are, once the checksum
// check passed (or --force). Nothing when the file will not do, after saying why.
std::optional<ParameterImage> ImageToWrite(const QString& path, bool force, int* exitCode) {
    const auto bytes = ReadFile(path);
    if (!bytes) {
        *exitCode = Exit::FileProblem;
        return std::nullopt;
    }
    if (!FileChecksumMatches(*bytes)) {
        if (!force) {
            ErrLine(QStringLiteral("Ошибка: файл «%1»: %2; файл повреждён.\nЧтобы записать его "
                                   "всё равно, добавьте --force.")
                        .arg(Shown(path), ChecksumMismatch(*bytes)));
            *exitCode = Exit::BadChecksum;
            return std::nullopt;
        }
        ErrLine(QStringLiteral("Предупреждение: файл «%1»: %2; записывается всё равно (--force).")
                    .arg(Shown(path), ChecksumMismatch(*bytes)));
    }
    return ImageFromFileBytes(*bytes);
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

int RunWrite(const QStringList& arguments) {
    const QString verb = QStringLiteral("write");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Записывает файл настроек каналов в радиостанцию, а с несколькими --port — во все "
        "радиостанции сразу. Передаются 194 байта файла в точности такими, какие они есть, — в "
        "отличие от окна программы, которое приводит значения к тем, что допускают его списки, и "
        "обнуляет служебные байты."));
    const QCommandLineOption port = PortOption();
    const QCommandLineOption force = ForceOption();
    const QCommandLineOption backup(
        QStringLiteral("backup"),
        QStringLiteral("Сначала прочитать радиостанцию и сохранить прочитанное в папке резервных "
                       "копий; без копии запись не выполняется."));
    const QCommandLineOption verify = VerifyOption();
    parser.addOptions({port, force, backup, verify});
    parser.addPositionalArgument(QStringLiteral("ФАЙЛ"), QStringLiteral("Файл настроек (.ctrch)."));
    if (const auto done = Parse(parser, verb, arguments, 1, 1)) return *done;
    if (!Required(parser, port, verb)) return Exit::Usage;
    const QStringList ports = parser.values(port);

    int exitCode = Exit::Ok;
    const auto image =
        ImageToWrite(parser.positionalArguments().constFirst(), parser.isSet(force), &exitCode);
    if (!image) return exitCode;
    const WriteJob job{*image, parser.isSet(backup), parser.isSet(verify)};
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

int RunStation(const QStringList& arguments) {
    const QString verb = QStringLiteral("station");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Станция программирования: следит за портами и записывает файл в каждую радиостанцию, "
        "которая сообщила о подключении; затем ждёт следующую. Радиостанцию, запись в которую не "
        "удалась, достаточно подключить заново. Ctrl+C завершает работу с итогом."));
    const QCommandLineOption port = PortOption();
    const QCommandLineOption force = ForceOption();
    const QCommandLineOption verify = VerifyOption();
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Дописывать строку о каждой радиостанции в "
                                                "CSV-файл (время, порт, итог, сообщение, "
                                                "контрольная сумма)."),
                                 QStringLiteral("ФАЙЛ"));
    parser.addOptions({port, force, verify, log});
    parser.addPositionalArgument(QStringLiteral("ФАЙЛ"), QStringLiteral("Файл настроек (.ctrch)."));
    if (const auto done = Parse(parser, verb, arguments, 1, 1)) return *done;
    if (!Required(parser, port, verb)) return Exit::Usage;
    const QStringList ports = parser.values(port);

    int exitCode = Exit::Ok;
    const auto image =
        ImageToWrite(parser.positionalArguments().constFirst(), parser.isSet(force), &exitCode);
    if (!image) return exitCode;
    StationLog report(parser.value(log));
    if (!report.Open()) {
        ErrLine(QStringLiteral("Ошибка: не удалось открыть журнал «%1»: %2.")
                    .arg(Shown(parser.value(log)), report.Error()));
        return Exit::FileProblem;
    }
    const QString checksum = HexByte(BuildFileBytes(*image)[kFileChecksumOffset]);
    const WriteJob job{*image, false, parser.isSet(verify)};

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

int RunHelp(const QStringList& arguments);

}  // namespace

QString ProgramName() {
    const QStringList arguments = QCoreApplication::arguments();
    return arguments.isEmpty() ? QStringLiteral("belvan-cli")
                               : QFileInfo(arguments.constFirst()).fileName();
}

const QList<Verb>& Verbs() {
    static const QList<Verb> verbs = {
        {QStringLiteral("show"), QStringLiteral("[--json] ФАЙЛ"),
         QStringLiteral("показать каналы и настройки из файла"), RunShow},
        {QStringLiteral("check"), QStringLiteral("ФАЙЛ"),
         QStringLiteral("проверить длину и контрольную сумму файла"), RunCheck},
        {QStringLiteral("read"), QStringLiteral("--port ПОРТ -o ФАЙЛ"),
         QStringLiteral("прочитать параметры радиостанции в файл"), RunRead},
        {QStringLiteral("write"),
         QStringLiteral("--port ПОРТ [--port ПОРТ …] [--force] [--backup] [--verify] ФАЙЛ"),
         QStringLiteral("записать файл в радиостанцию (в несколько сразу)"), RunWrite},
        {QStringLiteral("station"),
         QStringLiteral("--port ПОРТ [--port ПОРТ …] [--verify] [--log ЖУРНАЛ.csv] ФАЙЛ"),
         QStringLiteral("станция программирования: записывать файл в каждую подключённую "
                        "радиостанцию"),
         RunStation},
        {QStringLiteral("export"), QStringLiteral("ФАЙЛ [-o СПИСОК.csv] [--pdf -o ЛИСТ.pdf]"),
         QStringLiteral("выгрузить каналы в CSV (формат CHIRP) или печатный лист в PDF"),
         RunExport},
        {QStringLiteral("import"),
         QStringLiteral("СПИСОК.csv -o ФАЙЛ [--base ДРУГОЙ] [--skip-invalid]"),
         QStringLiteral("составить файл настроек из списка каналов CSV"), RunImport},
        {QStringLiteral("help"), QStringLiteral("[КОМАНДА]"),
         QStringLiteral("эта справка или справка по команде"), RunHelp},
    };
    return verbs;
}

const Verb* FindVerb(const QString& name) {
    for (const Verb& verb : Verbs())
        if (verb.name == name) return &verb;
    return nullptr;
}

QString ProgramHelp() {
    const QString program = ProgramName();
    QString text = QStringLiteral(
                       "Использование: %1 КОМАНДА [параметры]\n\n"
                       "Файлы настроек каналов (.ctrch) и обмен с радиостанцией "
                       "Belvan-T без окна программы.\n\nКоманды:\n")
                       .arg(program);
    for (const Verb& verb : Verbs()) {
        text += QStringLiteral("  %1 %2\n      %3\n").arg(verb.name, verb.synopsis, verb.summary);
    }
    text += QStringLiteral(
                "\nПодробнее о команде: %1 КОМАНДА --help\n"
                "ПОРТ: COM1, COM2, … или путь к устройству (/dev/ttyUSB0).\n\n"
                "Коды завершения:\n"
                "  %2   успешно\n"
                "  %3   радиостанция не ответила или обмен не удался\n"
                "  %4   файл не читается, не записывается или не является файлом настроек\n"
                "  %5   контрольная сумма файла не сходится\n"
                "  %6   порт не открывается\n"
                "  %7  неверная командная строка\n")
                .arg(program)
                .arg(Exit::Ok)
                .arg(Exit::LinkFailed)
                .arg(Exit::FileProblem)
                .arg(Exit::BadChecksum)
                .arg(Exit::PortUnavailable)
                .arg(Exit::Usage);
    return text;
}

void ReportUsageError(const QString& error, const QString& verb) {
    const QString program = ProgramName();
    const QString helpCommand = verb.isEmpty() ? program + QStringLiteral(" --help")
                                               : program + u' ' + verb + QStringLiteral(" --help");
    ErrLine(QStringLiteral("%1: %2\nСправка: %3").arg(program, error, helpCommand));
}

namespace {
int RunHelp(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Показывает справку."));
    parser.addPositionalArgument(QStringLiteral("КОМАНДА"), QStringLiteral("Команда."));
    if (const auto done = Parse(parser, QStringLiteral("help"), arguments, 0, 1)) return *done;
    if (parser.positionalArguments().isEmpty()) {
        Out(ProgramHelp());
        return Exit::Ok;
    }
    const QString name = parser.positionalArguments().constFirst();
    const Verb* verb = FindVerb(name);
    if (!verb) {
        ReportUsageError(QStringLiteral("неизвестная команда «%1»").arg(name));
        return Exit::Usage;
    }
    return verb->run({arguments.constFirst(), QStringLiteral("--help")});
}
}  // namespace

}  // namespace belvan::cli
