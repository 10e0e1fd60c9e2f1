#include "verbs_diff.h"

#include <QCommandLineParser>
#include <optional>

#include "console.h"
#include "files/settings_file.h"
#include "image/image_differences.h"
#include "verb_support.h"
#include "verbs.h"
#include "verbs_radio.h"

namespace belvan::cli {

namespace {

// The image of a settings file to compare; a damaged file is compared all the same, with a
// warning. Nothing after the reason was printed when the file is not a settings file.
std::optional<ParameterImage> FileImage(const QString& path) {
    const auto bytes = ReadFile(path);
    if (!bytes) return std::nullopt;
    if (!FileChecksumMatches(*bytes)) {
        ErrLine(QStringLiteral("Предупреждение: файл «%1»: %2; сравнивается всё равно.")
                    .arg(Shown(path), ChecksumMismatch(*bytes)));
    }
    return ImageFromFileBytes(*bytes);
}

// Prints the verdict and the differences, "first → second", one line each. A verdict that did
// not get out answers nothing: the comparison could not be made known.
int Compare(const ParameterImage& first, const ParameterImage& second, const QString& subject) {
    const QStringList differences = ImageDifferences(first, second);
    QString text = subject + QStringLiteral(" совпадают.\n");
    if (!differences.isEmpty()) {
        text = subject + QStringLiteral(" различаются:\n");
        for (const QString& line : differences) text += QStringLiteral("  ") + line + u'\n';
    }
    Out(text);
    if (!StdoutWritten()) return DiffExit::Trouble;
    return differences.isEmpty() ? DiffExit::Same : DiffExit::Different;
}

}  // namespace

int RunDiff(const QStringList& arguments) {
    const QString verb = QStringLiteral("diff");
    QCommandLineParser parser;
    const QCommandLineOption port = PortOption();
    parser.addOption(port);
    parser.addPositionalArgument(
        QStringLiteral("ФАЙЛ1"),
        QStringLiteral("Первый файл настроек (.ctrch); с --port — файл, с которым сравнить "
                       "радиостанцию."));
    parser.addPositionalArgument(QStringLiteral("ФАЙЛ2"),
                                 QStringLiteral("Второй файл настроек (без --port)."),
                                 QStringLiteral("[ФАЙЛ2]"));
    if (const auto done = Parse(parser, verb, arguments, 1, 2)) return *done;
    const QStringList files = parser.positionalArguments();
    const bool fromRadio = parser.isSet(port);
    if (fromRadio && files.size() != 1) {
        ReportUsageError(QStringLiteral("с --port радиостанция сравнивается с одним файлом; "
                                        "лишний аргумент: %1")
                             .arg(files.constLast()),
                         verb);
        return Exit::Usage;
    }
    if (!fromRadio && files.size() != 2) {
        ReportUsageError(QStringLiteral("нужны два файла или --port ПОРТ и файл"), verb);
        return Exit::Usage;
    }
    if (fromRadio && parser.value(port).isEmpty()) {
        ReportUsageError(QStringLiteral("не указан параметр --port"), verb);
        return Exit::Usage;
    }

    // The file first: a file that cannot be compared leaves the radio alone.
    const auto file = FileImage(files.constLast());
    if (!file) return DiffExit::Trouble;
    if (fromRadio) {
        const Result<ParameterImage> radio = ReadRadio(parser.value(port));
        if (!radio) return DiffExit::Trouble;
        return Compare(*radio, *file,
                       QStringLiteral("Радиостанция на порту «%1» и файл «%2»")
                           .arg(parser.value(port), Shown(files.constLast())));
    }
    const auto first = FileImage(files.constFirst());
    if (!first) return DiffExit::Trouble;
    return Compare(*first, *file,
                   QStringLiteral("Файлы «%1» и «%2»")
                       .arg(Shown(files.constFirst()), Shown(files.constLast())));
}

}  // namespace belvan::cli
