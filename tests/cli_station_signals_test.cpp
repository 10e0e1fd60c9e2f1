// belvan-cli station and write ended by real signals while a radio's write is under way: the first
// stop signal lets the write finish and reports it, a second ends at once and names the radios
// left in an unknown state. The real binary against the radio simulator on a pseudo-terminal.
#include <gtest/gtest.h>

#include <QFile>
#include <csignal>
#include <memory>

#include "cli_station_fixture.h"
#include "image/parameter_image.h"
#include "test_text.h"

namespace belvan {
namespace {

using testing::CliProcess;
using testing::CliStationTest;
using testing::PlanImage;
using testing::Text;

TEST_F(CliStationTest, TheFirstStopSignalLetsTheWriteUnderWayFinishAndReportsIt) {
    // Ctrl+C, and SIGHUP as a closed terminal or an ended ssh session sends it.
    for (const int signal : {SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        // The check's frame comes a second late: the signal surely falls into the job.
        std::unique_ptr<CliProcess> station;
        QFile::remove(LogFile());
        ASSERT_NO_FATAL_FAILURE(SignalWritingStation(
            station, {QStringLiteral("--latency"), QStringLiteral("1000")}, signal));
        EXPECT_EQ(station->Finish(), 0) << Text(station->Err());
        EXPECT_TRUE(station->Err().contains(QStringLiteral("Ctrl+C ещё раз")))
            << Text(station->Err());
        ASSERT_NO_FATAL_FAILURE(
            ExpectOneRowSaying(*station, QStringLiteral("успех — Запись проверена")));
        EXPECT_TRUE(station->Out().contains(QStringLiteral("Итог: записано 1, ошибок 0.")));
        EXPECT_EQ(LogRows().filter(port_ + QStringLiteral(",успех,Запись проверена")).size(), 1)
            << Text(LogRows().join(u'\n'));
        EXPECT_EQ(Held(), PlanImage());
    }
}

TEST_F(CliStationTest, AWriteThatFailsAfterCtrlCEndsTheStationNonZero) {
    std::unique_ptr<CliProcess> station;
    ASSERT_NO_FATAL_FAILURE(SignalWritingStation(
        station, {QStringLiteral("--fault"), QStringLiteral("silent-second")}, SIGTERM));
    EXPECT_EQ(station->Finish(), 1) << Text(station->Err());
    ASSERT_NO_FATAL_FAILURE(
        ExpectOneRowSaying(*station, QStringLiteral("Ошибка записи в радиостанцию")));
    EXPECT_EQ(LogRows().filter(port_ + QStringLiteral(",ошибка,")).size(), 1);
}

TEST_F(CliStationTest, ASecondSignalEndsAtOnceAndNamesTheRadiosLeftUnknown) {
    std::unique_ptr<CliProcess> station;
    ASSERT_NO_FATAL_FAILURE(SignalWritingStation(
        station, {QStringLiteral("--fault"), QStringLiteral("silent-second")}, SIGTERM));
    EXPECT_EQ(station->SignalAgain(SIGTERM), 128 + SIGTERM) << Text(station->Err());
    ASSERT_NO_FATAL_FAILURE(ExpectTheUnknownRadioNamed(station->Err()));
    // Ended before the exchange did: the radio's silence was never reported as its answer.
    EXPECT_FALSE(station->Out().contains(QStringLiteral("Ошибка записи"))) << Text(station->Out());
    const QStringList rows = LogRows().filter(port_ + QStringLiteral(",прервано,"));
    ASSERT_EQ(rows.size(), 1) << Text(LogRows().join(u'\n'));
    EXPECT_TRUE(rows[0].contains(QStringLiteral("неизвестно"))) << Text(rows[0]);
}

TEST_F(CliStationTest, AStopSignalDuringWriteFinishesTheWriteAndSaysSo) {
    for (const int signal : {SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        ASSERT_NO_FATAL_FAILURE(StartSim({QStringLiteral("--latency"), QStringLiteral("1000")}));
        CliProcess write({QStringLiteral("write"), QStringLiteral("--verify"),
                          QStringLiteral("--port"), port_, PlanFile()});
        ASSERT_TRUE(write.Started());
        ASSERT_NO_FATAL_FAILURE(WaitForTheFirstWriteFrame());
        write.Signal(signal);
        EXPECT_EQ(write.Finish(), 0) << Text(write.Err());
        EXPECT_TRUE(write.Err().contains(QStringLiteral("Ctrl+C ещё раз"))) << Text(write.Err());
        EXPECT_TRUE(write.Err().contains(QStringLiteral("Параметры записаны")))
            << Text(write.Err());
        EXPECT_TRUE(write.Err().contains(QStringLiteral("Запись проверена"))) << Text(write.Err());
        EXPECT_EQ(Held(), PlanImage());
    }
}

TEST_F(CliStationTest, ASecondCtrlCEndsWriteAtOnceAndNamesThePort) {
    ASSERT_NO_FATAL_FAILURE(StartSim({QStringLiteral("--fault"), QStringLiteral("silent-second")}));
    const ParameterImage before = Held();
    CliProcess write({QStringLiteral("write"), QStringLiteral("--port"), port_, PlanFile()});
    ASSERT_TRUE(write.Started());
    ASSERT_NO_FATAL_FAILURE(WaitForTheFirstWriteFrame());
    write.Signal(SIGINT);
    EXPECT_EQ(write.SignalAgain(SIGINT), 128 + SIGINT) << Text(write.Err());
    ASSERT_NO_FATAL_FAILURE(ExpectTheUnknownRadioNamed(write.Err()));
    EXPECT_FALSE(write.Err().contains(QStringLiteral("Ошибка записи"))) << Text(write.Err());
    EXPECT_EQ(Held(), before);
}

}  // namespace
}  // namespace belvan
