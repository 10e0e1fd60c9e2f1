#include "verbs_csv.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <cstring>
#include <optional>

#include "console.h"
#include "files/channel_csv.h"
#include "files/channel_sheet.h"
#include "files/settings_file.h"
#include "form/csv_handlers.h"
#include "verbs.h"

namespace belvan::cli {

namespace {

QString Shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// Parses a command's arguments; an exit code when the command is done already (its help was
// asked for, or the command line is wrong).
std::optional<int> Parse(QCommandLineParser& parser, const QString& verb,
                         const QStringList& arguments) {
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Показать эту справку."));
    parser.addOption(help);
    if (!parser.parse(arguments)) {
        ReportUsageError(parser.errorText(), verb);
        return Exit::Usage;
    }
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        const QString started = QCoreApplication::arguments().value(0);
        const auto at = started.isEmpty() ? -1 : text.indexOf(started);
        if (at >= 0) text.replace(at, started.size(), ProgramName() + u' ' + verb);
        Out(text);
        return Exit::Ok;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        ReportUsageError(QStringLiteral("не указан файл"), verb);
        return Exit::Usage;
    }
    if (positional.size() > 1) {
        ReportUsageError(QStringLiteral("лишние аргументы: %1").arg(positional.mid(1).join(u' ')),
                         verb);
        return Exit::Usage;
    }
    return std::nullopt;
}

QCommandLineOption ForceOption(const QString& which) {
    return QCommandLineOption(QStringLiteral("force"),
                              QStringLiteral("Взять %1, даже если его контрольная сумма не "
                                             "сходится.")
                                  .arg(which));
}

// The image of a channel-settings file, or the exit code after the reason was printed.
struct ImageOrExit {
    std::optional<ParameterImage> image;
    int exit = Exit::Ok;
};
ImageOrExit ReadImage(const QString& path, bool force) {
    const FileReadResult read = ReadSettingsFile(path);
    if (!read.bytes) {
        ErrLine(QStringLiteral("Ошибка: не удалось прочитать файл «%1»: %2.")
                    .arg(Shown(path), read.error));
        return {std::nullopt, Exit::FileProblem};
    }
    if (!FileChecksumMatches(*read.bytes)) {
        if (!force) {
            ErrLine(QStringLiteral("Ошибка: контрольная сумма файла «%1» не сходится: файл "
                                   "повреждён (--force, чтобы взять его всё равно).")
                        .arg(Shown(path)));
            return {std::nullopt, Exit::BadChecksum};
        }
        ErrLine(QStringLiteral("Предупреждение: контрольная сумма файла «%1» не сходится.")
                    .arg(Shown(path)));
    }
    return {ImageFromFileBytes(*read.bytes), Exit::Ok};
}

bool WriteOrSay(const QString& path, const QByteArray& bytes) {
    const QString failure = WriteFileBytes(path, bytes);
    if (failure.isEmpty()) return true;
    ErrLine(
        QStringLiteral("Ошибка: не удалось сохранить файл «%1»: %2.").arg(Shown(path), failure));
    return false;
}

void ListNotes(const QString& prefix, const std::vector<CsvRowNote>& notes) {
    for (const CsvRowNote& note : notes) ErrLine(prefix + CsvRowNoteText(note));
}

}  // namespace

int RunExport(const QStringList& arguments) {
    const QString verb = QStringLiteral("export");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Выгружает каналы файла настроек в список CSV в общем формате CHIRP (без -o — на "
        "стандартный вывод) или, с --pdf, печатный лист каналов A4 в PDF."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Файл, в который сохранить список."),
                                    QStringLiteral("ФАЙЛ"));
    const QCommandLineOption pdf(QStringLiteral("pdf"),
                                 QStringLiteral("Печатный лист каналов в PDF вместо CSV."));
    const QCommandLineOption force = ForceOption(QStringLiteral("файл"));
    parser.addOption(output);
    parser.addOption(pdf);
    parser.addOption(force);
    parser.addPositionalArgument(QStringLiteral("ФАЙЛ"), QStringLiteral("Файл настроек (.ctrch)."));
    if (const auto done = Parse(parser, verb, arguments)) return *done;
    const QString target = parser.value(output);
    if (parser.isSet(pdf) && target.isEmpty()) {
        ReportUsageError(QStringLiteral("для --pdf нужен параметр -o ФАЙЛ"), verb);
        return Exit::Usage;
    }

    const QString path = parser.positionalArguments().constFirst();
    const ImageOrExit read = ReadImage(path, parser.isSet(force));
    if (!read.image) return read.exit;
    const ParameterImage& image = *read.image;

    if (parser.isSet(pdf)) {
        const QByteArray sheet =
            ChannelSheetPdf(image, QFileInfo(path).fileName(), QDateTime::currentDateTime());
        if (sheet.isEmpty()) {
            ErrLine(QStringLiteral("Ошибка: не удалось нарисовать лист каналов."));
            return Exit::FileProblem;
        }
        if (!WriteOrSay(target, sheet)) return Exit::FileProblem;
        ErrLine(QStringLiteral("Лист каналов сохранён в файл «%1».").arg(Shown(target)));
        return Exit::Ok;
    }

    for (const QString& loss : CsvExportLosses(image))
        ErrLine(QStringLiteral("Предупреждение: ") + loss);
    const QByteArray csv = ExportCsv(image);
    if (target.isEmpty()) {
        OutBytes(csv);
        return Exit::Ok;
    }
    if (!WriteOrSay(target, csv)) return Exit::FileProblem;
    ErrLine(QStringLiteral("Список каналов сохранён в файл «%1».").arg(Shown(target)));
    return Exit::Ok;
}

