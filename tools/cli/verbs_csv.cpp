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
#include "files/settings_file.h"
#include "image/encoding.h"
#include "sheet/channel_sheet.h"
#include "verb_support.h"
#include "verbs.h"

namespace belvan::cli {

namespace {

void ListNotes(const QString& prefix, const std::vector<CsvRowNote>& notes) {
    for (const CsvRowNote& note : notes) ErrLine(prefix + CsvRowNoteText(note));
}

}  // namespace

int RunExport(const QStringList& arguments) {
    const QString verb = QStringLiteral("export");
    QCommandLineParser parser;
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Файл, в который сохранить список."),
                                    QStringLiteral("ФАЙЛ"));
    const QCommandLineOption pdf(QStringLiteral("pdf"),
                                 QStringLiteral("Печатный лист каналов в PDF вместо CSV."));
    const QCommandLineOption force = ForceOption(QStringLiteral("Выгрузить"));
    parser.addOption(output);
    parser.addOption(pdf);
    parser.addOption(force);
    parser.addPositionalArgument(QStringLiteral("ФАЙЛ"), QStringLiteral("Файл настроек (.ctrch)."));
    if (const auto done = Parse(parser, verb, arguments, 1, 1)) return *done;
    const QString target = parser.value(output);
    if (parser.isSet(pdf) && target.isEmpty()) {
        ReportUsageError(QStringLiteral("для --pdf нужен параметр -o ФАЙЛ"), verb);
        return Exit::Usage;
    }

    const QString path = parser.positionalArguments().constFirst();
    if (OutputIsInput(target, path, verb)) return Exit::Usage;
    if (!target.isEmpty() && !WritableOrSay(target)) return Exit::FileProblem;
    const Result<ParameterImage> read = ReadImage(path, parser.isSet(force));
    if (!read) return ExitCode(read.error().kind);
    const ParameterImage& image = *read;

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
    const QCommandLineOption renumber(
        QStringLiteral("renumber"),
        QStringLiteral("Пронумеровать подошедшие строки каналами 1–16 по порядку файла, не глядя "
                       "на Location: для списков, где каналы нумеруются с 0 или их больше 16. "
                       "Строки сверх шестнадцатой не подходят. Названия каналов не "
                       "сохраняются."));
    const QCommandLineOption force = ForceOption(QStringLiteral("Взять за основу"));
    parser.addOption(output);
    parser.addOption(base);
    parser.addOption(skipInvalid);
    parser.addOption(renumber);
    parser.addOption(force);
    parser.addPositionalArgument(QStringLiteral("СПИСОК"),
                                 QStringLiteral("Список каналов (.csv)."));
    if (const auto done = Parse(parser, verb, arguments, 1, 1)) return *done;
    const QString target = parser.value(output);
    if (target.isEmpty()) {
        ReportUsageError(QStringLiteral("не указан параметр -o"), verb);
        return Exit::Usage;
    }

    ParameterImage baseImage = StartUpImage();
    if (parser.isSet(base)) {
        const Result<ParameterImage> read = ReadImage(parser.value(base), parser.isSet(force));
        if (!read) return ExitCode(read.error().kind);
        baseImage = *read;
    }

    const QString path = parser.positionalArguments().constFirst();
    if (OutputIsInput(target, path, verb)) return Exit::Usage;
    if (!WritableOrSay(target)) return Exit::FileProblem;
    const Result<QByteArray> read = ReadCsvFile(path);
    if (!read) {
        ErrLine(QStringLiteral("Ошибка: не удалось прочитать файл «%1»: %2.")
                    .arg(Shown(path), read.error().text));
        return ExitCode(read.error().kind);
    }
    const bool inFileOrder = parser.isSet(renumber);
    const CsvImport imported = ImportCsv(
        *read, baseImage, inFileOrder ? CsvNumbering::InFileOrder : CsvNumbering::ByLocation);
    if (imported.error) {
        ErrLine(QStringLiteral("Ошибка: файл «%1» не импортирован: %2.")
                    .arg(Shown(path), imported.error->text));
        ListNotes(QStringLiteral("  отклонена: "), imported.refused);
        return ExitCode(imported.error->kind);
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
    if (inFileOrder) {
        ErrLine(QStringLiteral("Предупреждение: каналы пронумерованы заново по порядку строк "
                               "файла (1–%1); названия каналов не сохраняются.")
                    .arg(imported.channels));
    }
    if (!WriteOrSay(target, BuildFileBytes(imported.image))) return Exit::FileProblem;
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
