// belvan-cli station and write at their edges, as the operator runs them: the real binary against
// the radio simulator on a pseudo-terminal, with line noise, a radio that announces over and over,
// real signals, a log that cannot be written and ports named twice.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <functional>
#include <utility>

#include "file_limits.h"
#include "files/settings_file.h"
#include "image/parameter_image.h"
#include "link/connection_watch.h"
#include "link/line.h"
#include "program_run.h"
#include "radio_sim_process.h"
#include "test_files.h"
#include "test_text.h"

namespace belvan {
namespace {

using testing::Text;

// A plan unlike the simulator's own: channels 1 to 4 in use, the rest empty.
ParameterImage PlanImage() {
    ParameterImage image;
    for (int c = 0; c < kChannelCount; ++c) {
        ChannelEntry entry;
        entry.flags = ChannelFlag::Step25;
        entry.rxCode = entry.txCode = NoFrequency;
        if (c < 4) {
            entry.flags |= ChannelFlag::InUse;
            entry.rxCode = static_cast<std::uint16_t>(400 + 4 * c);
            entry.txCode = static_cast<std::uint16_t>(402 + 4 * c);
        }
        image.SetRecord(c, entry);
    }
    image.SetSettingsWord(SettingsOffset::waitTime, 200);
    image.SetSettingsWord(SettingsOffset::maxTransmitTime, 1200);
    image.SetSettingsWord(SettingsOffset::transmitOffTime, 400);
    return image;
}

// belvan-cli running in the background, its output collected as it comes.
class CliProcess {
  public:
    // `reader`: a process that standard output is piped into, started along with it.
    explicit CliProcess(const QStringList& arguments, QProcess* reader = nullptr) {
        if (reader) process_.setStandardOutputProcess(reader);
        process_.start(testing::CliProgram(), arguments);
        started_ = process_.waitForStarted(5000);
    }
    ~CliProcess() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    bool Started() const { return started_; }

    void Signal(int number) { ::kill(static_cast<pid_t>(process_.processId()), number); }

    // Waits until stdout holds `count` rows of the port that say `result`; false if it did not
    // in time.
    bool WaitForRows(const QString& port, int count, const QString& result = kWritten,
                     int timeoutMs = 15000) {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            Pump(0);
            if (Rows(port, result).size() >= count) return true;
            if (deadline.hasExpired() || process_.state() == QProcess::NotRunning) return false;
            Pump(50);
        }
    }
    // Waits until stderr contains the text.
    bool WaitForErr(const QString& text, int timeoutMs = 15000) {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            Pump(0);
            if (err_.contains(text)) return true;
            if (deadline.hasExpired() || process_.state() == QProcess::NotRunning) return false;
            Pump(50);
        }
    }
    // Lets it run for ms, collecting its output.
    void RunFor(int ms) {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired() && process_.state() != QProcess::NotRunning)
            Pump(static_cast<int>(std::min<qint64>(deadline.remainingTime(), 50)));
        Pump(0);
    }
    // Once signalled, waits for its word that a second signal ends it at once and signals
    // again; the exit code, -1 if the word did not come, it crashed or would not end.
    int SignalAgain(int number) {
        if (!WaitForErr(QStringLiteral("Ctrl+C ещё раз"), 3000)) return -1;
        Signal(number);
        return Finish();
    }
    // The exit code once it has ended by itself; -1 if it crashed or would not end.
    int Finish(int timeoutMs = 15000) {
        if (!process_.waitForFinished(timeoutMs)) return -1;
        Pump(0);
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    bool Running() const { return process_.state() != QProcess::NotRunning; }

    const QString& Out() const { return out_; }
    const QString& Err() const { return err_; }
    // The stdout lines that report a radio of this port ("... PORT: успех — ..."), of a written
    // radio (успех or ОШИБКА) unless `result` says which.
    static inline const QString kWritten = QStringLiteral("(успех|ОШИБКА)");
    QStringList Rows(const QString& port, const QString& result = kWritten) const {
        const QRegularExpression row(
            QStringLiteral(" %1: %2 — ").arg(QRegularExpression::escape(port), result));
        return out_.split(u'\n').filter(row);
    }

  private:
    void Pump(int ms) {
        if (ms > 0 && process_.state() != QProcess::NotRunning) process_.waitForReadyRead(ms);
        out_ += QString::fromUtf8(process_.readAllStandardOutput());
        err_ += QString::fromUtf8(process_.readAllStandardError());
    }

    QProcess process_;
    bool started_ = false;
    QString out_;
    QString err_;
};

