// The programming job, headless: driven by the real exchanges over an in-memory line to a radio
// that misbehaves when told, on the line's own clock. Each path (write, backup first, check after)
// and each failure, with what the radio holds and what was kept on disk afterwards.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <vector>

#include "files/settings_file.h"
#include "job/programming_job.h"
#include "link/radio_exchange.h"
#include "memory_radio.h"

namespace belvan {
namespace {

class JobTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(backups.isValid());
        radio.held = before;
        line = radio.MakeLine();
        ASSERT_TRUE(line->Open());
    }

    // Asks the link what the job asks for, as the window and the command line do, until it ends.
    // `beforeAnswer` is called with each request, before the exchange runs.
    JobOutcome Run(ProgrammingJob& job, const std::function<void(JobRequest)>& beforeAnswer = {}) {
        JobNext next = job.Start();
        while (const auto* request = std::get_if<JobRequest>(&next)) {
            requests.push_back(*request);
            if (beforeAnswer) beforeAnswer(*request);
            if (*request == JobRequest::ReadRadio) {
                next = job.OnRead(ReadParameters(*line, 0));
            } else {
                next = job.OnWritten(WriteParameters(*line, job.Image()));
            }
        }
        EXPECT_TRUE(job.Ended());
        EXPECT_FALSE(job.Unconfirmed());
        const auto* outcome = std::get_if<JobOutcome>(&next);
        return outcome ? *outcome : JobOutcome{};
    }
    ProgrammingJob Job(bool backupFirst, bool verify) {
        return ProgrammingJob(image, backupFirst, verify, backups.path());
    }
    QStringList Backups() const { return QDir(backups.path()).entryList(QDir::Files); }

    const ParameterImage before = DifferentImage(3);  // what the radio holds at first
    const ParameterImage image = DifferentImage(0);   // what the job writes
    MemoryRadio radio;
    std::unique_ptr<MemoryLine> line;
    QTemporaryDir backups;
    std::vector<JobRequest> requests;
};

TEST_F(JobTest, AWriteAloneSendsTheImageAndEndsWritten) {
    ProgrammingJob job = Job(false, false);
    const JobOutcome outcome = Run(job);
    EXPECT_TRUE(outcome.Written());
    EXPECT_FALSE(outcome.Verified());
    EXPECT_EQ(requests, std::vector<JobRequest>{JobRequest::WriteImage});
    EXPECT_EQ(radio.held, image);
    EXPECT_TRUE(outcome.backupPath.isEmpty());
    EXPECT_TRUE(Backups().isEmpty());
}

TEST_F(JobTest, ABackupFirstKeepsWhatTheRadioHeldAndACheckConfirmsTheWrite) {
    ProgrammingJob job = Job(true, true);
    const JobOutcome outcome = Run(job);
    EXPECT_TRUE(outcome.Verified()) << outcome.status.error().text.toStdString();
    EXPECT_EQ(outcome.step, JobStep::Verify);
    EXPECT_EQ(requests, (std::vector<JobRequest>{JobRequest::ReadRadio, JobRequest::WriteImage,
                                                 JobRequest::ReadRadio}));
    EXPECT_EQ(radio.held, image);
    EXPECT_TRUE(outcome.differences.isEmpty());
    // The backup is the whole settings file of what the radio held before the write.
    ASSERT_EQ(Backups().size(), 1);
    EXPECT_EQ(outcome.backupPath, QDir(backups.path()).filePath(Backups()[0]));
    const Result<FileBytes> kept = ReadSettingsFile(outcome.backupPath);
    ASSERT_TRUE(kept);
    EXPECT_EQ(*kept, BuildFileBytes(before));
}

TEST_F(JobTest, WithoutItsBackupNothingIsWritten) {
    // The read before the write fails: no backup, no write.
    radio.readsAnswered = 0;
    ProgrammingJob silent = Job(true, true);
    JobOutcome outcome = Run(silent);
    EXPECT_EQ(outcome.step, JobStep::BackupRead);
    ASSERT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.status.error(), ExchangeError(ExchangeOutcome::NoAnswer));
    EXPECT_EQ(outcome.status.error().kind, ErrorKind::Exchange);
    EXPECT_EQ(radio.writes, 0);
    EXPECT_TRUE(Backups().isEmpty());

    // The radio answers, but its contents cannot be kept: a file where the folder should be.
    radio.readsAnswered = -1;
    const QString blocked = QDir(backups.path()).filePath(QStringLiteral("blocked"));
    QFile file(blocked);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ProgrammingJob unkept(image, true, true, blocked);
    requests.clear();
    outcome = Run(unkept);
    EXPECT_EQ(outcome.step, JobStep::Backup);
    ASSERT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.status.error().kind, ErrorKind::File);
    EXPECT_TRUE(outcome.status.error().text.contains(QDir::toNativeSeparators(blocked)))
        << outcome.status.error().text.toStdString();
    EXPECT_TRUE(outcome.backupPath.isEmpty());
    EXPECT_EQ(requests, std::vector<JobRequest>{JobRequest::ReadRadio});
    EXPECT_EQ(radio.writes, 0);
    EXPECT_EQ(radio.held, before);
}

