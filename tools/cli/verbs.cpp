#include "verbs.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <exception>
#include <optional>

#include "console.h"
#include "file_report.h"
#include "form/file_operations.h"
#include "files/settings_file.h"
#include "image/encoding.h"
#include "link/radio_exchange.h"
#include "link/serial_port.h"
#include "plan/channel_editing.h"
#include "program_state.h"
#include "terminal_operator.h"
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

// The program state for an exchange: the terminal operator and the progress line attached.
struct Session {
    explicit Session(bool force) : progress(StderrIsTerminal()), op(progress, force) {
        state.op = &op;
        state.progress = [this](const LinkProgress& at) {
            progress.Update(at.stage, at.done, at.total);
        };
    }
    ~Session() {
        progress.Finish();
        ClosePort(state);
    }

    // Opens the port, or says why not.
    bool Open(const QString& port) {
        if (OpenPort(state, port)) return true;
        ErrLine(QStringLiteral("Ошибка: ") + state.PortHandle->FailureReason());
        return false;
    }

    ProgressLine progress;
    TerminalOperator op;
    ProgramState state;
};

QString RecordHex(const ParameterImage& image, int channel) {
    QStringList bytes;
    for (const std::uint8_t byte : image.Record(channel).ToBytes()) bytes << HexByte(byte);
    return bytes.join(QLatin1Char(' '));
}

QString SettingsByteName(int offset) {
    using namespace SettingsOffset;
    if (offset == modeFlags) return QStringLiteral("флаги режима");
    if (offset == operatingMode) return QStringLiteral("режим работы");
    if (offset >= f1Keys && offset < f1Keys + kKeySlots)
        return QStringLiteral("F1, функция %1").arg(offset - f1Keys + 1);
    if (offset >= f2Keys && offset < f2Keys + kKeySlots)
        return QStringLiteral("F2, функция %1").arg(offset - f2Keys + 1);
    if (offset == waitTime || offset == waitTime + 1) return QStringLiteral("время ожидания");
    if (offset == maxTransmitTime || offset == maxTransmitTime + 1)
        return QStringLiteral("макс. время передачи");
    if (offset == transmitOffTime || offset == transmitOffTime + 1)
        return QStringLiteral("время откл. передачи");
    if (offset >= carriedBytes) return QStringLiteral("переносимый байт");
    return QStringLiteral("байт %1").arg(offset);
}

// What of the file the radio will not receive as it is: the window's load and write bring
// every value to what its controls can hold.
void WarnAboutChanges(const ParameterImage& file, const ParameterImage& sent) {
    QStringList changes;
    for (int c = 0; c < kChannelCount; ++c) {
        if (file.Record(c) == sent.Record(c)) continue;
        changes << QStringLiteral("  канал %1: %2 → %3")
                       .arg(c + 1, 2, 10, QLatin1Char('0'))
                       .arg(RecordHex(file, c), RecordHex(sent, c));
    }
    for (int offset = 0; offset < kSettingsBlockSize; ++offset) {
        const auto before = file.settings[static_cast<std::size_t>(offset)];
        const auto after = sent.settings[static_cast<std::size_t>(offset)];
        if (before == after) continue;
        changes << QStringLiteral("  настройки, байт %1 (%2): %3 → %4")
                       .arg(offset)
                       .arg(SettingsByteName(offset), HexByte(before), HexByte(after));
    }
    if (changes.isEmpty()) return;
    ErrLine(QStringLiteral("Предупреждение: значения, которых программа не допускает, будут "
                           "записаны так, как их записало бы окно программы:\n") +
            changes.join(QLatin1Char('\n')));
}

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

int RunRead(const QStringList& arguments) {
    const QString verb = QStringLiteral("read");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Читает параметры из радиостанции и сохраняет их в файл настроек каналов "
                       "без изменений."));
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

    Session session(false);
    if (!session.Open(*portName)) return Exit::PortUnavailable;
    if (!ReadParameters(session.state, 0)) return Exit::LinkFailed;
    session.progress.Finish();

    const QString failure = WriteSettingsFile(*path, BuildFileBytes(session.state.image));
    if (!failure.isEmpty()) {
        ErrLine(QStringLiteral("Ошибка: не удалось сохранить файл «%1»: %2.")
                    .arg(Shown(*path), failure));
        return Exit::FileProblem;
    }
    ErrLine(QStringLiteral("Сохранено в файл «%1».").arg(Shown(*path)));
    return Exit::Ok;
}

int RunWrite(const QStringList& arguments) {
    const QString verb = QStringLiteral("write");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Загружает файл настроек каналов так же, как окно программы, и записывает "
                       "его в радиостанцию."));
    const QCommandLineOption port = PortOption();
    const QCommandLineOption force(
        QStringLiteral("force"),
        QStringLiteral("Записать и файл, контрольная сумма которого не сходится."));
    parser.addOption(port);
    parser.addOption(force);
    parser.addPositionalArgument(QStringLiteral("ФАЙЛ"), QStringLiteral("Файл настроек (.ctrch)."));
    if (const auto done = Parse(parser, verb, arguments, 1, 1)) return *done;
    const auto portName = Required(parser, port, verb);
    if (!portName) return Exit::Usage;

    Session session(parser.isSet(force));
    ProgramState& p = session.state;
    session.op.SetFileToOpen(parser.positionalArguments().constFirst());
    // The window's "Загрузить настройки": the plan and the controls from the file.
    Button12Click(p);
    if (session.op.ErrorsShown() > 0) return Exit::FileProblem;
    if (session.op.QuestionsRefused() > 0) return Exit::BadChecksum;

    // The image the write will send, made the way the write makes it, to tell the operator
    // beforehand what of the file does not reach the radio as it is.
    const ParameterImage fromFile = p.image;
    try {
        RefreshInUseFlags(p);
        EncodeSettings(p);
        CopyChannelsToImage(p);
    } catch (const std::exception& error) {
        ErrLine(QStringLiteral("Ошибка: ") + QString::fromStdString(error.what()));
        return Exit::FileProblem;
    }
    WarnAboutChanges(fromFile, p.image);

    if (!session.Open(*portName)) return Exit::PortUnavailable;
    return WriteParameters(p) ? Exit::Ok : Exit::LinkFailed;
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
        {QStringLiteral("write"), QStringLiteral("--port ПОРТ [--force] ФАЙЛ"),
         QStringLiteral("записать файл в радиостанцию"), RunWrite},
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
