// belvan-cli export and import as the operator runs them: the real binary on real files, its
// exit codes and what it leaves on disk.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>

#include "files/settings_file.h"
#include "support/windows_1251.h"

#ifndef BELVAN_CLI_PATH
#error "BELVAN_CLI_PATH must name the belvan-cli binary"
#endif

namespace belvan {
namespace {

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

// Runs belvan-cli without a display: no X, no Wayland, no platform chosen for it.
CliRun Cli(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(BELVAN_CLI_PATH), arguments);
    EXPECT_TRUE(process.waitForFinished(30000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray Bytes(const FileBytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

TEST(CliCsv, ExportAndImportExitCodesAndFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto path = [&dir](const char* name) { return dir.filePath(QString::fromLatin1(name)); };

    // A list with one row the radio cannot take.
    WriteAll(path("list.csv"),
             "Location,Frequency,Duplex,Offset,Tone,cToneFreq\n"
             "1,150.000,split,150.025,TSQL,85.4\n"
             "2,146.0125,off,,,\n"
             "3,200.000,,,,\n");
    CliRun run = Cli({"import", path("list.csv"), "-o", path("a.ctrch")});
    EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("строка 4, Frequency = «200.000»")));
    EXPECT_FALSE(QFile::exists(path("a.ctrch")));

    run = Cli({"import", path("list.csv"), "-o", path("a.ctrch"), "--skip-invalid"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray a = ReadAll(path("a.ctrch"));
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
    WriteAll(path("b.ctrch"), [&] {
        ParameterImage based = image;
        based.settings[SettingsOffset::carriedBytes] = 0x12;
        based.settings[SettingsOffset::operatingMode] = OperatingMode::Test;
        return Bytes(BuildFileBytes(based));
    }());
    run = Cli({"export", path("b.ctrch")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("Location,Name,Frequency,"));
    WriteAll(path("b.csv"), run.out);
    run = Cli({"import", path("b.csv"), "--base", path("b.ctrch"), "-o", path("c.ctrch")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(ReadAll(path("c.ctrch")), ReadAll(path("b.ctrch")));

    // The printable sheet: a one-page PDF, made without any display.
    run = Cli({"export", "--pdf", path("b.ctrch"), "-o", path("b.pdf")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray pdf = ReadAll(path("b.pdf"));
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_EQ(pdf.count("/Type /Page\n"), 1);  // one page object; "/Type /Pages" is the tree

    // A damaged file: 3 unless --force; what is not a list, 2; a wrong command line, 64.
    QByteArray damaged = ReadAll(path("b.ctrch"));
    damaged[kFileChecksumOffset] = static_cast<char>(damaged[kFileChecksumOffset] ^ 1);
    WriteAll(path("damaged.ctrch"), damaged);
    EXPECT_EQ(Cli({"export", path("damaged.ctrch")}).exitCode, 3);
    EXPECT_EQ(Cli({"export", path("damaged.ctrch"), "--force"}).exitCode, 0);
    EXPECT_EQ(
        Cli({"import", path("b.csv"), "--base", path("damaged.ctrch"), "-o", path("d")}).exitCode,
        3);
    EXPECT_EQ(Cli({"import", path("b.ctrch"), "-o", path("e.ctrch")}).exitCode, 2);
    EXPECT_FALSE(QFile::exists(path("e.ctrch")));
    EXPECT_EQ(Cli({"export", "--pdf", path("b.ctrch")}).exitCode, 64);
    EXPECT_EQ(Cli({"import", path("b.csv")}).exitCode, 64);
}

ParameterImage ImageOf(const QByteArray& file) {
    FileBytes bytes{};
    EXPECT_EQ(file.size(), kSettingsFileSize);
    std::copy_n(file.begin(), std::min<qsizetype>(file.size(), kSettingsFileSize), bytes.begin());
    return ImageFromFileBytes(bytes);
}

// A list numbered from 0 goes in by its Location unless --renumber is given; then its rows fill
// channels 1, 2, 3 … in the order of the file and the import says once that names are lost.
TEST(CliCsv, ImportRenumbersAListNumberedFromZeroOnlyWhenAsked) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto path = [&dir](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    WriteAll(path("zero.csv"),
             "Location,Name,Frequency\r\n"
             "0,ONE,146.000\r\n"
             "1,TWO,146.025\r\n"
             "2,THREE,146.050\r\n");

    // As before: the row of channel 0 is refused, the others keep their numbers.
    CliRun run = Cli({"import", path("zero.csv"), "-o", path("a.ctrch")});
    EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("строка 2, Location = «0»: номер канала вне диапазона 1–16")))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("a.ctrch")));
    run = Cli({"import", path("zero.csv"), "-o", path("a.ctrch"), "--skip-invalid"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("названия"))) << run.err.toStdString();
    const ParameterImage asNumbered = ImageOf(ReadAll(path("a.ctrch")));
    EXPECT_EQ(asNumbered.Record(0).rxCode, 2);
    EXPECT_EQ(asNumbered.Record(1).rxCode, 4);
    EXPECT_TRUE(asNumbered.Record(2).IsEmpty());

    run = Cli({"import", path("zero.csv"), "-o", path("b.ctrch"), "--renumber"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err.count(QStringLiteral("названия каналов не сохраняются")), 1)
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("Предупреждение: каналы пронумерованы заново по порядку строк файла "
                       "(1–3); названия каналов не сохраняются.\n")))
        << run.err.toStdString();
    const ParameterImage renumbered = ImageOf(ReadAll(path("b.ctrch")));
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
    WriteAll(path("long.csv"), longer);
    run = Cli({"import", path("long.csv"), "-o", path("c.ctrch"), "--renumber"});
    EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
    EXPECT_TRUE(
        run.err.contains(QStringLiteral("строка 18, Location = «117»: в радиостанции 16 "
                                        "каналов; для этой строки канала нет")))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("c.ctrch")));
    run = Cli({"import", path("long.csv"), "-o", path("c.ctrch"), "--renumber", "--skip-invalid"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("(1–16)"))) << run.err.toStdString();
    const ParameterImage sixteen = ImageOf(ReadAll(path("c.ctrch")));
    for (int c = 0; c < kChannelCount; ++c) EXPECT_EQ(sixteen.Record(c).rxCode, 2 * c) << c;
}

// A list a Russian spreadsheet saved in Windows-1251 comes in as its UTF-8 original does, with
// the encoding assumed named on stderr.
TEST(CliCsv, ImportOfAWindows1251ListEqualsTheUtf8Import) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto path = [&dir](const char* name) { return dir.filePath(QString::fromLatin1(name)); };

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
    WriteAll(path("plan.ctrch"), Bytes(BuildFileBytes(plan)));

    CliRun run = Cli({"export", path("plan.ctrch"), "-o", path("utf8.csv")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString list = QString::fromUtf8(ReadAll(path("utf8.csv")));
    ASSERT_TRUE(list.contains(QStringLiteral("маскирование")) &&
                list.contains(QStringLiteral("только передача")))
        << list.toStdString();
    WriteAll(path("cp1251.csv"), test::ToWindows1251(list));

    run = Cli({"import", path("utf8.csv"), "--base", path("plan.ctrch"), "-o", path("a.ctrch")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("Предупреждение"))) << run.err.toStdString();
    run = Cli({"import", path("cp1251.csv"), "--base", path("plan.ctrch"), "-o", path("b.ctrch")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("Предупреждение: файл не в кодировке UTF-8 (в строке 2 байты, которых в "
                       "UTF-8 не бывает); прочитан как Windows-1251\n")))
        << run.err.toStdString();
    EXPECT_EQ(ReadAll(path("b.ctrch")), ReadAll(path("a.ctrch")));
    EXPECT_EQ(ReadAll(path("b.ctrch")), ReadAll(path("plan.ctrch")));
}

}  // namespace
}  // namespace belvan

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
