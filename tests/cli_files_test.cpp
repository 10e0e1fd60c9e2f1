// belvan-cli on files as the operator runs it: the real binary started as a process on real files.
// show and check, output that does not get out, help and command-line errors.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <initializer_list>
#include <utility>

#include "cli_fixture.h"
#include "file_limits.h"
#include "files/settings_file.h"
#include "image/parameter_image.h"
#include "program_run.h"
#include "sample_images.h"
#include "test_files.h"
#include "test_text.h"

namespace belvan {
namespace {

using testing::Bytes;
using testing::CliTest;
using testing::ProgramRun;
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

}  // namespace
}  // namespace belvan
