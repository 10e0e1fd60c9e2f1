// The program's entry: the application, the window, the message loop, the last-resort error box.
#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

#include "main_window.h"

namespace {
// Qt's own texts (file dialogs, context menus, serial-port errors) in Russian.
void LoadRussianTranslation(QApplication& app) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    for (const char* catalog : {"qtbase", "qtserialport"}) {
        auto* translator = new QTranslator(&app);
        if (translator->load(QLocale(QLocale::Russian), QString::fromLatin1(catalog),
                             QStringLiteral("_"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QApplication::installTranslator(translator);
    }
}
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Belvan-T"));
    QApplication::setApplicationVersion(QStringLiteral(BELVAN_VERSION));
    LoadRussianTranslation(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Программирование радиостанции Belvan-T"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Файл настроек каналов (.ctrch), загружаемый после "
                                                "запуска, как кнопкой «Загрузить настройки»."),
                                 QStringLiteral("[FILE]"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Последовательный порт вместо COM1."),
                                  QStringLiteral("NAME"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Сохранить снимок окна в FILE (PNG) после запуска и выйти."),
        QStringLiteral("FILE"));
    parser.addOption(port);
    parser.addOption(screenshot);
    parser.process(app);

    try {
        belvan::MainWindow form(
            {parser.value(port), nullptr, parser.positionalArguments().value(0)});
        if (QScreen* screen = QGuiApplication::primaryScreen())
            form.move(screen->availableGeometry().center() - form.rect().center());
        form.show();
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
