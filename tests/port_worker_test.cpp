// One radio on one port as belvan-cli runs it (PortWorker), on an in-memory line: the words of
// each outcome, what a stop leaves undone, and the station's watch around a job. The job itself
// (backup, write, check) is tested in job_test.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <memory>

#include "memory_radio.h"
#include "port_worker.h"

namespace belvan::cli {
namespace {

class PortWorkerTest : public ::testing::Test {
  protected:
    // The worker's line is made and answered on the link's thread; the test looks at the radio
    // only once the worker has told it the job is over.
    std::unique_ptr<PortWorker> MakeWorker() {
        return std::make_unique<PortWorker>(QStringLiteral("memory"),
                                            [this](const QString&) { return radio.MakeLine(); });
    }
    static JobOutcome RunToEnd(PortWorker& worker, const WriteJob& job) {
        QSignalSpy finished(&worker, &PortWorker::finished);
        worker.Run(job);
        EXPECT_TRUE(finished.wait(10000));
        return finished.isEmpty() ? JobOutcome{} : finished.last()[0].value<RadioOutcome>().job;
    }
    MemoryRadio radio;
};

TEST(OutcomeMessageTest, SaysWhichStepFailedExceptWhereTheErrorSaysItAlready) {
    const auto failed = [](JobStep step, ErrorKind kind, const QString& text) {
        JobOutcome outcome;
        outcome.step = step;
        outcome.status = Error{kind, text};
        return OutcomeMessage(outcome);
    };
    const QString noAnswer = OutcomeText(ExchangeOutcome::NoAnswer);
    EXPECT_EQ(failed(JobStep::Open, ErrorKind::PortBusy, QStringLiteral("Порт X занят.")),
              QStringLiteral("Порт X занят."));
    EXPECT_EQ(failed(JobStep::BackupRead, ErrorKind::Exchange, noAnswer),
              QStringLiteral("чтение перед записью: ") + noAnswer);
    EXPECT_EQ(failed(JobStep::Backup, ErrorKind::File, QStringLiteral("нет места на диске")),
              QStringLiteral("резервная копия не сохранена: нет места на диске"));
    EXPECT_EQ(failed(JobStep::Write, ErrorKind::Stopped, kStoppedBeforeWrite), kStoppedBeforeWrite);
    EXPECT_EQ(failed(JobStep::Verify, ErrorKind::Exchange, noAnswer),
              QStringLiteral("проверка: ") + noAnswer);
    EXPECT_EQ(failed(JobStep::Verify, ErrorKind::Mismatch, QStringLiteral("радиостанция …")),
              QStringLiteral("радиостанция …"));

    JobOutcome done;
    EXPECT_EQ(OutcomeMessage(done), QStringLiteral("Параметры записаны"));
    done.step = JobStep::Verify;
    EXPECT_EQ(OutcomeMessage(done), QStringLiteral("Запись проверена"));
}

TEST_F(PortWorkerTest, APortThatDoesNotOpenEndsTheJobWithThePortsKindAndReason) {
    radio.openFailure =
        Error{ErrorKind::PortNoPermission, QStringLiteral("Нет прав на порт memory.")};
    auto worker = MakeWorker();
    QSignalSpy states(worker.get(), &PortWorker::portState);
    const JobOutcome outcome = RunToEnd(*worker, {DifferentImage(1), true, true});
    EXPECT_EQ(outcome.step, JobStep::Open);
    ASSERT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.status.error(), *radio.openFailure);
    EXPECT_EQ(OutcomeMessage(outcome), radio.openFailure->text);
    ASSERT_EQ(states.size(), 1);
    EXPECT_EQ(states[0][1].toString(), radio.openFailure->text);
    EXPECT_EQ(radio.reads + radio.writes, 0);
}

TEST_F(PortWorkerTest, AStopDuringTheBackupReadWritesNothing) {
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    auto worker = MakeWorker();
    QObject::connect(worker.get(), &PortWorker::progress, worker.get(),
                     [&](const LinkProgress& at) {
                         if (at.kind == LinkStage::Request) worker->Stop();
                     });
    const JobOutcome outcome = RunToEnd(*worker, {DifferentImage(0), true, true});
    ASSERT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.status.error().kind, ErrorKind::Stopped);
    EXPECT_FALSE(outcome.backupPath.isEmpty()) << "what the radio held was kept all the same";
    EXPECT_EQ(radio.reads, 1);
    EXPECT_EQ(radio.writes, 0);
    EXPECT_EQ(radio.held, ParameterImage{});
}

