// belvan-cli with a radio as the operator runs it: the real binary started as a process against the
// radio simulator on a pseudo-terminal. read and write, their failures, ports that do not open,
// the progress line, backups, a batch of radios and the station.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <csignal>

#include "cli_fixture.h"
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

using testing::Bytes;
using testing::CliTest;
using testing::ProgramRun;
using testing::RadioSimProcess;
using testing::ReadAll;
using testing::Text;

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
