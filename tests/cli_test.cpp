// belvan-cli as the operator runs it: the real binary started as a process, on real files, and
// against the radio simulator on a pseudo-terminal.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <initializer_list>
#include <utility>

#include "file_limits.h"
#include "files/settings_file.h"
#include "image/parameter_image.h"
#include "program_run.h"
#include "radio_sim_process.h"
#include "sample_images.h"
#include "test_files.h"
#include "test_text.h"

namespace belvan {
namespace {

using belvan::testing::ProgramRun;
using belvan::testing::RadioSimProcess;
using testing::Bytes;
using testing::ReadAll;
using testing::Text;

ChannelEntry Entry(std::uint8_t flags, std::uint16_t rx, std::uint16_t tx, std::uint16_t tone) {
    return {.flags = flags, .rxCode = rx, .txCode = tx, .toneNumber = tone};
}

QString Hex(std::uint8_t byte) {
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

// The row of a channel in the table, split at blanks ("01", "150000", ...).
QStringList TableRow(const QString& out, const QString& number) {
    for (const QString& line : out.split(u'\n'))
        if (line == number || line.startsWith(number + u' '))
            return line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    return {};
}

// The value of a "name: value" line of the settings part.
QString SettingsLine(const QString& out, const QString& name) {
    for (const QString& line : out.split(u'\n'))
        if (line.startsWith(name + QStringLiteral(": "))) return line.mid(name.size() + 2);
    return QStringLiteral("<no line '%1'>").arg(name);
}

// Each "name: value" line of the settings part holds its value.
void ExpectSettingsLines(const QString& out,
                         std::initializer_list<std::pair<const char*, const char*>> lines) {
    for (const auto& [name, value] : lines)
        EXPECT_EQ(SettingsLine(out, QString::fromUtf8(name)), QString::fromUtf8(value)) << name;
}

class CliTest : public ::testing::Test, protected testing::TestFolder {
  protected:
    // `environment`: NAME=value pairs added to the program's environment.
    static ProgramRun Cli(const QStringList& arguments, const QStringList& environment = {}) {
        return testing::RunProgram(testing::CliProgram(), arguments, environment);
    }
};

// --- Files -------------------------------------------------------------------------------------

TEST_F(CliTest, ShowPrintsTheChannelsAsTheGridWritesThemAndTheSettings) {
    const ProgramRun run =
        Cli({QStringLiteral("show"), WriteImage(QStringLiteral("a.ctrch"), SampleImage())});
    ASSERT_EQ(run.exitCode, 0) << Text(run.err);
    EXPECT_TRUE(run.err.isEmpty()) << Text(run.err);

    EXPECT_EQ(TableRow(run.out, QStringLiteral("01")),
              QString::fromUtf8("01 150000 150025 25 - - CTSS 07 - 85,4").split(u' '));
    EXPECT_EQ(TableRow(run.out, QStringLiteral("02")),
              QString::fromUtf8("02 146012,5 146025 12,5 + + несущая").split(u' '));
    EXPECT_EQ(TableRow(run.out, QStringLiteral("03")),
              QString::fromUtf8("03 174975 174950 25 + - несущая").split(u' '));
    for (int c = 4; c <= kChannelCount; ++c) {
        const QString number = QStringLiteral("%1").arg(c, 2, 10, QLatin1Char('0'));
        EXPECT_EQ(TableRow(run.out, number), QStringList{number}) << "an empty channel";
    }

    ExpectSettingsLines(run.out, {{"Приоритетное сканирование", "выкл."},
                                  {"Клонирование", "выкл."},
                                  {"Режим работы", "Рабочий режим"},
                                  {"Клавиша F1",
                                   "--= нет функции =--; --= нет функции =--; --= нет функции =--; "
                                   "--= нет функции =--"},
                                  {"Время ожидания", "1 с"},
                                  {"Макс. время передачи", "1 мин"},
                                  {"Время откл. передачи", "20 с"},
                                  {"Переносимые байты", "12 34"}});
}

TEST_F(CliTest, ShowNamesUnusualValuesInsteadOfHidingThem) {
    using namespace ChannelFlag;
    ParameterImage image = SampleImage();
    image.SetRecord(3, Entry(InUse | DetectCtcss | DetectCarrier, 5, NoFrequency, 60));
    auto& s = image.settings;
    s[SettingsOffset::modeFlags] = ModeFlag::PriorityScan | ModeFlag::Cloning;
    s[SettingsOffset::f1Keys + 0] = 3;                             // ШП
    s[SettingsOffset::f1Keys + 1] = 15;                            // the last function of the list
    s[SettingsOffset::f2Keys + 2] = 0x22;                          // no function has this code
    image.SetSettingsWord(SettingsOffset::waitTime, 401);          // 2.005 s
    image.SetSettingsWord(SettingsOffset::maxTransmitTime, 3600);  // 3 min
    image.SetSettingsWord(SettingsOffset::transmitOffTime, 10);    // 0.5 s

    const QStringList modes = {QStringLiteral("Рабочий режим"), QStringLiteral("Настройка"),
                               QStringLiteral("Тест"), QStringLiteral("Прогон"),
                               QStringLiteral("7")};
    for (int mode = 0; mode < modes.size(); ++mode) {
        s[SettingsOffset::operatingMode] = static_cast<std::uint8_t>(mode == 4 ? 7 : mode);
        const ProgramRun run =
            Cli({QStringLiteral("show"), WriteImage(QStringLiteral("u.ctrch"), image)});
        ASSERT_EQ(run.exitCode, 0) << Text(run.err);
        EXPECT_EQ(SettingsLine(run.out, QStringLiteral("Режим работы")), modes[mode]);
        if (mode != 0) continue;

        EXPECT_EQ(
            TableRow(run.out, QStringLiteral("04")),
            QString::fromUtf8("04 146062,5 12,5 - - CTSS, несущая 60 (нет в таблице)").split(u' '));
        ExpectSettingsLines(
            run.out, {{"Приоритетное сканирование", "вкл."},
                      {"Клонирование", "вкл."},
                      {"Клавиша F1", "ШП; Тон-2100Гц; --= нет функции =--; --= нет функции =--"},
                      {"Клавиша F2",
                       "--= нет функции =--; --= нет функции =--; неизвестная функция "
                       "(код 0x22); --= нет функции =--"},
                      {"Время ожидания", "2,005 с (сырое значение 401)"},
                      {"Макс. время передачи", "3 мин"},
                      {"Время откл. передачи", "0,5 с (сырое значение 10)"}});
    }
}

TEST_F(CliTest, ShowJsonGivesTheNumbersOfTheBytes) {
    ParameterImage image = SampleImage();
    ChannelEntry odd = image.Record(2);
    odd.reserved = 0x5A;
    odd.spare = 0x1234;
    image.SetRecord(2, odd);
    const ProgramRun run = Cli({QStringLiteral("show"), QStringLiteral("--json"),
                                WriteImage(QStringLiteral("j.ctrch"), image)});
    ASSERT_EQ(run.exitCode, 0) << Text(run.err);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(run.out.toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << Text(error.errorString());
    const QJsonObject root = document.object();

    const QJsonArray channels = root[QStringLiteral("channels")].toArray();
    ASSERT_EQ(channels.size(), kChannelCount);
    for (int c = 0; c < kChannelCount; ++c)
        EXPECT_EQ(channels[c].toObject()[QStringLiteral("number")].toInt(), c + 1);
    const QJsonObject first = channels[0].toObject();
    EXPECT_EQ(first[QStringLiteral("flags")].toInt(), 13);
    EXPECT_EQ(first[QStringLiteral("rxCode")].toInt(), 320);
    EXPECT_EQ(first[QStringLiteral("txCode")].toInt(), 322);
    EXPECT_EQ(first[QStringLiteral("toneNumber")].toInt(), 7);
    EXPECT_EQ(first[QStringLiteral("rx")].toString(), QStringLiteral("150000"));
    EXPECT_EQ(first[QStringLiteral("tx")].toString(), QStringLiteral("150025"));
    EXPECT_EQ(first[QStringLiteral("tone")].toString(), QStringLiteral("07 - 85,4"));
    const QJsonObject third = channels[2].toObject();
    EXPECT_EQ(third[QStringLiteral("reserved")].toInt(), 0x5A);
    EXPECT_EQ(third[QStringLiteral("spare")].toInt(), 0x1234);
    const QJsonObject empty = channels[5].toObject();
    EXPECT_EQ(empty[QStringLiteral("rxCode")].toInt(), 0xFFFF);
    EXPECT_EQ(empty[QStringLiteral("rx")].toString(), QString());
    EXPECT_EQ(empty[QStringLiteral("tone")].toString(), QString());

    const QJsonObject settings = root[QStringLiteral("settings")].toObject();
    EXPECT_EQ(settings[QStringLiteral("modeFlags")].toInt(), 0);
    EXPECT_EQ(settings[QStringLiteral("operatingMode")].toInt(), 0);
    EXPECT_EQ(settings[QStringLiteral("f1Keys")].toArray(), (QJsonArray{255, 255, 255, 255}));
    EXPECT_EQ(settings[QStringLiteral("f2Keys")].toArray(), (QJsonArray{255, 255, 255, 255}));
    EXPECT_EQ(settings[QStringLiteral("waitTime")].toInt(), 200);
    EXPECT_EQ(settings[QStringLiteral("maxTransmitTime")].toInt(), 1200);
    EXPECT_EQ(settings[QStringLiteral("transmitOffTime")].toInt(), 400);
    EXPECT_EQ(settings[QStringLiteral("carriedBytes")].toArray(), (QJsonArray{18, 52}));
    EXPECT_TRUE(root[QStringLiteral("checksumOk")].toBool());
    EXPECT_TRUE(root[QStringLiteral("fillerOk")].toBool());
}

TEST_F(CliTest, ShowOfADamagedFileStillShowsItButWarnsAndEndsWith3) {
    FileBytes bytes = BuildFileBytes(SampleImage());
    bytes[kFileChecksumOffset] ^= 0x01;
    const QString path = WriteFile(QStringLiteral("bad.ctrch"), Bytes(bytes));

    const ProgramRun table = Cli({QStringLiteral("show"), path});
    EXPECT_EQ(table.exitCode, 3);
    EXPECT_EQ(TableRow(table.out, QStringLiteral("01")).value(1), QStringLiteral("150000"));
    EXPECT_TRUE(table.err.contains(QStringLiteral("контрольная сумма не сходится")))
        << Text(table.err);

    const ProgramRun json = Cli({QStringLiteral("show"), QStringLiteral("--json"), path});
    EXPECT_EQ(json.exitCode, 3);
    EXPECT_FALSE(QJsonDocument::fromJson(json.out.toUtf8())
                     .object()[QStringLiteral("checksumOk")]
                     .toBool(true));
}

TEST_F(CliTest, FilesThatAreNotSettingsFilesEndWith2) {
    const QByteArray good = Bytes(BuildFileBytes(SampleImage()));
    const QStringList paths = {WriteFile(QStringLiteral("short.ctrch"), good.left(254)),
                               WriteFile(QStringLiteral("long.ctrch"), good + '\xFF'),
                               WriteFile(QStringLiteral("empty.ctrch"), {}),
                               Path(QStringLiteral("missing.ctrch")), Folder()};
    for (const QString& path : paths) {
        for (const QString& verb : {QStringLiteral("show"), QStringLiteral("check")}) {
            const ProgramRun run = Cli({verb, path});
            EXPECT_EQ(run.exitCode, 2) << Text(verb + u' ' + path);
            EXPECT_TRUE(run.out.isEmpty()) << Text(run.out);
            EXPECT_TRUE(run.err.startsWith(QStringLiteral("Ошибка:"))) << Text(run.err);
        }
    }
    EXPECT_TRUE(Cli({QStringLiteral("check"), paths[0]}).err.contains(QStringLiteral("254")));
}

TEST_F(CliTest, NoSuccessIsReportedForOutputThatDidNotGetOut) {
    const QString plan = WriteImage(QStringLiteral("plan.ctrch"), SampleImage());
    // Standard output on a full disk.
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("show"), plan}, QStringList{QStringLiteral("export"), plan}}) {
        QProcess process;
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
        process.start(testing::CliProgram(), arguments);
        ASSERT_TRUE(process.waitForFinished(15000));
        EXPECT_EQ(process.exitCode(), 2) << Text(arguments.join(u' '));
        EXPECT_TRUE(QString::fromUtf8(process.readAllStandardError())
                        .contains(QStringLiteral("вывод не записан: нет места на диске")));
    }

