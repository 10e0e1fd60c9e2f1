// belvan-cli diff as the operator runs it: the real binary on real files, and against the radio
// simulator on a pseudo-terminal.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>

#include "files/settings_file.h"
#include "image/parameter_image.h"
#include "program_run.h"
#include "radio_sim_process.h"
#include "test_files.h"
#include "test_text.h"

namespace belvan {
namespace {

using testing::Bytes;
using testing::ProgramRun;
using testing::Text;

// Three channels and settings as the window saves them.
ParameterImage Plan() {
    using namespace ChannelFlag;
    ParameterImage image;
    for (int c = 0; c < kChannelCount; ++c) {
        ChannelEntry entry;
        entry.flags = Step25;
        entry.rxCode = entry.txCode = NoFrequency;
        image.SetRecord(c, entry);
    }
    ChannelEntry entry;
    entry.flags = InUse | Step25 | Scan | DetectCarrier;
    entry.rxCode = entry.txCode = 320;  // 150 MHz
    image.SetRecord(0, entry);
    entry.rxCode = entry.txCode = 4;  // 146,050 MHz
    image.SetRecord(2, entry);
    entry.rxCode = 8;  // 146,100 MHz, transmit 146,050
    image.SetRecord(6, entry);
    image.SetSettingsWord(SettingsOffset::waitTime, 200);
    image.SetSettingsWord(SettingsOffset::maxTransmitTime, 1200);
    image.SetSettingsWord(SettingsOffset::transmitOffTime, 400);
    return image;
}

// The plan with channel 3 changed in five settings, and three radio-wide settings changed.
ParameterImage EditedPlan() {
    ParameterImage image = Plan();
    ChannelEntry third = image.Record(2);
    third.rxCode = third.txCode = 6;
    third.flags &= ~(ChannelFlag::Scan | ChannelFlag::Step25);
    third.toneNumber = 12;
    image.SetRecord(2, third);
    image.settings[SettingsOffset::f1Keys] = 3;
    image.SetSettingsWord(SettingsOffset::waitTime, 2000);
    image.SetSettingsWord(SettingsOffset::maxTransmitTime, 1300);
    return image;
}

class CliDiffTest : public ::testing::Test, protected testing::TestFolder {
  protected:
    // Backups go to the folder's "data".
    ProgramRun Cli(const QStringList& arguments) {
        return testing::RunProgram(
            testing::CliProgram(), arguments,
            {QStringLiteral("XDG_DATA_HOME=") + Path(QStringLiteral("data"))}, 20000);
    }
    QFileInfoList Backups() const {
        return QDir(Path(QStringLiteral("data/belvan/backups")))
            .entryInfoList({QStringLiteral("*.ctrch")});
    }
};

// The lines that name what differs between Plan() and EditedPlan(), in the operator's words.
const QStringList kPlanToEdited = {
    QStringLiteral("  канал 03: частота приёма: 146050 → 146075 кГц, частота передачи: 146050 → "
                   "146075 кГц, шаг: 25 → 12,5 кГц, сканирование: да → нет, тон CTSS: нет → 12 "
                   "(100,0 Гц)"),
    QStringLiteral("  F1, функция 1: неизвестная функция (код 0) → ШП"),
    QStringLiteral("  время ожидания: 1 → 10 с"),
    QStringLiteral("  макс. время передачи: 1 мин → 65 с"),
};

TEST_F(CliDiffTest, TwoFilesTheSameAndDifferentByChannelAndSetting) {
    const QString a = WriteImage(QStringLiteral("a.ctrch"), Plan());
    const QString same = WriteImage(QStringLiteral("same.ctrch"), Plan());
    const QString b = WriteImage(QStringLiteral("b.ctrch"), EditedPlan());

    const ProgramRun equal = Cli({QStringLiteral("diff"), a, same});
    EXPECT_EQ(equal.exitCode, 0) << Text(equal.err);
    EXPECT_EQ(equal.out, QStringLiteral("Файлы «%1» и «%2» совпадают.\n")
                             .arg(QDir::toNativeSeparators(a), QDir::toNativeSeparators(same)));
    EXPECT_TRUE(equal.err.isEmpty()) << Text(equal.err);

    const ProgramRun different = Cli({QStringLiteral("diff"), a, b});
    EXPECT_EQ(different.exitCode, 1) << Text(different.err);
    EXPECT_EQ(different.out,
              QStringLiteral("Файлы «%1» и «%2» различаются:\n")
                      .arg(QDir::toNativeSeparators(a), QDir::toNativeSeparators(b)) +
                  kPlanToEdited.join(u'\n') + u'\n');
    // The other way round, the arrows turn.
    const ProgramRun back = Cli({QStringLiteral("diff"), b, a});
    EXPECT_EQ(back.exitCode, 1);
    EXPECT_TRUE(back.out.contains(QStringLiteral("частота приёма: 146075 → 146050 кГц")))
        << Text(back.out);

    // A file whose checksum does not match is compared all the same, with a warning.
    FileBytes damaged = BuildFileBytes(EditedPlan());
    damaged[kFileChecksumOffset] ^= 0x01;
    const QString c = WriteFile(QStringLiteral("damaged.ctrch"), Bytes(damaged));
    const ProgramRun warned = Cli({QStringLiteral("diff"), b, c});
    EXPECT_EQ(warned.exitCode, 0) << Text(warned.err);
    EXPECT_TRUE(warned.out.endsWith(QStringLiteral(" совпадают.\n"))) << Text(warned.out);
    EXPECT_TRUE(warned.err.startsWith(QStringLiteral("Предупреждение: файл «%1»: контрольная "
                                                     "сумма не сходится")
                                          .arg(QDir::toNativeSeparators(c))))
        << Text(warned.err);
    EXPECT_EQ(Cli({QStringLiteral("diff"), c, a}).exitCode, 1);

    // A verdict that does not get out answers nothing, whatever the comparison found.
    for (const QString& second : {same, b}) {
        QProcess lost;
        lost.setStandardOutputFile(QStringLiteral("/dev/full"));
        lost.start(testing::CliProgram(), {QStringLiteral("diff"), a, second});
        EXPECT_TRUE(lost.waitForFinished(15000) && lost.exitCode() == 2) << Text(second);
    }
}

TEST_F(CliDiffTest, AFileThatCannotBeComparedEndsWith2AndAWrongCommandLineWith64) {
    const QString a = WriteImage(QStringLiteral("a.ctrch"), Plan());
    const QString shortFile =
        WriteFile(QStringLiteral("short.ctrch"), Bytes(BuildFileBytes(Plan())).left(200));
    const QString missing = Path(QStringLiteral("missing.ctrch"));
    for (const QStringList& files :
         {QStringList{a, missing}, QStringList{missing, a}, QStringList{a, shortFile}}) {
        const ProgramRun run = Cli(QStringList{QStringLiteral("diff")} + files);
        EXPECT_EQ(run.exitCode, 2) << Text(files.join(u' '));
        EXPECT_TRUE(run.out.isEmpty()) << Text(run.out);
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("Ошибка: не удалось прочитать файл «")))
            << Text(run.err);
    }
    EXPECT_TRUE(
        Cli({QStringLiteral("diff"), a, missing}).err.contains(QStringLiteral("не найден")));

