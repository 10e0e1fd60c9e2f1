// belvan-cli: the channel-settings files of the Belvan-T and the radio's read and write, from a
// terminal or a script. See ProgramHelp() for the commands and the exit codes.
#include <QCoreApplication>
#include <QGuiApplication>
#include <csignal>
#include <memory>

#include "console.h"
#include "core/qt_translations.h"
#include "verbs.h"
#include "verbs_csv.h"

namespace {
// Runs what the command line asks for; the exit code.
int Run(const QStringList& arguments) {
    using namespace belvan::cli;
    if (arguments.size() < 2) {
        ReportUsageError(QStringLiteral("не указана команда"));
        return Exit::Usage;
    }
    const QString first = arguments.at(1);
    if (first == QLatin1String("--help") || first == QLatin1String("-h") ||
        first == QLatin1String("-?")) {
        Out(ProgramHelp());
        return Exit::Ok;
    }
    if (first == QLatin1String("--version")) {
        OutLine(ProgramName() + u' ' + QCoreApplication::applicationVersion());
        return Exit::Ok;
    }
    const Verb* verb = FindVerb(first);
    if (!verb) {
        ReportUsageError(
            first.startsWith(u'-')
                ? QStringLiteral("неизвестный параметр «%1»; сначала команда").arg(first)
                : QStringLiteral("неизвестная команда «%1»").arg(first));
        return Exit::Usage;
    }
    // The command parses its own options, with the program name in front as a parser expects.
    return verb->run(QStringList{arguments.constFirst()} + arguments.mid(2));
}
}  // namespace

int main(int argc, char* argv[]) {
    using namespace belvan::cli;
    // The printable sheet lays out text with the system's fonts, which takes a GUI application;
    // it only draws into a file, so it runs offscreen and needs no display.
    std::unique_ptr<QCoreApplication> app;
    if (NeedsGuiApplication(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("belvan-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BELVAN_VERSION));
    PrepareConsole();
#ifdef SIGPIPE
    // Output into a pipe whose reader has gone is an output error like any other (said, and the
    // exit code 2), never a death half-way through a radio's write.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    // Qt's own texts (the option parser's help and errors, port errors) in Russian, like the
    // tool's.
    belvan::InstallRussianQtTranslations(*app);

    const int exit = Run(QCoreApplication::arguments());
    const belvan::Status written = StdoutWritten();
    if (written) return exit;
    ErrLine(QStringLiteral("Ошибка: вывод не записан: %1.").arg(written.error().text));
    return exit == Exit::Ok ? ExitCode(written.error().kind) : exit;
}