    // A pipe is not replaced by a file, and neither is the command's own input.
    const QString fifo = Path(QStringLiteral("fifo"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const ProgramRun toPipe = Cli({QStringLiteral("export"), plan, QStringLiteral("-o"), fifo});
    EXPECT_EQ(toPipe.exitCode, 2);
    EXPECT_TRUE(toPipe.err.contains(QStringLiteral("не обычный файл"))) << Text(toPipe.err);
    EXPECT_FALSE(QFileInfo(fifo).isFile());
    const QByteArray planBytes = ReadAll(plan);
    const ProgramRun ontoItself = Cli({QStringLiteral("export"), plan, QStringLiteral("-o"),
                                       Folder() + QStringLiteral("/./plan.ctrch")});
    EXPECT_EQ(ontoItself.exitCode, 64);
    EXPECT_EQ(ReadAll(plan), planBytes);
    const QString csv = Path(QStringLiteral("plan.csv"));
    ASSERT_EQ(Cli({QStringLiteral("export"), plan, QStringLiteral("-o"), csv}).exitCode, 0);
    const QByteArray csvBytes = ReadAll(csv);
    EXPECT_EQ(Cli({QStringLiteral("import"), csv, QStringLiteral("-o"), csv}).exitCode, 64);
    EXPECT_EQ(ReadAll(csv), csvBytes);

    // A full disk: the old file stays as it was and the reason is given.
    const QString disk = Path(QStringLiteral("disk"));
    const testing::SmallDisk small(disk);
    if (!small.Mounted()) GTEST_SKIP() << "a small filesystem needs root on Linux";
    const QString kept = QDir(disk).filePath(QStringLiteral("kept.ctrch"));
    ASSERT_TRUE(QFile::copy(plan, kept));
    small.Fill();
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("import"), csv, QStringLiteral("-o"), kept},
          QStringList{QStringLiteral("export"), plan, QStringLiteral("-o"), kept},
          QStringList{QStringLiteral("export"), QStringLiteral("--pdf"), plan, QStringLiteral("-o"),
                      kept}}) {
        const ProgramRun run = Cli(arguments);
        EXPECT_EQ(run.exitCode, 2) << Text(arguments.join(u' '));
        EXPECT_TRUE(run.err.contains(QStringLiteral("нет места на диске"))) << Text(run.err);
        EXPECT_EQ(ReadAll(kept), planBytes);
    }
}