    // A port that does not open is trouble too, and the file is read before the port is tried.
    const ProgramRun noPort = Cli({QStringLiteral("diff"), QStringLiteral("--port"),
                                   Path(QStringLiteral("no-such-port")), a});
    EXPECT_EQ(noPort.exitCode, 2) << Text(noPort.err);
    EXPECT_TRUE(noPort.err.contains(Path(QStringLiteral("no-such-port")))) << Text(noPort.err);
    EXPECT_EQ(Cli({QStringLiteral("diff"), QStringLiteral("--port"),
                   Path(QStringLiteral("no-such-port")), missing})
                  .err.count(QStringLiteral("Ошибка")),
              1);

    const QList<QStringList> wrong = {
        {QStringLiteral("diff")},
        {QStringLiteral("diff"), a},
        {QStringLiteral("diff"), a, a, a},
        {QStringLiteral("diff"), QStringLiteral("--port"), QStringLiteral("COM1"), a, a},
        {QStringLiteral("diff"), QStringLiteral("--bogus"), a, a},
        {QStringLiteral("diff"), a, QStringLiteral("--port")},
    };
    for (const QStringList& arguments : wrong) {
        const ProgramRun run = Cli(arguments);
        EXPECT_EQ(run.exitCode, 64) << Text(arguments.join(u' '));
        EXPECT_TRUE(run.out.isEmpty()) << Text(run.out);
        EXPECT_TRUE(run.err.contains(QStringLiteral("belvan-cli diff --help"))) << Text(run.err);
    }
}

