// The program's entry: the application, the window, the message loop, the last-resort error box.
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <cstdio>

#include "core/qt_translations.h"
#include "main_window.h"

namespace {
// Qt's own texts (file dialogs, context menus, serial-port errors, the option parser's headings)
// in Russian.
void LoadRussianTranslation(QCoreApplication& app) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    belvan::InstallRussianQtTranslations(app);
}

void NameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Belvan-T"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BELVAN_VERSION));
}

// The window's command line. Help and version have Russian descriptions of their own, so the
// help reads in Russian even where Qt's translations are not installed.
struct CommandLine {
    CommandLine() {
        parser.setApplicationDescription(QStringLiteral("Программирование радиостанции Belvan-T"));
        parser.addPositionalArgument(
            QStringLiteral("FILE.ctrch"),
            QStringLiteral("Файл настроек каналов (.ctrch), загружаемый после запуска, как "
                           "кнопкой «Загрузить настройки»."),
            QStringLiteral("[FILE.ctrch]"));
        parser.addOptions({port, screenshot, version, help});
        // For the start-up benchmark: the program ends once its window has first been painted.
        exitAfterPaint.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(exitAfterPaint);
    }

    // The arguments as the system passed them, before any application object exists.
    static QStringList Raw(int argc, char* argv[]) {
        QStringList arguments;
        for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
        return arguments;
    }

    // True when the command line asks only for the help or the version, which need no window.
    bool AsksHelpOrVersion(const QStringList& arguments) {
        return parser.parse(arguments) && (parser.isSet(help) || parser.isSet(version));
    }

    // Reads the application's arguments; a wrong command line, the help and the version are
    // answered here and end the program.
    void Process(const QCoreApplication& app) {
        parser.process(app);
        if (parser.isSet(help)) parser.showHelp(0);
        if (parser.isSet(version)) parser.showVersion();
    }

    QCommandLineParser parser;
    const QCommandLineOption port{QStringLiteral("port"),
                                  QStringLiteral("Последовательный порт вместо COM1."),
                                  QStringLiteral("NAME")};
    const QCommandLineOption screenshot{
        QStringLiteral("screenshot"),
        QStringLiteral("Сохранить снимок окна в FILE (PNG) после запуска и выйти."),
        QStringLiteral("FILE")};
    QCommandLineOption exitAfterPaint{QStringLiteral("exit-after-paint"),
                                      QStringLiteral("End once the window is painted.")};
    const QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Показать версию программы и выйти.")};
    const QCommandLineOption help{
        {QStringLiteral("h"), QStringLiteral("?"), QStringLiteral("help")},
        QStringLiteral("Показать эту справку и выйти.")};
};
// Ends the program once the window it watches has first been painted, and prints when that
// paint was done, in microseconds of the system's clock, for the benchmark to set against the
// time it started the program.
class ExitAfterPaint : public QObject {
  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            QTimer::singleShot(0, qApp, [] {
                std::printf("painted %lld\n", static_cast<long long>(MicrosecondsNow()));
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    static std::int64_t MicrosecondsNow() {
        using namespace std::chrono;
        return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    }
    bool painted_ = false;
};
}  // namespace

int main(int argc, char* argv[]) {
    CommandLine line;
    // The help and the version are answered before any window system is needed, so they work
    // on a machine without a display too.
    if (line.AsksHelpOrVersion(CommandLine::Raw(argc, argv))) {
        QCoreApplication app(argc, argv);
        NameApplication();
        LoadRussianTranslation(app);
        line.Process(app);
        return 0;
    }

    QApplication app(argc, argv);
    NameApplication();
    LoadRussianTranslation(app);
    line.Process(app);
    const QCommandLineParser& parser = line.parser;
    const QCommandLineOption& port = line.port;
    const QCommandLineOption& screenshot = line.screenshot;

    try {
        belvan::MainWindow form(
            {parser.value(port), nullptr, parser.positionalArguments().value(0)});
        if (QScreen* screen = QGuiApplication::primaryScreen())
            form.move(screen->availableGeometry().center() - form.rect().center());
        ExitAfterPaint exitAfterPaint;
        if (parser.isSet(line.exitAfterPaint)) form.installEventFilter(&exitAfterPaint);
        form.show();
        // A closed terminal, an ended login or a kill ends the program as a close does: the
        // exchange under way finishes, the unsaved plan is kept for recovery.
        form.EndOnStopSignals();
        if (parser.isSet(screenshot)) {
            const QString file = parser.value(screenshot);
            QTimer::singleShot(500, &form, [&form, file] {
                if (!form.grab().save(file))
                    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                form.close();
            });
        }
        QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QStringLiteral("Belvan-T"),
                              QString::fromStdString(error.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, QStringLiteral("Belvan-T"), QString());
    }
    return 0;
}