TEST_F(CliTest, CheckTellsAGoodFileFromADamagedOne) {
    const FileBytes good = BuildFileBytes(SampleImage());
    const ProgramRun ok =
        Cli({QStringLiteral("check"), WriteFile(QStringLiteral("g.ctrch"), Bytes(good))});
    EXPECT_EQ(ok.exitCode, 0) << Text(ok.err);
    EXPECT_EQ(ok.out.count(u'\n'), 1) << Text(ok.out);
    EXPECT_TRUE(ok.err.isEmpty()) << Text(ok.err);

    // A wrong checksum, a byte of the image changed after the checksum was made.
    FileBytes flipped = good;
    flipped[kFileChecksumOffset] ^= 0x80;
    FileBytes edited = good;
    edited[SettingsOffset::waitTime + kChannelBlockSize] += 1;
    for (const FileBytes& bytes : {flipped, edited}) {
        const ProgramRun run =
            Cli({QStringLiteral("check"), WriteFile(QStringLiteral("b.ctrch"), Bytes(bytes))});
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_TRUE(run.out.isEmpty()) << Text(run.out);
        EXPECT_TRUE(
            run.err.contains(QStringLiteral("в файле %1, по содержимому %2")
                                 .arg(Hex(bytes[kFileChecksumOffset]), Hex(FileChecksum(bytes)))))
            << Text(run.err);
    }

    // A filler byte that is not FF, under a checksum that fits: a warning, still good.
    FileBytes filler = good;
    filler[200] = 0x00;
    filler[kFileChecksumOffset] = FileChecksum(filler);
    const ProgramRun warned =
        Cli({QStringLiteral("check"), WriteFile(QStringLiteral("f.ctrch"), Bytes(filler))});
    EXPECT_EQ(warned.exitCode, 0);
    EXPECT_TRUE(warned.err.startsWith(QStringLiteral("Предупреждение:"))) << Text(warned.err);
    EXPECT_TRUE(warned.err.contains(QStringLiteral("байт 200"))) << Text(warned.err);
    EXPECT_FALSE(
        Cli({QStringLiteral("show"), QStringLiteral("--json"), Path(QStringLiteral("f.ctrch"))})
            .out.contains(QStringLiteral("\"fillerOk\": true")));
}

