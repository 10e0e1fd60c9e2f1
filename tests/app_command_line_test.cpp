// The window program's command line on a machine without a display: the real belvan binary
// started with no X, no Wayland and no platform chosen for it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <ostream>

// Readable QString values in test failures.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

#ifndef BELVAN_APP_PATH
#error "BELVAN_APP_PATH must name the belvan binary"
#endif

namespace {

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ProgramRun Belvan(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(BELVAN_APP_PATH), arguments);
    ProgramRun run;
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "belvan " << arguments.join(u' ').toStdString() << " did not end";
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

TEST(AppCommandLine, VersionIsAnsweredWithoutADisplay) {
    for (const char* option : {"--version", "-v"}) {
        const ProgramRun run = Belvan({QString::fromLatin1(option)});
        EXPECT_EQ(run.exitCode, 0) << option << ": " << run.err.toStdString();
        EXPECT_EQ(run.out, QStringLiteral("Belvan-T " BELVAN_VERSION "\n")) << option;
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    }
}

TEST(AppCommandLine, HelpListsTheWindowsOptionsInRussianWithoutADisplay) {
    const ProgramRun run = Belvan({QStringLiteral("--help")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    const QString& help = run.out;
    // Every option with its Russian description, the file argument with its own.
    const struct {
        const char* option;
        const char* description;
    } expected[] = {
        {"FILE.ctrch", "Файл настроек каналов (.ctrch), загружаемый после запуска"},
        {"--port <NAME>", "Последовательный порт вместо COM1."},
        {"--screenshot <FILE>", "Сохранить снимок окна в FILE (PNG) после запуска и выйти."},
        {"-v, --version", "Показать версию программы и выйти."},
        {"-h, -?, --help", "Показать эту справку и выйти."},
    };
    // Qt pads the option column and wraps long descriptions: compared with blanks collapsed.
    const QString flat = help.simplified();
    for (const auto& item : expected) {
        const QString entry =
            QString::fromUtf8(item.option) + u' ' + QString::fromUtf8(item.description);
        EXPECT_TRUE(flat.contains(entry)) << item.option << " in:\n" << help.toStdString();
    }
    EXPECT_TRUE(help.contains(QStringLiteral("Программирование радиостанции Belvan-T")));
    EXPECT_TRUE(help.contains(QStringLiteral("[FILE.ctrch]"))) << "the usage line names the file";

    // The short form gives the same text.
    EXPECT_EQ(Belvan({QStringLiteral("-h")}).out, help);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
