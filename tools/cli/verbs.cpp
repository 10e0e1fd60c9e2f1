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
#include "files/settings_file.h"
#include "verb_support.h"
#include "verbs_csv.h"
#include "verbs_diff.h"
#include "verbs_radio.h"

namespace belvan::cli {

namespace {

int RunShow(const QStringList& arguments) {
    const QString verb = QStringLiteral("show");
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Вывести все значения файла в виде JSON."));
    parser.addOption(json);
    parser.addPositionalArgument(QStringLiteral("ФАЙЛ"), QStringLiteral("Файл настроек (.ctrch)."));
    if (const auto done = Parse(parser, verb, arguments, 1, 1)) return *done;

    const QString path = parser.positionalArguments().constFirst();
    const auto bytes = ReadFile(path);
    if (!bytes) return ExitCode(bytes.error().kind);

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
    parser.addPositionalArgument(QStringLiteral("ФАЙЛ"), QStringLiteral("Файл настроек (.ctrch)."));
    if (const auto done = Parse(parser, verb, arguments, 1, 1)) return *done;

    const QString path = parser.positionalArguments().constFirst();
    const auto bytes = ReadFile(path);
    if (!bytes) return ExitCode(bytes.error().kind);
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

int RunHelp(const QStringList& arguments);

}  // namespace

int ExitCode(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::File:
        case ErrorKind::WrongFile:
        // Entered values are the window's; a file's image is taken as it is.
        case ErrorKind::Value:
            return Exit::FileProblem;
        case ErrorKind::Checksum:
            return Exit::BadChecksum;
        case ErrorKind::PortNotFound:
        case ErrorKind::PortBusy:
        case ErrorKind::PortNoPermission:
        case ErrorKind::PortUnavailable:
            return Exit::PortUnavailable;
        case ErrorKind::LineLost:
        case ErrorKind::Exchange:
        case ErrorKind::Mismatch:
            return Exit::LinkFailed;
        case ErrorKind::Stopped:
            return InterruptedExit();
    }
    return Exit::LinkFailed;
}

QString ProgramName() {
    const QStringList arguments = QCoreApplication::arguments();
    return arguments.isEmpty() ? QStringLiteral("belvan-cli")
                               : QFileInfo(arguments.constFirst()).fileName();
}

const QList<Verb>& Verbs() {
    static const QList<Verb> verbs = {
        {QStringLiteral("show"), QStringLiteral("[--json] ФАЙЛ"),
         QStringLiteral("показать каналы и настройки из файла"), RunShow,
         QStringLiteral(
             "Показывает 16 каналов и настройки радиостанции из файла настроек каналов.")},
        {QStringLiteral("check"), QStringLiteral("ФАЙЛ"),
         QStringLiteral("проверить длину и контрольную сумму файла"), RunCheck,
         QStringLiteral("Проверяет длину (255 байт) и контрольную сумму файла настроек каналов.")},
        {QStringLiteral("diff"), QStringLiteral("ФАЙЛ1 ФАЙЛ2 | --port ПОРТ ФАЙЛ"),
         QStringLiteral("сравнить два файла настроек или радиостанцию с файлом"), RunDiff,
         QStringLiteral(
             "Сравнивает два файла настроек каналов или, с --port, то, что хранит радиостанция, с "
             "файлом, и называет различия по каналам и настройкам радиостанции в виде «значение в "
             "первом → значение во втором» (с --port первая — радиостанция). Файл, контрольная "
             "сумма "
             "которого не сходится, сравнивается с предупреждением. Прочитанное из радиостанции "
             "сохраняется и в папке резервных копий.\n\n"
             "Коды завершения:\n"
             "  0   совпадают\n"
             "  1   различаются\n"
             "  2   сравнить не удалось: файл не читается или не является файлом настроек,\n"
             "      порт не открывается, радиостанция не ответила\n"
             "  64  неверная командная строка")},
        {QStringLiteral("read"), QStringLiteral("--port ПОРТ -o ФАЙЛ"),
         QStringLiteral("прочитать параметры радиостанции в файл"), RunRead,
         QStringLiteral("Читает параметры из радиостанции и сохраняет их в файл настроек каналов "
                        "без изменений. Копия сохраняется и в папке резервных копий.")},
        {QStringLiteral("write"),
         QStringLiteral("--port ПОРТ [--port ПОРТ …] [--force] [--backup] [--verify] ФАЙЛ"),
         QStringLiteral("записать файл в радиостанцию (в несколько сразу)"), RunWrite,
         QStringLiteral(
             "Записывает файл настроек каналов в радиостанцию, а с несколькими --port — во все "
             "радиостанции сразу. Передаются 194 байта файла в точности такими, какие они есть, — "
             "в "
             "отличие от окна программы, которое приводит значения к тем, что допускают его "
             "списки, и "
             "обнуляет служебные байты. Ctrl+C (SIGTERM, SIGHUP) даёт начатому обмену закончиться "
             "и сообщает его итог; повторный Ctrl+C прерывает сразу (код 130, для SIGTERM 143, "
             "для SIGHUP 129) и называет порты, состояние радиостанций на которых неизвестно.")},
        {QStringLiteral("station"),
         QStringLiteral("--port ПОРТ [--port ПОРТ …] [--no-verify] [--log ЖУРНАЛ.csv] ФАЙЛ"),
         QStringLiteral("станция программирования: записывать файл в каждую подключённую "
                        "радиостанцию"),
         RunStation,
         QStringLiteral(
             "Станция программирования: следит за портами и записывает файл в каждую радиостанцию, "
             "которая сообщила о подключении, затем читает её и сравнивает с файлом; потом ждёт "
             "следующую. Сообщение о подключении — 23 байта, первый 0x10, пришедшие одним куском; "
             "шум на линии и другие байты им не считаются. Радиостанция считается одна, пока 1,5 с "
             "не придёт нового сообщения о подключении: сообщение раньше — повторное или сразу "
             "после записи — не записывается, а выводится и заносится в журнал как «пропущена» с "
             "причиной («та же радиостанция», «линия занята»). Радиостанцию, запись в которую не "
             "удалась или которая пропущена, достаточно отключить и подключить заново. Ctrl+C "
             "(SIGTERM, SIGHUP) даёт начатым записям закончиться и завершает работу с итогом; "
             "повторный Ctrl+C прерывает сразу (код 130, для SIGTERM 143, для SIGHUP 129) и "
             "называет порты, состояние радиостанций на которых неизвестно. Стандартный вывод, "
             "который перестал приниматься (читавшая его программа завершилась), так же "
             "останавливает станцию, с кодом 2. Журнал — обычный файл, не канал и не устройство; "
             "строка, которую не удалось записать, и журнал, перемещённый или удалённый во время "
             "работы, — ошибка (код 2), но станция продолжает работу.")},
        {QStringLiteral("export"), QStringLiteral("ФАЙЛ [-o СПИСОК.csv] [--pdf -o ЛИСТ.pdf]"),
         QStringLiteral("выгрузить каналы в CSV (формат CHIRP) или печатный лист в PDF"), RunExport,
         QStringLiteral(
             "Выгружает каналы файла настроек в список CSV в общем формате CHIRP (без -o — на "
             "стандартный вывод) или, с --pdf, печатный лист каналов A4 в PDF.")},
        {QStringLiteral("import"),
         QStringLiteral("СПИСОК.csv -o ФАЙЛ [--base ДРУГОЙ] [--skip-invalid] [--renumber]"),
         QStringLiteral("составить файл настроек из списка каналов CSV"), RunImport,
         QStringLiteral(
             "Составляет файл настроек из списка каналов CSV (общий формат CHIRP): 16 каналов — из "
             "списка (не названные в нём пусты), настройки радиостанции — из --base или, без него, "
             "те, что у программы после запуска. Если какие-то строки не подходят, ничего не "
             "записывается (код 2), пока не задан --skip-invalid.")},
        {QStringLiteral("help"), QStringLiteral("[КОМАНДА]"),
         QStringLiteral("эта справка или справка по команде"), RunHelp,
         QStringLiteral("Показывает справку.")},
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
                "  %4   файл не читается, не записывается или не является файлом настроек;\n"
                "      список CSV не подходит или в нём есть отклонённые строки (import)\n"
                "  %5   контрольная сумма файла не сходится\n"
                "  %6   порт не открывается\n"
                "  %7  неверная командная строка\n"
                "\nУ команды diff, которая отвечает на вопрос, коды свои:\n"
                "  %8   совпадают\n"
                "  %9   различаются\n"
                "  %10   сравнить не удалось: файл, порт или радиостанция\n"
                "  %7  неверная командная строка\n")
                .arg(program)
                .arg(Exit::Ok)
                .arg(Exit::LinkFailed)
                .arg(Exit::FileProblem)
                .arg(Exit::BadChecksum)
                .arg(Exit::PortUnavailable)
                .arg(Exit::Usage)
                .arg(DiffExit::Same)
                .arg(DiffExit::Different)
                .arg(DiffExit::Trouble);
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