TEST_F(CliTest, HelpAndCommandLineErrors) {
    const ProgramRun help = Cli({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* verb : {"show", "check", "read", "write"})
        EXPECT_TRUE(help.out.contains(QStringLiteral("  %1 ").arg(QLatin1String(verb)))) << verb;

    const struct {
        const char* verb;
        QStringList options;
    } verbs[] = {{"show", {QStringLiteral("--json")}},
                 {"check", {}},
                 {"read", {QStringLiteral("--port"), QStringLiteral("--output")}},
                 {"write", {QStringLiteral("--port"), QStringLiteral("--force")}}};
    for (const auto& verb : verbs) {
        const QString name = QString::fromLatin1(verb.verb);
        const ProgramRun run = Cli({name, QStringLiteral("--help")});
        EXPECT_EQ(run.exitCode, 0) << verb.verb;
        EXPECT_TRUE(run.out.contains(QStringLiteral("belvan-cli ") + name)) << Text(run.out);
        for (const QString& option : verb.options)
            EXPECT_TRUE(run.out.contains(option)) << verb.verb << " " << Text(option);
        EXPECT_EQ(Cli({QStringLiteral("help"), name}).out, run.out) << verb.verb;
    }

    const QString file = WriteImage(QStringLiteral("a.ctrch"), SampleImage());
    const QList<QStringList> wrong = {
        {},
        {QStringLiteral("frobnicate")},
        {QStringLiteral("--json"), QStringLiteral("show"), file},
        {QStringLiteral("show")},
        {QStringLiteral("show"), QStringLiteral("--bogus"), file},
        {QStringLiteral("show"), file, file},
        {QStringLiteral("check"), QStringLiteral("--json"), file},
        {QStringLiteral("read"), QStringLiteral("-o"), Path(QStringLiteral("x.ctrch"))},
        {QStringLiteral("read"), QStringLiteral("--port"), QStringLiteral("COM1")},
        {QStringLiteral("write"), file},
        {QStringLiteral("write"), QStringLiteral("--port"), QStringLiteral("COM1")},
        {QStringLiteral("help"), QStringLiteral("frobnicate")}};
    for (const QStringList& arguments : wrong) {
        const ProgramRun run = Cli(arguments);
        EXPECT_EQ(run.exitCode, 64) << Text(arguments.join(u' '));
        EXPECT_TRUE(run.out.isEmpty()) << Text(run.out);
        EXPECT_TRUE(run.err.contains(QStringLiteral("--help"))) << Text(run.err);
    }
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("x.ctrch"))));
}

