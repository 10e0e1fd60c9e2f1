// belvan-cli station and write run in the background against the radio simulator: their output
// collected as it comes, signals sent, radios plugged in and unplugged, the station's log read.
#pragma once

#include <signal.h>

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QThread>
#include <algorithm>
#include <memory>

#include "files/settings_file.h"
#include "image/parameter_image.h"
#include "link/connection_watch.h"
#include "program_run.h"
#include "radio_sim_process.h"
#include "test_files.h"
#include "test_text.h"

namespace belvan::testing {

// A plan unlike the simulator's own: channels 1 to 4 in use, the rest empty.
inline ParameterImage PlanImage() {
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

}  // namespace belvan::testing