class CliStationTest : public ::testing::Test,
                       protected testing::TestFolder,
                       protected testing::SimulatorFixture {
  protected:
    QString PlanFile() {
        const QString path = Path(QStringLiteral("plan.ctrch"));
        EXPECT_TRUE(WriteSettingsFile(path, BuildFileBytes(PlanImage())).has_value());
        return path;
    }
    // The station's log, and its rows.
    QString LogFile() const { return Path(QStringLiteral("report.csv")); }
    QStringList LogRows() const {
        return QString::fromUtf8(testing::ReadAll(LogFile())).split(u'\n', Qt::SkipEmptyParts);
    }
    // A radio plugged in: it announces itself, and the station reports `rows` radios written in
    // all.
    void PlugInARadio(CliProcess& station, int rows) {
        ASSERT_TRUE(sim_.Command(QStringLiteral("announce")).ok);
        ASSERT_TRUE(station.WaitForRows(port_, rows)) << Text(station.Err()) << Text(station.Out());
    }
    // The radio unplugged and the line quiet for longer than the station's quiet time, so that
    // the next announcement is a new radio. The wait is the scenario, an operator swapping
    // radios; it starts once the last row was seen, so it is never shorter than meant.
    static void UnplugAndWaitOutTheQuietTime() { QThread::msleep(kStationQuietMs + 1000); }
    // Waits until the radio has taken the first frame of a write: a signal now falls into it.
    void WaitForTheFirstWriteFrame() {
        ASSERT_TRUE(sim_.WaitForLog(QStringLiteral("WRITE first frame taken"), 5000));
    }
    // A radio plugged in, and its write under way.
    void AnnounceAndWaitForTheWrite() {
        ASSERT_TRUE(sim_.Command(QStringLiteral("announce")).ok);
        ASSERT_NO_FATAL_FAILURE(WaitForTheFirstWriteFrame());
    }
    // The one stderr line that names the radios left in an unknown state names the port.
    void ExpectTheUnknownRadioNamed(const QString& err) {
        const QStringList unknown = err.split(u'\n').filter(QStringLiteral("неизвестно"));
        ASSERT_EQ(unknown.size(), 1) << Text(err);
        EXPECT_TRUE(unknown[0].contains(port_)) << Text(unknown[0]);
    }
    // A simulator started with these arguments, a station with its log on its port, the radio
    // plugged in, and the station given the signal while the radio's write is under way.
    void SignalWritingStation(std::unique_ptr<CliProcess>& station, const QStringList& sim,
                              int signal) {
        ASSERT_NO_FATAL_FAILURE(StartSim(sim));
        station = Station({QStringLiteral("--log"), LogFile()});
        ASSERT_NO_FATAL_FAILURE(AnnounceAndWaitForTheWrite());
        station->Signal(signal);
    }
    // The station reported one radio on the port, in a row that says `text`.
    void ExpectOneRowSaying(const CliProcess& station, const QString& text) {
        const QStringList rows = station.Rows(port_);
        ASSERT_EQ(rows.size(), 1) << Text(station.Out());
        EXPECT_TRUE(rows[0].contains(text)) << Text(rows[0]);
    }
    // Starts a station on the simulator's port and waits until it watches it.
    std::unique_ptr<CliProcess> Station(const QStringList& options) {
        auto station =
            std::make_unique<CliProcess>(QStringList{QStringLiteral("station")} + options +
                                         QStringList{QStringLiteral("--port"), port_, PlanFile()});
        EXPECT_TRUE(station->Started());
        EXPECT_TRUE(station->WaitForErr(QStringLiteral("ожидание радиостанции"), 5000))
            << Text(station->Err());
        return station;
    }
};

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

// --- Signals -------------------------------------------------------------------------------------

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

// --- The log -------------------------------------------------------------------------------------

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