// --- The radio ---------------------------------------------------------------------------------

class CliRadioTest : public CliTest, protected testing::SimulatorFixture {};

TEST_F(CliRadioTest, ReadSavesTheImageTheRadioHoldsByteForByte) {
    ParameterImage image = SampleImage();
    ChannelEntry odd = image.Record(4);
    odd.flags = 0xC4;  // bits the window clears, kept in what was read
    odd.reserved = 0x77;
    odd.spare = 0xBEEF;
    image.SetRecord(4, odd);
    image.settings[SettingsOffset::zero + 3] = 0x99;
    ASSERT_NO_FATAL_FAILURE(
        StartSim({QStringLiteral("--image"), WriteImage(QStringLiteral("held.ctrch"), image)}));
    const QString out = WriteFile(QStringLiteral("out.ctrch"), "an older file");

    const ProgramRun run =
        Cli({QStringLiteral("read"), QStringLiteral("--port"), port_, QStringLiteral("-o"), out});
    ASSERT_EQ(run.exitCode, 0) << Text(run.err);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Параметры прочитаны"))) << Text(run.err);
    EXPECT_FALSE(run.err.contains(u'%')) << "no progress line without a terminal";
    EXPECT_EQ(ReadAll(out), Bytes(BuildFileBytes(Held())));
    EXPECT_EQ(ReadAll(out), Bytes(BuildFileBytes(image)));
}

TEST_F(CliRadioTest, WriteLeavesTheRadioHoldingTheFile) {
    ASSERT_NO_FATAL_FAILURE(StartSim());
    const ParameterImage before = Held();
    ASSERT_NE(before, SampleImage());

    const ProgramRun run = Cli({QStringLiteral("write"), QStringLiteral("--port"), port_,
                                WriteImage(QStringLiteral("plan.ctrch"), SampleImage())});
    ASSERT_EQ(run.exitCode, 0) << Text(run.err);
    EXPECT_EQ(run.err.trimmed(), QStringLiteral("Параметры записаны"));
    EXPECT_EQ(Held(), SampleImage());

    // And back: what read brings is what was written.
    const QString again = Path(QStringLiteral("again.ctrch"));
    ASSERT_EQ(
        Cli({QStringLiteral("read"), QStringLiteral("--port"), port_, QStringLiteral("-o"), again})
            .exitCode,
        0);
    EXPECT_EQ(ReadAll(again), Bytes(BuildFileBytes(SampleImage())));
}

TEST_F(CliRadioTest, WriteSendsTheFilesBytesAsTheyAre) {
    ASSERT_NO_FATAL_FAILURE(StartSim());
    // Values the window's lists never produce and bytes the window would zero go out unchanged.
    ParameterImage file = SampleImage();
    ChannelEntry carrierWithTone = file.Record(2);
    carrierWithTone.toneNumber = 9;
    carrierWithTone.spare = 0x0101;
    file.SetRecord(2, carrierWithTone);
    file.settings[SettingsOffset::f1Keys] = 0x22;
    file.SetSettingsWord(SettingsOffset::waitTime, 401);
    file.settings[SettingsOffset::zero + 1] = 0x5A;

    const ProgramRun run = Cli({QStringLiteral("write"), QStringLiteral("--port"), port_,
                                WriteImage(QStringLiteral("odd.ctrch"), file)});
    ASSERT_EQ(run.exitCode, 0) << Text(run.err);
    EXPECT_EQ(run.err.trimmed(), QStringLiteral("Параметры записаны"));
    EXPECT_EQ(Held(), file);
}

TEST_F(CliRadioTest, ADamagedFileIsWrittenOnlyWithForce) {
    ASSERT_NO_FATAL_FAILURE(StartSim());
    const ParameterImage before = Held();
    FileBytes bytes = BuildFileBytes(SampleImage());
    bytes[kFileChecksumOffset] ^= 0x10;
    const QString path = WriteFile(QStringLiteral("damaged.ctrch"), Bytes(bytes));

    const ProgramRun refused =
        Cli({QStringLiteral("write"), QStringLiteral("--port"), port_, path});
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("--force"))) << Text(refused.err);
    EXPECT_EQ(Held(), before);
    EXPECT_FALSE(sim_.Log().contains(QStringLiteral("RX"))) << "the radio was not even asked";

    const ProgramRun forced = Cli({QStringLiteral("write"), QStringLiteral("--force"),
                                   QStringLiteral("--port"), port_, path});
    EXPECT_EQ(forced.exitCode, 0) << Text(forced.err);
    EXPECT_EQ(Held(), SampleImage());

    const ProgramRun missing = Cli({QStringLiteral("write"), QStringLiteral("--port"), port_,
                                    Path(QStringLiteral("none.ctrch"))});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("файл не найден"))) << Text(missing.err);
}

