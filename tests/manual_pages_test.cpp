// The manual pages keep up with the programs: every command, option and exit status that
// `belvan-cli --help`, `belvan-cli COMMAND --help` and `belvan --help` print is in the page.
// The programs are run as they are installed, without a display.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include "program_run.h"
#include "test_text.h"

#ifndef BELVAN_MAN_DIR
#error "BELVAN_MAN_DIR must name the folder of the manual pages"
#endif

namespace {

// The help a program prints, run without a display; it must end with 0.
QString Help(const QString& program, const QStringList& arguments) {
    const belvan::testing::ProgramRun run =
        belvan::testing::RunProgram(program, arguments, belvan::testing::kNoDisplay);
    EXPECT_EQ(run.exitCode, 0) << arguments.join(u' ').toStdString();
    return run.out;
}

QString Cli(const QStringList& arguments) {
    return Help(belvan::testing::CliProgram(), arguments);
}

// Every match of the pattern's first group, line by line.
QStringList Captured(const QString& text, const QString& pattern) {
    QStringList found;
    const QRegularExpression expression(pattern);
    for (const QString& line : text.split(u'\n')) {
        const QRegularExpressionMatch match = expression.match(line);
        if (match.hasMatch()) found << match.captured(1);
    }
    return found;
}

// The option names of a help text, short and long: "  -p, --port <ПОРТ>  …" gives -p, --port.
QStringList Options(const QString& help) {
    QStringList names;
    for (const QString& column : Captured(help, QStringLiteral("^  (-[^\\s,]+(?:, -[^\\s,]+)*)")))
        names += column.split(QStringLiteral(", "));
    return names;
}

// The exit statuses a help lists: "  64  неверная командная строка".
QSet<QString> ExitCodes(const QString& help) {
    const QStringList codes = Captured(help, QStringLiteral("^  ([0-9]+) +\\S"));
    return QSet<QString>(codes.begin(), codes.end());
}

// A manual page as the reader sees its words: hyphens plain, font changes gone, one section
// per .SH or .SS heading.
class ManualPage {
  public:
    explicit ManualPage(const QString& name) {
        QFile file(QStringLiteral(BELVAN_MAN_DIR "/") + name);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        text_ = QString::fromUtf8(file.readAll());
        static const QRegularExpression fonts(QStringLiteral("\\\\f[BIRP]"));
        text_.replace(QStringLiteral("\\-"), QStringLiteral("-")).remove(fonts);
        // The Russian pages' headings under the names the checks look for.
        text_.replace(QStringLiteral(".SH ОБЗОР"), QStringLiteral(".SH SYNOPSIS"))
            .replace(QStringLiteral(".SH ПАРАМЕТРЫ"), QStringLiteral(".SH OPTIONS"))
            .replace(QStringLiteral(".SH КОМАНДЫ"), QStringLiteral(".SH COMMANDS"))
            .replace(QStringLiteral(".SH \"КОД ЗАВЕРШЕНИЯ\""),
                     QStringLiteral(".SH \"EXIT STATUS\""));
    }

    // From the heading ".SH NAME" (to the next .SH) or ".SS NAME" (to the next .SS or .SH),
    // quotes allowed; empty when there is none.
    QString Section(const QString& name) const {
        const QRegularExpression heading(
            QStringLiteral("^\\.S([HS]) \"?%1\"?$").arg(QRegularExpression::escape(name)),
            QRegularExpression::MultilineOption);
        const QRegularExpressionMatch start = heading.match(text_);
        if (!start.hasMatch()) return {};
        const QRegularExpression next(
            start.captured(1) == u"H" ? QStringLiteral("^\\.SH ") : QStringLiteral("^\\.S[HS] "),
            QRegularExpression::MultilineOption);
        const QRegularExpressionMatch end = next.match(text_, start.capturedEnd());
        return text_.mid(
            start.capturedStart(),
            (end.hasMatch() ? end.capturedStart() : text_.size()) - start.capturedStart());
    }
    // The names of the .SS subsections of a .SH section.
    QStringList Subsections(const QString& section) const {
        return Captured(Section(section), QStringLiteral("^\\.SS \"?([^\"]+)\"?$"));
    }
    const QString& Text() const { return text_; }