TEST_F(PortWorkerTest, AStopDuringTheWriteLetsItAndItsCheckFinish) {
    auto worker = MakeWorker();
    QObject::connect(worker.get(), &PortWorker::progress, worker.get(),
                     [&](const LinkProgress& at) {
                         if (at.kind == LinkStage::WriteChannels) worker->Stop();
                     });
    const JobOutcome outcome = RunToEnd(*worker, {DifferentImage(4), false, true});
    EXPECT_TRUE(outcome.Verified()) << OutcomeMessage(outcome).toStdString();
    EXPECT_EQ(radio.held, DifferentImage(4));
    EXPECT_EQ(radio.reads, 1);
}

TEST_F(PortWorkerTest, TheWatchCountsARadioOnceAroundItsJobAndTheNextAfterAQuietLine) {
    radio.announceAtMs = 50;
    radio.repeats = 10;  // it announces again and again right after its write
    radio.quietMs = kStationQuietMs + 500;
    radio.ackDelayMs = kStationQuietMs / 2;  // the job takes longer than the quiet time
    auto worker = MakeWorker();
    QSignalSpy announced(worker.get(), &PortWorker::announced);
    QSignalSpy again(worker.get(), &PortWorker::announcedAgain);
    QSignalSpy finished(worker.get(), &PortWorker::finished);
    // As the station does: each new radio gets the job.
    QObject::connect(worker.get(), &PortWorker::announced, worker.get(), [&] {
        worker->Run({DifferentImage(2), false, false});
    });
    worker->Watch();
    QDeadlineTimer deadline(10000);
    while (finished.size() < 2 && !deadline.hasExpired()) finished.wait(100);
    ASSERT_EQ(finished.size(), 2);
    EXPECT_EQ(announced.size(), 2);
    EXPECT_EQ(radio.writes, 4);
    // Each repeat is told: the first as the line still busy after the job, the rest as the radio
    // that announced just before.
    ASSERT_EQ(again.size(), radio.repeats);
    EXPECT_EQ(again[0][0].value<StationEvent>(), StationEvent::LineBusy);
    for (int i = 1; i < again.size(); ++i)
        EXPECT_EQ(again[i][0].value<StationEvent>(), StationEvent::SameRadio) << i;
}

TEST_F(PortWorkerTest, APortIsToldOncePerChangeOfItsStateNotAtEveryTry) {
    std::atomic<bool> opens{false};
    std::atomic<int> tries{0};
    const Error failure{ErrorKind::PortUnavailable, QStringLiteral("Порт memory не открывается.")};
    PortWorker worker(QStringLiteral("memory"), [&](const QString&) {
        ++tries;
        auto line = radio.MakeLine();
        if (!opens) line->SetOpenFailure(failure);
        return line;
    });
    QSignalSpy states(&worker, &PortWorker::portState);
    worker.Watch();
    ASSERT_TRUE(QTest::qWaitFor([&] { return tries >= 3; }, 10000));
    opens = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return states.size() >= 2; }, 10000));
    ASSERT_EQ(states.size(), 2) << "tried " << tries << " times";
    EXPECT_EQ(states[0][0].toBool(), false);
    EXPECT_EQ(states[0][1].toString(), failure.text);
    EXPECT_EQ(states[1][0].toBool(), true);
}

}  // namespace
}  // namespace belvan::cli

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