TEST_F(CliRadioTest, AFailedReadEndsWith1AndLeavesTheFileAlone) {
    ASSERT_NO_FATAL_FAILURE(StartSim({QStringLiteral("--no-announce")}));
    const QString out = Path(QStringLiteral("out.ctrch"));
    const QString kept = WriteFile(QStringLiteral("kept.ctrch"), "an older file");
    // Into a new file and over an existing one.
    const struct {
        const char* fault;
        const char* message;
        QString target;
    } cases[] = {{"silent", "Нет ответа от радиостанции", out},
                 {"bad-checksum-a", "Ошибка контрольной суммы.", kept},
                 {"short-frame", "Нет ответа от радиостанции", out},
                 {"garbage-frame", "Ошибка контрольной суммы.", kept}};
    for (const auto& failure : cases) {
        ASSERT_TRUE(sim_.Command(QStringLiteral("fault ") + QLatin1String(failure.fault)).ok);
        const ProgramRun run = Cli({QStringLiteral("read"), QStringLiteral("--port"), port_,
                                    QStringLiteral("--output"), failure.target});
        EXPECT_EQ(run.exitCode, 1) << failure.fault;
        EXPECT_TRUE(
            run.err.contains(QStringLiteral("Ошибка: ") + QString::fromUtf8(failure.message)))
            << failure.fault << ": " << Text(run.err);
        EXPECT_FALSE(run.err.contains(QStringLiteral("Параметры прочитаны")));
        EXPECT_FALSE(QFile::exists(out)) << failure.fault;
        EXPECT_EQ(ReadAll(kept), QByteArray("an older file")) << failure.fault;
    }
}

TEST_F(CliRadioTest, AFailedWriteEndsWith1) {
    ASSERT_NO_FATAL_FAILURE(StartSim({QStringLiteral("--no-announce")}));
    const ParameterImage before = Held();
    const QString path = WriteImage(QStringLiteral("plan.ctrch"), SampleImage());
    const struct {
        const char* fault;
        const char* message;
    } cases[] = {{"nak-first", "Ошибка записи каналов радиостанции."},
                 {"nak-second", "Ошибка записи в радиостанцию"},
                 // A doubled 'O' to the first frame is no answer to the second.
                 {"double-ack", "Ошибка записи в радиостанцию"},
                 {"silent", "Ошибка записи каналов радиостанции."}};
    for (const auto& failure : cases) {
        ASSERT_TRUE(sim_.Command(QStringLiteral("fault ") + QLatin1String(failure.fault)).ok);
        const ProgramRun run =
            Cli({QStringLiteral("write"), QStringLiteral("--port"), port_, path});
        EXPECT_EQ(run.exitCode, 1) << failure.fault;
        EXPECT_TRUE(
            run.err.contains(QStringLiteral("Ошибка: ") + QString::fromUtf8(failure.message)))
            << failure.fault << ": " << Text(run.err);
        EXPECT_FALSE(run.err.contains(QStringLiteral("Параметры записаны")));
        EXPECT_EQ(Held(), before) << failure.fault;
    }
}