TEST_F(CliDiffTest, TheHelpsDocumentTheExitCodes) {
    const ProgramRun help = Cli({QStringLiteral("diff"), QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    const QString flat = help.out.simplified();
    for (const char* line : {"0 совпадают", "1 различаются", "2 сравнить не удалось",
                             "64 неверная командная строка", "--port",
                             "сравнивается с "
                             "предупреждением"})
        EXPECT_TRUE(flat.contains(QString::fromUtf8(line))) << line << "\n" << Text(help.out);

    const QString program = Cli({QStringLiteral("--help")}).out;
    EXPECT_TRUE(program.contains(QStringLiteral("  diff ФАЙЛ1 ФАЙЛ2 | --port ПОРТ ФАЙЛ\n")))
        << Text(program);
    const QString codes = program.mid(program.indexOf(QStringLiteral("У команды diff")));
    for (const char* line : {"0   совпадают", "1   различаются", "2   сравнить не удалось"})
        EXPECT_TRUE(codes.contains(QString::fromUtf8(line))) << line << "\n" << Text(codes);
}

// --- Against the radio ---------------------------------------------------------------------

class CliDiffRadioTest : public CliDiffTest, protected testing::SimulatorFixture {
  protected:
    void SetUp() override {
        StartSim({QStringLiteral("--image"), WriteImage(QStringLiteral("held.ctrch"), Plan())});
    }
};

TEST_F(CliDiffRadioTest, ARadioHoldingTheFileIsTheSameAndKeepsABackup) {
    const QString plan = WriteImage(QStringLiteral("plan.ctrch"), Plan());
    const ProgramRun run = Cli({QStringLiteral("diff"), QStringLiteral("--port"), port_, plan});
    EXPECT_EQ(run.exitCode, 0) << Text(run.err);
    EXPECT_EQ(run.out, QStringLiteral("Радиостанция на порту «%1» и файл «%2» совпадают.\n")
                           .arg(port_, QDir::toNativeSeparators(plan)));
    EXPECT_TRUE(run.err.contains(QStringLiteral("Параметры прочитаны"))) << Text(run.err);
    EXPECT_FALSE(run.err.contains(u'%')) << "no progress line without a terminal";
    // What the radio held is kept as every read keeps it.
    const QFileInfoList backups = Backups();
    ASSERT_EQ(backups.size(), 1);
    QFile backup(backups[0].filePath());
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), Bytes(BuildFileBytes(Plan())));
    EXPECT_TRUE(run.err.contains(QDir::toNativeSeparators(backups[0].filePath()))) << Text(run.err);
}

TEST_F(CliDiffRadioTest, ARadioHoldingSomethingElseIsNamedByChannelAndSetting) {
    const QString edited = WriteImage(QStringLiteral("edited.ctrch"), EditedPlan());
    const ProgramRun run = Cli({QStringLiteral("diff"), QStringLiteral("--port"), port_, edited});
    EXPECT_EQ(run.exitCode, 1) << Text(run.err);
    // Radio first, file second: the arrows show what writing the file would change.
    EXPECT_EQ(run.out, QStringLiteral("Радиостанция на порту «%1» и файл «%2» различаются:\n")
                               .arg(port_, QDir::toNativeSeparators(edited)) +
                           kPlanToEdited.join(u'\n') + u'\n');
    EXPECT_EQ(Backups().size(), 1);
}

TEST_F(CliDiffRadioTest, ARadioThatDoesNotAnswerEndsWith2) {
    ASSERT_TRUE(sim_.Command(QStringLiteral("fault silent")).ok);
    const ProgramRun run = Cli({QStringLiteral("diff"), QStringLiteral("--port"), port_,
                                WriteImage(QStringLiteral("plan.ctrch"), Plan())});
    EXPECT_EQ(run.exitCode, 2) << Text(run.err);
    EXPECT_TRUE(run.out.isEmpty()) << Text(run.out);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Ошибка: Нет ответа от радиостанции")))
        << Text(run.err);
    EXPECT_TRUE(Backups().isEmpty());
}

}  // namespace
}  // namespace belvan
