// belvan-cli station at its edges, as the operator runs it: the real binary against the radio
// simulator on a pseudo-terminal. What counts as a radio (line noise, a radio that announces over
// and over, radios swapped in quickly, a late frame), the check after a write, ports named twice.
#include <gtest/gtest.h>

#include <QFile>
#include <QThread>
#include <csignal>
#include <utility>

#include "cli_station_fixture.h"
#include "image/parameter_image.h"
#include "link/line.h"
#include "test_text.h"

namespace belvan {
namespace {

using testing::CliProcess;
using testing::CliStationTest;
using testing::PlanImage;
using testing::Text;

// --- What counts as a radio ----------------------------------------------------------------------

TEST_F(CliStationTest, LineNoiseIsNeverTakenForARadio) {
    ASSERT_NO_FATAL_FAILURE(StartSim({QStringLiteral("--fault"), QStringLiteral("line-noise")}));
    auto station = Station({QStringLiteral("--log"), LogFile()});
    station->RunFor(4000);
    station->Signal(SIGINT);
    EXPECT_EQ(station->Finish(), 0) << Text(station->Err());
    EXPECT_TRUE(station->Rows(port_).isEmpty()) << Text(station->Out());
    EXPECT_TRUE(station->Out().contains(QStringLiteral("Итог: записано 0, ошибок 0.")))
        << Text(station->Out());
    EXPECT_FALSE(sim_.Log().contains(QStringLiteral("RX 22"))) << "no write frame was sent";
    EXPECT_EQ(LogRows().size(), 1) << "the header alone";
    EXPECT_FALSE(station->Err().contains(kDeviceDisconnected)) << "noise is no lost line";
}

TEST_F(CliStationTest, ARadioThatAnnouncesOverAndOverIsProgrammedOnce) {
    ASSERT_NO_FATAL_FAILURE(
        StartSim({QStringLiteral("--fault"), QStringLiteral("announce-repeat")}));
    auto station = Station({});
    ASSERT_TRUE(station->WaitForRows(port_, 1)) << Text(station->Err());
    // It goes on announcing ten times a second: every repeat is said, none is written.
    EXPECT_TRUE(station->WaitForRows(port_, 10, QStringLiteral("пропущена")))
        << Text(station->Out());
    ASSERT_NO_FATAL_FAILURE(ExpectOneRowSaying(*station, QStringLiteral("успех")));
    EXPECT_EQ(Held(), PlanImage());

    // Unplugged (quiet), then the next radio.
    ASSERT_TRUE(sim_.Command(QStringLiteral("fault none")).ok);
    UnplugAndWaitOutTheQuietTime();
    ASSERT_NO_FATAL_FAILURE(PlugInARadio(*station, 2));
    station->Signal(SIGINT);
    EXPECT_EQ(station->Finish(), 0) << Text(station->Err());
    EXPECT_EQ(station->Rows(port_).size(), 2) << Text(station->Out());
    EXPECT_TRUE(station->Out().contains(QStringLiteral("Итог: записано 2, ошибок 0, пропущено ")))
        << Text(station->Out());
}

TEST_F(CliStationTest, EveryAnnouncementNotProgrammedIsPrintedAndLoggedWithWhy) {
    ASSERT_NO_FATAL_FAILURE(StartSim());
    auto station = Station({QStringLiteral("--no-verify"), QStringLiteral("--log"), LogFile()});
    ASSERT_NO_FATAL_FAILURE(PlugInARadio(*station, 1));
    // Radios swapped in quickly: 0.95 s after the write, then 1 s after each other; then, after
    // the quiet time, the next radio.
    const struct {
        int afterMs;
        QString result, why;
    } swaps[] = {{950, QStringLiteral("пропущена"), QStringLiteral("линия занята")},
                 {1000, QStringLiteral("пропущена"), QStringLiteral("та же радиостанция")},
                 {2500, QStringLiteral("успех"), QStringLiteral("Параметры записаны")}};
    const QString any = QStringLiteral(".*");
    QStringList expected = {QStringLiteral("успех")};
    for (const auto& swap : swaps) {
        QThread::msleep(swap.afterMs);
        ASSERT_TRUE(sim_.Command(QStringLiteral("announce")).ok);
        expected << swap.result;
        ASSERT_TRUE(station->WaitForRows(port_, expected.size(), any)) << Text(station->Out());
        const QString row = station->Rows(port_, any).constLast();
        EXPECT_TRUE(row.contains(swap.result + QStringLiteral(" — ") + swap.why)) << Text(row);
    }
    station->Signal(SIGINT);
    EXPECT_EQ(station->Finish(), 0) << Text(station->Err());
    EXPECT_TRUE(station->Out().contains(QStringLiteral("Итог: записано 2, ошибок 0, пропущено 2.")))
        << Text(station->Out());
    // The log has the same rows: a radio that announced is never missing from it.
    const QStringList rows = LogRows().mid(1);
    ASSERT_EQ(rows.size(), expected.size()) << Text(rows.join(u'\n'));
    for (int i = 0; i < rows.size(); ++i)
        EXPECT_TRUE(rows[i].contains(u',' + port_ + u',' + expected[i] + u',')) << Text(rows[i]);
}

TEST_F(CliStationTest, ALateFrameFullOf0x10IsNotANewRadio) {
    ASSERT_NO_FATAL_FAILURE(StartSim({QStringLiteral("--fault"), QStringLiteral("late-frame")}));
    auto station = Station({});
    ASSERT_NO_FATAL_FAILURE(PlugInARadio(*station, 1));
    ASSERT_TRUE(sim_.WaitForLog(QStringLiteral("late-frame"), 5000));
    station->RunFor(2000);  // the frame comes after the check has given up
    station->Signal(SIGINT);
    EXPECT_EQ(station->Finish(), 1) << Text(station->Err());
    ASSERT_NO_FATAL_FAILURE(ExpectOneRowSaying(
        *station, QStringLiteral("ОШИБКА — проверка: Нет ответа от радиостанции")));
}

TEST_F(CliStationTest, WithItsCheckTheStationIsNotFooledByADoubleAcknowledgement) {
    ASSERT_NO_FATAL_FAILURE(StartSim({QStringLiteral("--fault"), QStringLiteral("double-ack")}));
    const ParameterImage before = Held();
    auto station = Station({});
    ASSERT_NO_FATAL_FAILURE(PlugInARadio(*station, 1));
    station->Signal(SIGINT);
    EXPECT_EQ(station->Finish(), 1);
    EXPECT_TRUE(station->Rows(port_).value(0).contains(QStringLiteral("ОШИБКА")))
        << Text(station->Out());
    EXPECT_EQ(Held(), before) << "the radio refused the second frame";
}

TEST_F(CliStationTest, TheStationVerifiesUnlessToldNotTo) {
    ASSERT_NO_FATAL_FAILURE(StartSim());
    // Verifying by default, trusting the acknowledgements with --no-verify.
    const std::pair<QStringList, QString> modes[] = {
        {{}, QStringLiteral("успех — Запись проверена")},
        {{QStringLiteral("--no-verify")}, QStringLiteral("успех — Параметры записаны")}};
    for (const auto& [options, row] : modes) {
        auto station = Station(options);
        ASSERT_NO_FATAL_FAILURE(PlugInARadio(*station, 1));
        EXPECT_TRUE(station->Rows(port_).value(0).contains(row)) << Text(station->Out());
        station->Signal(SIGINT);
        EXPECT_EQ(station->Finish(), 0);
    }

    CliProcess both({QStringLiteral("station"), QStringLiteral("--verify"),
                     QStringLiteral("--no-verify"), QStringLiteral("--port"), port_, PlanFile()});
    EXPECT_EQ(both.Finish(), 64);
    EXPECT_TRUE(both.Err().contains(QStringLiteral("--help"))) << Text(both.Err());
}

// --- The check after a write ---------------------------------------------------------------------

TEST_F(CliStationTest, AFailedCheckSaysTheFramesWereAcknowledgedFirst) {
    ASSERT_NO_FATAL_FAILURE(StartSim({QStringLiteral("--fault"), QStringLiteral("changes-image")}));
    CliProcess write({QStringLiteral("write"), QStringLiteral("--verify"), QStringLiteral("--port"),
                      port_, PlanFile()});
    EXPECT_EQ(write.Finish(), 1);
    const QStringList lines = write.Err().split(u'\n').filter(QStringLiteral("Ошибка:"));
    ASSERT_EQ(lines.size(), 1) << Text(write.Err());
    EXPECT_TRUE(lines[0].startsWith(
        QStringLiteral("Ошибка: радиостанция подтвердила запись, но хранит другое: канал 03:")))
        << Text(lines[0]);
    EXPECT_FALSE(lines[0].contains(QStringLiteral("и ещё"))) << "one difference, all shown";
}

// --- Ports named twice ---------------------------------------------------------------------------

TEST_F(CliStationTest, APortNamedTwiceIsAUsageError) {
    ASSERT_NO_FATAL_FAILURE(StartSim());
    const QString link = Path(QStringLiteral("radio"));
    ASSERT_TRUE(QFile::link(port_, link));
    const QString plan = PlanFile();
    const QList<QStringList> twice = {
        {QStringLiteral("write"), QStringLiteral("--port"), port_, QStringLiteral("--port"), port_,
         plan},
        {QStringLiteral("station"), QStringLiteral("-p"), port_, QStringLiteral("--port"), port_,
         plan},
        // The same device under another name.
        {QStringLiteral("write"), QStringLiteral("--port"), link, QStringLiteral("--port"), port_,
         plan},
        {QStringLiteral("station"), QStringLiteral("--port"), QStringLiteral("COM1"),
         QStringLiteral("--port"), QStringLiteral("/dev/ttyS0"), plan}};
    for (const QStringList& arguments : twice) {
        CliProcess run(arguments);
        EXPECT_EQ(run.Finish(), 64) << Text(arguments.join(u' ')) << ": " << Text(run.Err());
        EXPECT_TRUE(run.Out().isEmpty()) << Text(run.Out());
        EXPECT_TRUE(run.Err().contains(QStringLiteral("указан дважды")) ||
                    run.Err().contains(QStringLiteral("одно и то же устройство")))
            << Text(run.Err());
        EXPECT_TRUE(run.Err().contains(QStringLiteral("--help"))) << Text(run.Err());
    }
    EXPECT_FALSE(sim_.Log().contains(QStringLiteral("RX"))) << "the radio was not asked";
}

}  // namespace
}  // namespace belvan