TEST_F(CliTest, APortThatDoesNotOpenEndsWith4AndSaysWhyInTheOperatorsWords) {
    const QString folder = Path(QStringLiteral("folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString plan = WriteImage(QStringLiteral("plan.ctrch"), SampleImage());
    const struct {
        QString port, why;
    } ports[] = {
        {Path(QStringLiteral("no-such-port")), QStringLiteral("не найден.")},
        {folder, QStringLiteral("не открывается: это папка, а не устройство порта.")},
        {plan, QStringLiteral("не открывается: это обычный файл, а не устройство порта.")},
        {QStringLiteral("/dev/null"),
         QStringLiteral("не открывается: это устройство не последовательный порт.")},
    };
    const QString out = Path(QStringLiteral("out.ctrch"));
    for (const auto& [device, why] : ports) {
        const QString said = QStringLiteral("Ошибка: Порт %1 %2\n").arg(device, why);
        const ProgramRun read = Cli(
            {QStringLiteral("read"), QStringLiteral("--port"), device, QStringLiteral("-o"), out});
        EXPECT_EQ(read.exitCode, 4) << Text(device);
        EXPECT_TRUE(read.err.endsWith(said)) << Text(read.err);
        EXPECT_FALSE(QFile::exists(out));
        const ProgramRun write =
            Cli({QStringLiteral("write"), QStringLiteral("--port"), device, plan});
        EXPECT_EQ(write.exitCode, 4) << Text(device);
        EXPECT_TRUE(write.err.endsWith(said)) << Text(write.err);
    }

    // A file that cannot be saved is noticed before the port is even tried.
    const ProgramRun nowhere =
        Cli({QStringLiteral("read"), QStringLiteral("--port"), ports[0].port, QStringLiteral("-o"),
             Path(QStringLiteral("no-dir/out.ctrch"))});
    EXPECT_EQ(nowhere.exitCode, 2);
}

// With stderr on a terminal the exchange draws a progress line that ends before the messages.
TEST_F(CliRadioTest, ProgressLineOnATerminal) {
    ASSERT_NO_FATAL_FAILURE(StartSim({QStringLiteral("--no-announce")}));
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const QString terminal = QString::fromLocal8Bit(ptsname(master));

    QProcess process;
    process.setStandardErrorFile(terminal);
    const QString out = Path(QStringLiteral("out.ctrch"));
    process.start(testing::CliProgram(), {QStringLiteral("read"), QStringLiteral("--port"), port_,
                                          QStringLiteral("-o"), out});
    QByteArray seen;
    QDeadlineTimer deadline(15000);
    // The terminal is read while the program runs, so its output never blocks; once it has
    // ended, what is left is taken until the terminal falls quiet or hangs up.
    while (!deadline.hasExpired()) {
        const bool finished = process.waitForFinished(0) || process.state() == QProcess::NotRunning;
        pollfd readable{master, POLLIN, 0};
        ssize_t got = 0;
        if (::poll(&readable, 1, finished ? 100 : 20) > 0) {
            char buffer[4096];
            got = ::read(master, buffer, sizeof buffer);
            if (got > 0) seen.append(buffer, got);
        }
        if (finished && got <= 0) break;
    }
    ::close(master);
    ASSERT_EQ(process.state(), QProcess::NotRunning);
    EXPECT_EQ(process.exitCode(), 0);

    const QString text = QString::fromUtf8(seen);
    for (const char* stage : {"Запрос параметров", "Приём параметров"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(stage))) << stage << ": " << Text(text);
    EXPECT_GE(text.count(QStringLiteral("%\r")), 3) << "the line is redrawn in place";
    // The messages come on lines of their own after the progress line.
    EXPECT_TRUE(
        text.contains(QRegularExpression(QStringLiteral("\\d%\r\nПараметры прочитаны\r\n"))))
        << Text(text);
    EXPECT_TRUE(QFile::exists(out));
}

TEST_F(CliRadioTest, ABackupThatCannotBeKeptNeverFailsTheRead) {
    ASSERT_NO_FATAL_FAILURE(StartSim());
    const QString out = Path(QStringLiteral("out.ctrch"));
    // A file where the data folder would be: no folder can be made there, not even by root.
    const QString blocked = WriteFile(QStringLiteral("not-a-folder"), "x");
    const ProgramRun run =
        Cli({QStringLiteral("read"), QStringLiteral("--port"), port_, QStringLiteral("-o"), out},
            {QStringLiteral("XDG_DATA_HOME=") + blocked});
    EXPECT_EQ(run.exitCode, 0) << Text(run.err);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Предупреждение: резервная копия не сохранена")))
        << Text(run.err);
    EXPECT_EQ(ReadAll(out), Bytes(BuildFileBytes(Held())));

    // Where it can, the backup holds exactly what was read, and write --backup keeps the radio's
    // contents before writing over them.
    const ParameterImage before = Held();
    const QString data = Path(QStringLiteral("data"));
    const ProgramRun write =
        Cli({QStringLiteral("write"), QStringLiteral("--backup"), QStringLiteral("--port"), port_,
             WriteImage(QStringLiteral("plan.ctrch"), SampleImage())},
            {QStringLiteral("XDG_DATA_HOME=") + data});
    ASSERT_EQ(write.exitCode, 0) << Text(write.err);
    const QFileInfoList backups =
        QDir(data + QStringLiteral("/belvan/backups")).entryInfoList({QStringLiteral("*.ctrch")});
    ASSERT_EQ(backups.size(), 1);
    EXPECT_EQ(ReadAll(backups[0].filePath()), Bytes(BuildFileBytes(before)));
    EXPECT_EQ(Held(), SampleImage());
}

TEST_F(CliRadioTest, WriteWithABackupThatCannotBeCompletedWritesNothing) {
    const QString data = Path(QStringLiteral("data"));
    const testing::SmallDisk small(data);
    if (!small.Mounted()) GTEST_SKIP() << "a small filesystem needs root on Linux";
    ASSERT_TRUE(QDir().mkpath(data + QStringLiteral("/belvan/backups")));
    small.Fill();
    ASSERT_NO_FATAL_FAILURE(StartSim());
    const ParameterImage before = Held();
    const ProgramRun run =
        Cli({QStringLiteral("write"), QStringLiteral("--backup"), QStringLiteral("--port"), port_,
             WriteImage(QStringLiteral("plan.ctrch"), SampleImage())},
            {QStringLiteral("XDG_DATA_HOME=") + data});
    EXPECT_EQ(run.exitCode, 2) << Text(run.err);
    EXPECT_TRUE(run.err.contains(QStringLiteral("нет места на диске"))) << Text(run.err);
    EXPECT_FALSE(run.err.contains(QStringLiteral("Параметры записаны")));
    EXPECT_EQ(Held(), before);
    EXPECT_TRUE(QDir(data + QStringLiteral("/belvan/backups")).isEmpty());
}

TEST_F(CliRadioTest, ABatchWritesEveryRadioAndNamesTheOneThatFailed) {
    ASSERT_NO_FATAL_FAILURE(StartSim());
    RadioSimProcess faulty;
    const QString faultyPort = faulty.Start(
        {QStringLiteral("--no-announce"), QStringLiteral("--fault"), QStringLiteral("nak-second")});
    ASSERT_FALSE(faultyPort.isEmpty());
    const ProgramRun run =
        Cli({QStringLiteral("write"), QStringLiteral("--port"), port_, QStringLiteral("--port"),
             faultyPort, WriteImage(QStringLiteral("plan.ctrch"), SampleImage())});
    EXPECT_EQ(run.exitCode, 1) << Text(run.err);
    EXPECT_EQ(Held(), SampleImage());
    QString goodRow, faultyRow;
    for (const QString& line : run.out.split(u'\n')) {
        if (line.startsWith(port_ + u' ')) goodRow = line;
        if (line.startsWith(faultyPort + u' ')) faultyRow = line;
    }
    EXPECT_TRUE(goodRow.contains(QStringLiteral("успех"))) << Text(run.out);
    EXPECT_TRUE(faultyRow.contains(QStringLiteral("ОШИБКА"))) << Text(run.out);
    EXPECT_TRUE(faultyRow.contains(QStringLiteral("Ошибка записи в радиостанцию")))
        << Text(run.out);
    EXPECT_TRUE(run.out.contains(QStringLiteral("Записано 1 из 2."))) << Text(run.out);
}

TEST_F(CliRadioTest, TheStationWritesEveryRadioThatAnnouncesAndVerifies) {
    ASSERT_NO_FATAL_FAILURE(StartSim());
    RadioSimProcess changing;
    const QString changingPort =
        changing.Start({QStringLiteral("--no-announce"), QStringLiteral("--fault"),
                        QStringLiteral("changes-image")});
    ASSERT_FALSE(changingPort.isEmpty());
    const QString log = Path(QStringLiteral("report.csv"));
    QProcess station;
    station.start(testing::CliProgram(),
                  {QStringLiteral("station"), QStringLiteral("--verify"), QStringLiteral("--log"),
                   log, QStringLiteral("--port"), port_, QStringLiteral("--port"), changingPort,
                   WriteImage(QStringLiteral("plan.ctrch"), SampleImage())});
    ASSERT_TRUE(station.waitForStarted(5000));
    QByteArray out, err;
    // Waits until `done` holds, collecting the station's output meanwhile.
    auto waitFor = [&](const auto& done) {
        QDeadlineTimer deadline(10000);
        while (!done() && !deadline.hasExpired()) {
            station.waitForReadyRead(100);
            out += station.readAllStandardOutput();
            err += station.readAllStandardError();
        }
        return done();
    };
    auto waitForRows = [&](int rows) { return waitFor([&] { return out.count('\n') >= rows; }); };
    // Both ports opened (what came before is dropped then) and watched.
    auto watched = [&](const QString& port) {
        return QString::fromUtf8(err).contains(port + QStringLiteral(": порт открыт, ожидание"));
    };
    ASSERT_TRUE(waitFor([&] { return watched(port_) && watched(changingPort); }))
        << Text(QString::fromUtf8(err));
    // Three radios plugged in one after the other on the first port, one on the second.
    for (int radio = 1; radio <= 3; ++radio) {
        ASSERT_TRUE(sim_.Command(QStringLiteral("announce")).ok);
        ASSERT_TRUE(waitForRows(radio)) << Text(QString::fromUtf8(out));
    }
    ASSERT_TRUE(changing.Command(QStringLiteral("announce")).ok);
    ASSERT_TRUE(waitForRows(4)) << Text(QString::fromUtf8(out));
    ::kill(static_cast<pid_t>(station.processId()), SIGINT);
    ASSERT_TRUE(station.waitForFinished(5000));
    out += station.readAllStandardOutput();
    EXPECT_EQ(station.exitCode(), 1) << "one radio failed its check";

    const QStringList rows = QString::fromUtf8(ReadAll(log)).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 5) << Text(rows.join(u'\n'));  // the header and four radios
    EXPECT_EQ(rows.filter(port_ + QStringLiteral(",успех,Запись проверена")).size(), 3);
    const QStringList failed = rows.filter(changingPort + QStringLiteral(",ошибка"));
    ASSERT_EQ(failed.size(), 1);
    EXPECT_TRUE(failed[0].contains(QStringLiteral("канал 03"))) << Text(failed[0]);
    EXPECT_TRUE(QString::fromUtf8(out).contains(QStringLiteral("Итог: записано 3, ошибок 1.")));
    EXPECT_EQ(Held(), SampleImage());
}

}  // namespace
}  // namespace belvan