  private:
    QString text_;
};

// The word stands on its own: "--verify" is not found in "--no-verify".
bool Mentions(const QString& text, const QString& word) {
    return text.contains(QRegularExpression(
        QStringLiteral("(?<![\\w-])%1(?![\\w-])").arg(QRegularExpression::escape(word))));
}

// The tags of a section's tagged paragraphs: the line after each ".TP", where an option is
// described.
QString Tags(const QString& section) {
    QStringList tags;
    const QStringList lines = section.split(u'\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        if (lines[i] == u".TP") tags << lines[i + 1];
    return tags.join(u'\n');
}

// An exit status is a tagged paragraph of its own: ".B 64" or ".BR 130 …".
bool ListsExitCode(const QString& section, const QString& code) {
    return section.contains(QRegularExpression(QStringLiteral("^\\.BR? %1\\b").arg(code),
                                               QRegularExpression::MultilineOption));
}

// Options every command has are told once for all of them.
const QStringList kEveryCommand = {QStringLiteral("-h"), QStringLiteral("--help")};

// The folder of a language's pages: "" for English, "ru/".
class ManualPages : public ::testing::TestWithParam<QString> {};
INSTANTIATE_TEST_SUITE_P(Languages, ManualPages,
                         ::testing::Values(QString(), QStringLiteral("ru/")));

TEST_P(ManualPages, BelvanCliListsEveryCommandWithItsOptionsAndExitCodes) {
    const ManualPage page(GetParam() + QStringLiteral("belvan-cli.1"));
    const QString programHelp = Cli({QStringLiteral("--help")});
    const QStringList verbs = Captured(programHelp, QStringLiteral("^  ([a-z]+)(?: |$)"));
    ASSERT_GE(verbs.size(), 9) << programHelp.toStdString();

    for (const QString& verb : verbs) {
        const QString section = page.Section(verb);
        if (section.isEmpty()) {
            ADD_FAILURE() << "no .SS " << verb.toStdString() << " in belvan-cli.1";
            continue;
        }
        EXPECT_TRUE(section.contains(QStringLiteral("belvan-cli ") + verb))
            << verb.toStdString() << ": its synopsis";
        const QString help = Cli({verb, QStringLiteral("--help")});
        const QStringList options = Options(help);
        EXPECT_TRUE(options.contains(QStringLiteral("--help"))) << help.toStdString();
        for (const QString& option : options) {
            const QString where = kEveryCommand.contains(option) ? page.Text() : Tags(section);
            EXPECT_TRUE(Mentions(where, option))
                << verb.toStdString() << " " << option.toStdString()
                << " has no paragraph of its own in the page";
        }
        // A command with exit statuses of its own lists them in its section.
        for (const QString& code : ExitCodes(help))
            EXPECT_TRUE(ListsExitCode(section, code))
                << verb.toStdString() << ": exit status " << code.toStdString();
    }
    // And the page lists no command the program does not have.
    for (const QString& listed : page.Subsections(QStringLiteral("COMMANDS")))
        EXPECT_TRUE(verbs.contains(listed)) << listed.toStdString() << " is no command";

    const QString exitStatus = page.Section(QStringLiteral("EXIT STATUS"));
    ASSERT_FALSE(exitStatus.isEmpty());
    const QSet<QString> codes = ExitCodes(programHelp);
    EXPECT_TRUE(codes.contains(QStringLiteral("64"))) << programHelp.toStdString();
    for (const QString& code : codes)
        EXPECT_TRUE(ListsExitCode(exitStatus, code)) << "exit status " << code.toStdString();
}

TEST_P(ManualPages, BelvanListsEveryOptionAndTheFile) {
    const ManualPage page(GetParam() + QStringLiteral("belvan.1"));
    const QString help = Help(belvan::testing::AppProgram(), {QStringLiteral("--help")});
    const QString options = page.Section(QStringLiteral("OPTIONS"));
    ASSERT_FALSE(options.isEmpty());
    const QStringList names = Options(help);
    for (const char* expected : {"--port", "--screenshot", "--version", "--help"})
        EXPECT_TRUE(names.contains(QString::fromLatin1(expected))) << help.toStdString();
    for (const QString& option : names)
        EXPECT_TRUE(Mentions(Tags(options), option))
            << option.toStdString() << " has no paragraph of its own in OPTIONS";

    // The file argument ("  FILE.ctrch   Файл настроек …"), in the synopsis and the options.
    const QStringList arguments = Captured(help, QStringLiteral("^  ([^-\\s]\\S*)  "));
    ASSERT_EQ(arguments, QStringList{QStringLiteral("FILE.ctrch")}) << help.toStdString();
    for (const QString& argument : arguments) {
        EXPECT_TRUE(Mentions(page.Section(QStringLiteral("SYNOPSIS")), argument));
        EXPECT_TRUE(Mentions(Tags(options), argument));
    }
}

}  // namespace