TEST_F(JobTest, AFailedWriteIsNotCheckedAndALostLineIsToldApart) {
    radio.refusesSecondFrame = true;
    ProgrammingJob refused = Job(false, true);
    JobOutcome outcome = Run(refused);
    EXPECT_EQ(outcome.step, JobStep::Write);
    ASSERT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.status.error(), ExchangeError(ExchangeOutcome::SecondFrameRefused));
    EXPECT_EQ(radio.reads, 0) << "a write that failed is not read back";

    // The device goes away during the write.
    radio.refusesSecondFrame = false;
    line->HangUpAt(line->NowMs() + 100);
    ProgrammingJob lost = Job(false, true);
    outcome = Run(lost);
    EXPECT_EQ(outcome.step, JobStep::Write);
    ASSERT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.status.error(),
              (Error{ErrorKind::LineLost, OutcomeText(ExchangeOutcome::LineLost)}));
}

TEST_F(JobTest, ACheckThatCannotReadOrFindsAnotherImageFailsTheJob) {
    // The radio takes the write but does not answer the read after it.
    radio.readsAnswered = 0;
    ProgrammingJob unanswered = Job(false, true);
    JobOutcome outcome = Run(unanswered);
    EXPECT_EQ(outcome.step, JobStep::Verify);
    ASSERT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.status.error(), ExchangeError(ExchangeOutcome::NoAnswer));
    EXPECT_EQ(radio.held, image);

    // It acknowledges both frames and keeps nothing: 16 channels and 20 settings bytes differ,
    // said in one short line that shows the first 16.
    radio = MemoryRadio{};
    radio.keepsWrites = false;
    line = radio.MakeLine();
    ASSERT_TRUE(line->Open());
    ProgrammingJob unkept(DifferentImage(20), false, true, backups.path());
    outcome = Run(unkept);
    EXPECT_EQ(radio.writes, 2);
    EXPECT_EQ(outcome.step, JobStep::Verify);
    ASSERT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.status.error().kind, ErrorKind::Mismatch);
    EXPECT_EQ(outcome.differences.size(), 33);
    const QString& message = outcome.status.error().text;
    EXPECT_TRUE(message.startsWith(
        QStringLiteral("радиостанция подтвердила запись, но хранит другое: канал 01: ")))
        << message.toStdString();
    EXPECT_EQ(message.count(QStringLiteral("; ")), 15) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("канал 16: ")));
    EXPECT_TRUE(message.endsWith(QStringLiteral(" … и ещё 17"))) << message.toStdString();
    EXPECT_FALSE(message.contains(u'\n'));
    EXPECT_LT(message.size(), 2000);
}

TEST_F(JobTest, AStopBeginsNoWriteButLetsAWriteUnderWayBeCheckedAndConfirmed) {
    // Before the job began: it ends at once and asks for nothing.
    ProgrammingJob early = Job(true, true);
    early.Stop();
    JobOutcome outcome = Run(early);
    EXPECT_TRUE(requests.empty());
    ASSERT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.status.error(), (Error{ErrorKind::Stopped, kStoppedBeforeWrite}));

    // During the backup's read: what the radio held is kept all the same, nothing is written.
    ProgrammingJob duringBackup = Job(true, true);
    outcome = Run(duringBackup, [&](JobRequest) { duringBackup.Stop(); });
    EXPECT_EQ(outcome.step, JobStep::Write);
    ASSERT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.status.error().kind, ErrorKind::Stopped);
    EXPECT_FALSE(outcome.backupPath.isEmpty());
    EXPECT_EQ(Backups().size(), 1);
    EXPECT_EQ(radio.writes, 0);
    EXPECT_EQ(radio.held, before);

    // During the write: the write and its check go on, since they confirm it.
    ProgrammingJob duringWrite = Job(false, true);
    requests.clear();
    outcome = Run(duringWrite, [&](JobRequest request) {
        if (request == JobRequest::WriteImage) {
            duringWrite.Stop();
            EXPECT_TRUE(duringWrite.Unconfirmed());
        }
    });
    EXPECT_TRUE(outcome.Verified());
    EXPECT_EQ(requests.size(), 2u);
    EXPECT_EQ(radio.held, image);
}

TEST_F(JobTest, AnAnswerTheJobDoesNotWaitForChangesNothing) {
    ProgrammingJob job = Job(false, true);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(job.OnWritten(WriteResult{})))
        << "not started";
    EXPECT_EQ(std::get<JobRequest>(job.Start()), JobRequest::WriteImage);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(job.OnRead(ReadResult{})));
    EXPECT_TRUE(job.AwaitsWrite());
    EXPECT_TRUE(std::holds_alternative<std::monostate>(job.Start())) << "started once only";
    WriteResult written;
    written.outcome = ExchangeOutcome::Written;
    EXPECT_EQ(std::get<JobRequest>(job.OnWritten(written)), JobRequest::ReadRadio);
    EXPECT_TRUE(job.AwaitsRead());
    EXPECT_TRUE(std::holds_alternative<std::monostate>(job.OnWritten(written)));
}

TEST(VerifyMismatchTextTest, SaysTheWriteWasAcknowledgedAndShowsAtMostSixteenDifferences) {
    QStringList differences;
    for (int i = 1; i <= 17; ++i) differences << QStringLiteral("отличие %1").arg(i);
    const QString sixteen = VerifyMismatchText(differences.mid(0, 16));
    EXPECT_TRUE(sixteen.startsWith(
        QStringLiteral("радиостанция подтвердила запись, но хранит другое: отличие 1; ")));
    EXPECT_TRUE(sixteen.endsWith(QStringLiteral("; отличие 16"))) << sixteen.toStdString();
    EXPECT_EQ(VerifyMismatchText(differences), sixteen + QStringLiteral(" … и ещё 1"));
}

}  // namespace
}  // namespace belvan
