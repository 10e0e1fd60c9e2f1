// The window program's command line on a machine without a display: the real belvan binary
// started with no X, no Wayland and no platform chosen for it.
#include <gtest/gtest.h>

#include "program_run.h"
#include "test_text.h"

namespace {

using belvan::testing::ProgramRun;

ProgramRun Belvan(const QStringList& arguments) {
    return belvan::testing::RunProgram(belvan::testing::AppProgram(), arguments,
                                       belvan::testing::kNoDisplay);
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
