// belvan-cli export and import as the operator runs them: the real binary on real files, its
// exit codes and what it leaves on disk.
#include <gtest/gtest.h>

#include <QFile>
#include <algorithm>

#include "files/settings_file.h"
#include "program_run.h"
#include "support/windows_1251.h"
#include "test_files.h"
#include "test_text.h"

namespace belvan {
namespace {

using testing::Bytes;
using testing::ProgramRun;
using testing::ReadAll;
using testing::Text;
using testing::WriteAll;

// Runs belvan-cli without a display: no X, no Wayland, no platform chosen for it.
ProgramRun Cli(const QStringList& arguments) {
    return testing::RunProgram(testing::CliProgram(), arguments, testing::kNoDisplay, 30000);
}

class CliCsv : public ::testing::Test, protected testing::TestFolder {
  protected:
    void SetUp() override { ASSERT_TRUE(IsValid()); }
    QString File(const char* name) const { return Path(QString::fromLatin1(name)); }

    // belvan-cli import of the list into `output` refuses it: exit code 2, the reason on stderr,
    // no file written.
    void ExpectImportRefused(const char* list, const char* output, const QString& reason,
                             const QStringList& options = {}) {
        const ProgramRun run = Cli(
            QStringList{QStringLiteral("import"), File(list), QStringLiteral("-o"), File(output)} +
            options);
        EXPECT_EQ(run.exitCode, 2) << Text(run.err);
        EXPECT_TRUE(run.err.contains(reason)) << Text(run.err);
        EXPECT_FALSE(QFile::exists(File(output)));
    }
};

TEST_F(CliCsv, ExportAndImportExitCodesAndFiles) {
    // A list with one row the radio cannot take.
    WriteAll(File("list.csv"),
             "Location,Frequency,Duplex,Offset,Tone,cToneFreq\n"
             "1,150.000,split,150.025,TSQL,85.4\n"
             "2,146.0125,off,,,\n"
             "3,200.000,,,,\n");
    ExpectImportRefused("list.csv", "a.ctrch", QStringLiteral("строка 4, Frequency = «200.000»"));

    ProgramRun run = Cli({"import", File("list.csv"), "-o", File("a.ctrch"), "--skip-invalid"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray a = ReadAll(File("a.ctrch"));
    ASSERT_EQ(a.size(), kSettingsFileSize);
    FileBytes bytes{};
    std::copy(a.begin(), a.end(), bytes.begin());
    EXPECT_TRUE(FileChecksumMatches(bytes));
    const ParameterImage image = ImageFromFileBytes(bytes);
    EXPECT_EQ(image.Record(0).ToBytes(),
              (std::array<std::uint8_t, 10>{0x2D, 0, 0x40, 0x01, 0x42, 0x01, 7, 0, 0, 0}));
    EXPECT_EQ(image.Record(1).rxCode, 1);
    EXPECT_EQ(image.Record(1).txCode, NoFrequency);
    EXPECT_TRUE(image.Record(2).IsEmpty());
    // Without --base: the settings the window has after start-up.
    EXPECT_EQ(image.settings[SettingsOffset::f1Keys], kNoFunctionCode);
    EXPECT_EQ(image.SettingsWord(SettingsOffset::transmitOffTime), 400);

    // Export to stdout and import it back onto the same file: the same bytes.
    WriteAll(File("b.ctrch"), [&] {
        ParameterImage based = image;
        based.settings[SettingsOffset::carriedBytes] = 0x12;
        based.settings[SettingsOffset::operatingMode] = OperatingMode::Test;
        return Bytes(BuildFileBytes(based));
    }());
    run = Cli({"export", File("b.ctrch")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.outBytes.startsWith("Location,Name,Frequency,"));
    WriteAll(File("b.csv"), run.outBytes);
    run = Cli({"import", File("b.csv"), "--base", File("b.ctrch"), "-o", File("c.ctrch")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(ReadAll(File("c.ctrch")), ReadAll(File("b.ctrch")));

    // The printable sheet: a one-page PDF, made without any display.
    run = Cli({"export", "--pdf", File("b.ctrch"), "-o", File("b.pdf")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray pdf = ReadAll(File("b.pdf"));
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_EQ(pdf.count("/Type /Page\n"), 1);  // one page object; "/Type /Pages" is the tree

    // A damaged file: 3 unless --force; what is not a list, 2; a wrong command line, 64.
    QByteArray damaged = ReadAll(File("b.ctrch"));
    damaged[kFileChecksumOffset] = static_cast<char>(damaged[kFileChecksumOffset] ^ 1);
    WriteAll(File("damaged.ctrch"), damaged);
    EXPECT_EQ(Cli({"export", File("damaged.ctrch")}).exitCode, 3);
    EXPECT_EQ(Cli({"export", File("damaged.ctrch"), "--force"}).exitCode, 0);
    EXPECT_EQ(
        Cli({"import", File("b.csv"), "--base", File("damaged.ctrch"), "-o", File("d")}).exitCode,
        3);
    EXPECT_EQ(Cli({"import", File("b.ctrch"), "-o", File("e.ctrch")}).exitCode, 2);
    EXPECT_FALSE(QFile::exists(File("e.ctrch")));
    EXPECT_EQ(Cli({"export", "--pdf", File("b.ctrch")}).exitCode, 64);
    EXPECT_EQ(Cli({"import", File("b.csv")}).exitCode, 64);
}

ParameterImage ImageOf(const QByteArray& file) {
    FileBytes bytes{};
    EXPECT_EQ(file.size(), kSettingsFileSize);
    std::copy_n(file.begin(), std::min<qsizetype>(file.size(), kSettingsFileSize), bytes.begin());
    return ImageFromFileBytes(bytes);
}

// A list numbered from 0 goes in by its Location unless --renumber is given; then its rows fill
// channels 1, 2, 3 … in the order of the file and the import says once that names are lost.
TEST_F(CliCsv, ImportRenumbersAListNumberedFromZeroOnlyWhenAsked) {
    WriteAll(File("zero.csv"),
             "Location,Name,Frequency\r\n"
             "0,ONE,146.000\r\n"
             "1,TWO,146.025\r\n"
             "2,THREE,146.050\r\n");

    // As before: the row of channel 0 is refused, the others keep their numbers.
    ExpectImportRefused(
        "zero.csv", "a.ctrch",
        QStringLiteral("строка 2, Location = «0»: номер канала вне диапазона 1–16"));
    ProgramRun run = Cli({"import", File("zero.csv"), "-o", File("a.ctrch"), "--skip-invalid"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("названия"))) << run.err.toStdString();
    const ParameterImage asNumbered = ImageOf(ReadAll(File("a.ctrch")));
    EXPECT_EQ(asNumbered.Record(0).rxCode, 2);
    EXPECT_EQ(asNumbered.Record(1).rxCode, 4);
    EXPECT_TRUE(asNumbered.Record(2).IsEmpty());

    run = Cli({"import", File("zero.csv"), "-o", File("b.ctrch"), "--renumber"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err.count(QStringLiteral("названия каналов не сохраняются")), 1)
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("Предупреждение: каналы пронумерованы заново по порядку строк файла "
                       "(1–3); названия каналов не сохраняются.\n")))
        << run.err.toStdString();
    const ParameterImage renumbered = ImageOf(ReadAll(File("b.ctrch")));
    EXPECT_EQ(renumbered.Record(0).rxCode, 0);
    EXPECT_EQ(renumbered.Record(1).rxCode, 2);
    EXPECT_EQ(renumbered.Record(2).rxCode, 4);
    EXPECT_TRUE(renumbered.Record(3).IsEmpty());
    EXPECT_EQ(renumbered.settings, asNumbered.settings);

    // Past 16 rows renumbering has no channel left: refused, so written only with --skip-invalid.
    QByteArray longer = "Location,Frequency\n";
    for (int row = 0; row < 18; ++row)
        longer += QStringLiteral("%1,146.%2\n")
                      .arg(101 + row)
                      .arg(row * 25, 3, 10, QChar(u'0'))
                      .toLatin1();
    WriteAll(File("long.csv"), longer);
    ExpectImportRefused("long.csv", "c.ctrch",
                        QStringLiteral("строка 18, Location = «117»: в радиостанции 16 "
                                       "каналов; для этой строки канала нет"),
                        {QStringLiteral("--renumber")});
    run = Cli({"import", File("long.csv"), "-o", File("c.ctrch"), "--renumber", "--skip-invalid"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("(1–16)"))) << run.err.toStdString();
    const ParameterImage sixteen = ImageOf(ReadAll(File("c.ctrch")));
    for (int c = 0; c < kChannelCount; ++c) EXPECT_EQ(sixteen.Record(c).rxCode, 2 * c) << c;
}

// A list a Russian spreadsheet saved in Windows-1251 comes in as its UTF-8 original does, with
// the encoding assumed named on stderr.
TEST_F(CliCsv, ImportOfAWindows1251ListEqualsTheUtf8Import) {
    ParameterImage plan;
    for (int c = 0; c < kChannelCount; ++c) {
        ChannelEntry empty;
        empty.flags = ChannelFlag::Step25;
        empty.reserved = static_cast<std::uint8_t>(c);
        empty.rxCode = empty.txCode = NoFrequency;
        plan.SetRecord(c, empty);
    }
    using namespace ChannelFlag;
    ChannelEntry e;
    e.rxCode = e.txCode = 4;  // 146.050, carrier detection, masking
    e.flags = InUse | Step25 | Scan | Masking | DetectCarrier;
    plan.SetRecord(0, e);
    e.rxCode = NoFrequency;  // transmit only, CTCSS detection without a tone
    e.flags = Step25 | DetectCtcss;
    plan.SetRecord(1, e);
    e.rxCode = e.txCode = 1;  // 146.0125 on a 25 kHz step, a tone the table has no entry for
    e.flags = Step25 | Scan | DetectCarrier;
    e.toneNumber = 60;
    plan.SetRecord(2, e);
    WriteAll(File("plan.ctrch"), Bytes(BuildFileBytes(plan)));

    ProgramRun run = Cli({"export", File("plan.ctrch"), "-o", File("utf8.csv")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString list = QString::fromUtf8(ReadAll(File("utf8.csv")));
    ASSERT_TRUE(list.contains(QStringLiteral("маскирование")) &&
                list.contains(QStringLiteral("только передача")))
        << list.toStdString();
    WriteAll(File("cp1251.csv"), test::ToWindows1251(list));

    run = Cli({"import", File("utf8.csv"), "--base", File("plan.ctrch"), "-o", File("a.ctrch")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("Предупреждение"))) << run.err.toStdString();
    run = Cli({"import", File("cp1251.csv"), "--base", File("plan.ctrch"), "-o", File("b.ctrch")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("Предупреждение: файл не в кодировке UTF-8 (в строке 2 байты, которых в "
                       "UTF-8 не бывает); прочитан как Windows-1251\n")))
        << run.err.toStdString();
    EXPECT_EQ(ReadAll(File("b.ctrch")), ReadAll(File("a.ctrch")));
    EXPECT_EQ(ReadAll(File("b.ctrch")), ReadAll(File("plan.ctrch")));
}

}  // namespace
}  // namespace belvan
