// belvan-cli station's log and output when they cannot be written: a log that is no regular file,
// a full disk, a log moved or deleted during the run, standard output whose reader has gone. The
// real binary against the radio simulator on a pseudo-terminal.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <csignal>
#include <functional>
#include <memory>

#include "cli_station_fixture.h"
#include "file_limits.h"
#include "program_run.h"
#include "test_files.h"
#include "test_text.h"

namespace belvan {
namespace {

using testing::CliProcess;
using testing::CliStationTest;
using testing::PlanImage;
using testing::Text;

TEST_F(CliStationTest, ALogThatIsNotARegularFileIsRefusedBeforeAnythingElse) {
    const QString fifo = Path(QStringLiteral("fifo"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = Folder();
    for (const QString& log : {fifo, QStringLiteral("/dev/null"), folder}) {
        const testing::ProgramRun run = testing::RunProgram(
            testing::CliProgram(),
            {QStringLiteral("station"), QStringLiteral("--log"), log, QStringLiteral("--port"),
             Path(QStringLiteral("port")), PlanFile()});
        EXPECT_EQ(run.exitCode, 2) << Text(log);
        EXPECT_TRUE(run.err.startsWith(
            QStringLiteral("Ошибка: не удалось открыть журнал «%1»: это ").arg(log)))
            << Text(run.err);
    }
}

TEST_F(CliStationTest, ARowThatDoesNotFitOnTheDiskIsCutOffWholeAndTheStationGoesOn) {
    const QString disk = Path(QStringLiteral("disk"));
    const testing::SmallDisk small(disk);
    if (!small.Mounted()) GTEST_SKIP() << "a small filesystem needs root on Linux";
    // A log of earlier radios that ends 30 bytes before a page of the disk is full.
    const QString log = QDir(disk).filePath(QStringLiteral("report.csv"));
    QByteArray before = QStringLiteral("время,порт,итог,сообщение,контрольная сумма\n").toUtf8();
    const qint64 page = sysconf(_SC_PAGESIZE);
    before += QByteArray(page - 30 - before.size() - 1, 'x') + '\n';
    testing::WriteAll(log, before);
    small.Fill();

    ASSERT_NO_FATAL_FAILURE(StartSim());
    auto station = Station({QStringLiteral("--no-verify"), QStringLiteral("--log"), log});
    ASSERT_NO_FATAL_FAILURE(PlugInARadio(*station, 1));
    EXPECT_EQ(testing::ReadAll(log), before) << "not half a row";
    EXPECT_TRUE(station->Err().contains(QStringLiteral("не удалось записать в журнал «%1» строку "
                                                       "о радиостанции на порту %2: нет места на "
                                                       "диске.")
                                            .arg(log, port_)))
        << Text(station->Err());

    // Room again: the next radio's row is written whole, and the end says what is missing.
    ASSERT_TRUE(QFile::remove(QDir(disk).filePath(QStringLiteral("filler"))));
    UnplugAndWaitOutTheQuietTime();
    ASSERT_NO_FATAL_FAILURE(PlugInARadio(*station, 2));
    station->Signal(SIGINT);
    EXPECT_EQ(station->Finish(), 2) << Text(station->Err());
    EXPECT_TRUE(station->Err().contains(
        QStringLiteral("журнал «%1» записан не полностью: не записано строк: 1;").arg(log)))
        << Text(station->Err());
    const QByteArray after = testing::ReadAll(log);
    ASSERT_TRUE(after.startsWith(before));
    const QString added = QString::fromUtf8(after.mid(before.size()));
    EXPECT_EQ(added.count(u'\n'), 1) << Text(added);
    EXPECT_TRUE(added.endsWith(u'\n') && added.contains(u',' + port_ + QStringLiteral(",успех,")))
        << Text(added);
}

TEST_F(CliStationTest, ALogMovedOrDeletedDuringTheRunIsNoticedAndGoesOnUnderItsName) {
    const QString moved = Path(QStringLiteral("moved.csv"));
    const struct {
        const char* what;
        std::function<bool()> apply;
    } cases[] = {{"moved", [&] { return QFile::rename(LogFile(), moved); }},
                 {"deleted", [&] { return QFile::remove(LogFile()); }}};
    for (const auto& [what, apply] : cases) {
        SCOPED_TRACE(what);
        ASSERT_NO_FATAL_FAILURE(StartSim());
        auto station = Station({QStringLiteral("--no-verify"), QStringLiteral("--log"), LogFile()});
        ASSERT_TRUE(apply());
        ASSERT_NO_FATAL_FAILURE(PlugInARadio(*station, 1));
        station->Signal(SIGINT);
        EXPECT_EQ(station->Finish(), 2) << Text(station->Err());
        EXPECT_TRUE(station->Err().contains(
            QStringLiteral("журнал «%1» перемещён или удалён во время работы").arg(LogFile())))
            << Text(station->Err());
        const QStringList rows = LogRows();
        ASSERT_EQ(rows.size(), 2) << "a new log: the header and the radio";
        EXPECT_TRUE(rows[1].contains(u',' + port_ + QStringLiteral(",успех,"))) << Text(rows[1]);
        ASSERT_TRUE(QFile::remove(LogFile()));
    }
    EXPECT_EQ(testing::ReadAll(moved).count('\n'), 1) << "the moved log: its header alone";
}

TEST_F(CliStationTest, OutputThatNoLongerGetsOutStopsTheStationAfterTheWriteUnderWay) {
    // station … | head -n 1: the reader goes after the first radio's line.
    ASSERT_NO_FATAL_FAILURE(StartSim());
    QProcess head;
    head.setStandardOutputFile(QProcess::nullDevice());
    auto station = std::make_unique<CliProcess>(
        QStringList{QStringLiteral("station"), QStringLiteral("--no-verify"),
                    QStringLiteral("--log"), LogFile(), QStringLiteral("--port"), port_,
                    PlanFile()},
        &head);
    head.start(QStringLiteral("head"), {QStringLiteral("-n"), QStringLiteral("1")});
    ASSERT_TRUE(head.waitForStarted(5000));
    ASSERT_TRUE(station->WaitForErr(QStringLiteral("ожидание радиостанции"), 5000));
    ASSERT_TRUE(sim_.Command(QStringLiteral("announce")).ok);
    ASSERT_TRUE(head.waitForFinished(15000)) << Text(station->Err());
    UnplugAndWaitOutTheQuietTime();
    ASSERT_TRUE(sim_.Command(QStringLiteral("announce")).ok);
    // Its line does not get out: the station ends by itself, with its write done and logged.
    EXPECT_EQ(station->Finish(), 2) << Text(station->Err());
    EXPECT_TRUE(station->Err().contains(QStringLiteral("вывод не записывается")))
        << Text(station->Err());
    EXPECT_TRUE(station->Err().contains(QStringLiteral("Итог: записано 2, ошибок 0.")))
        << Text(station->Err());
    EXPECT_EQ(LogRows().filter(port_ + QStringLiteral(",успех,")).size(), 2)
        << Text(LogRows().join(u'\n'));
}

}  // namespace
}  // namespace belvan