int RunImport(const QStringList& arguments) {
    const QString verb = QStringLiteral("import");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Составляет файл настроек из списка каналов CSV (общий формат CHIRP): 16 каналов — из "
        "списка (не названные в нём пусты), настройки радиостанции — из --base или, без него, "
        "те, что у программы после запуска. Если какие-то строки не подходят, ничего не "
        "записывается (код 2), пока не задан --skip-invalid."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Файл настроек, который составить."),
                                    QStringLiteral("ФАЙЛ"));
    const QCommandLineOption base(QStringLiteral("base"),
                                  QStringLiteral("Файл настроек, настройки радиостанции и "
                                                 "резервные байты каналов которого взять."),
                                  QStringLiteral("ФАЙЛ"));
    const QCommandLineOption skipInvalid(
        QStringLiteral("skip-invalid"),
        QStringLiteral("Пропустить неподходящие строки и импортировать остальные."));
    const QCommandLineOption force = ForceOption(QStringLiteral("файл --base"));
    parser.addOption(output);
    parser.addOption(base);
    parser.addOption(skipInvalid);
    parser.addOption(force);
    parser.addPositionalArgument(QStringLiteral("СПИСОК"),
                                 QStringLiteral("Список каналов (.csv)."));
    if (const auto done = Parse(parser, verb, arguments)) return *done;
    const QString target = parser.value(output);
    if (target.isEmpty()) {
        ReportUsageError(QStringLiteral("не указан параметр -o"), verb);
        return Exit::Usage;
    }

    ParameterImage baseImage = StartUpImage();
    if (parser.isSet(base)) {
        const ImageOrExit read = ReadImage(parser.value(base), parser.isSet(force));
        if (!read.image) return read.exit;
        baseImage = *read.image;
    }

    const QString path = parser.positionalArguments().constFirst();
    const CsvFileRead read = ReadCsvFile(path);
    if (!read.data) {
        ErrLine(QStringLiteral("Ошибка: не удалось прочитать файл «%1»: %2.")
                    .arg(Shown(path), read.error));
        return Exit::FileProblem;
    }
    const CsvImport imported = ImportCsv(*read.data, baseImage);
    if (!imported.error.isEmpty()) {
        ErrLine(QStringLiteral("Ошибка: файл «%1» не импортирован: %2.")
                    .arg(Shown(path), imported.error));
        ListNotes(QStringLiteral("  отклонена: "), imported.refused);
        return Exit::FileProblem;
    }
    ListNotes(QStringLiteral("Предупреждение: "), imported.warnings);
    if (!imported.refused.empty()) {
        const bool skip = parser.isSet(skipInvalid);
        ListNotes(skip ? QStringLiteral("Пропущена ") : QStringLiteral("Ошибка: "),
                  imported.refused);
        if (!skip) {
            ErrLine(QStringLiteral("Ничего не записано: строк не подошло — %1 "
                                   "(--skip-invalid, чтобы импортировать остальные).")
                        .arg(imported.refused.size()));
            return Exit::FileProblem;
        }
    }
    const QString failure = WriteSettingsFile(target, BuildFileBytes(imported.image));
    if (!failure.isEmpty()) {
        ErrLine(QStringLiteral("Ошибка: не удалось сохранить файл «%1»: %2.")
                    .arg(Shown(target), failure));
        return Exit::FileProblem;
    }
    ErrLine(QStringLiteral("Импортировано каналов: %1; файл настроек сохранён: «%2».")
                .arg(imported.channels)
                .arg(Shown(target)));
    return Exit::Ok;
}

bool NeedsGuiApplication(int argc, char* argv[]) {
    if (argc < 2 || std::strcmp(argv[1], "export") != 0) return false;
    for (int i = 2; i < argc; ++i)
        if (std::strcmp(argv[i], "--pdf") == 0) return true;
    return false;
}

}  // namespace belvan::cli
