#include "programming_job.h"

#include <QDateTime>

#include "core/texts.h"
#include "image/image_differences.h"

namespace belvan {

QString VerifyMismatchText(const QStringList& differences) {
    return QStringLiteral("радиостанция подтвердила запись, но хранит другое: ") +
           ListedAtMost(differences, kDifferencesShown, QStringLiteral("; "), QStringLiteral(" "));
}

ProgrammingJob::ProgrammingJob(const ParameterImage& image, bool backupFirst, bool verify,
                               QString backupFolder)
    : image_(image),
      backupFirst_(backupFirst),
      verify_(verify),
      backupFolder_(std::move(backupFolder)) {}

JobNext ProgrammingJob::Start() {
    if (at_ != At::NotStarted) return {};
    if (backupFirst_ && !stopping_) return Ask(At::BackupRead, JobRequest::ReadRadio);
    return BeginWrite();
}

JobNext ProgrammingJob::OnRead(const ReadResult& result) {
    if (at_ == At::BackupRead) {
        if (!Succeeded(result.outcome))
            return End(JobStep::BackupRead, ExchangeError(result.outcome));
        // The radio's contents are kept before anything is written over them, or nothing is.
        const Result<QString> backup =
            WriteBackup(result.image, QDateTime::currentDateTime(), backupFolder_);
        if (!backup) return End(JobStep::Backup, backup.error());
        outcome_.backupPath = *backup;
        return BeginWrite();
    }
    if (at_ != At::Verify) return {};
    if (!Succeeded(result.outcome)) return End(JobStep::Verify, ExchangeError(result.outcome));
    const QStringList differences = ImageDifferences(image_, result.image);
    if (differences.isEmpty()) return End(JobStep::Verify, {});
    outcome_.differences = differences;
    return End(JobStep::Verify, Error{ErrorKind::Mismatch, VerifyMismatchText(differences)});
}

JobNext ProgrammingJob::OnWritten(const WriteResult& result) {
    if (at_ != At::Write) return {};
    if (!Succeeded(result.outcome)) return End(JobStep::Write, ExchangeError(result.outcome));
    // The check goes on after a stop too: it is what confirms the write.
    if (verify_) return Ask(At::Verify, JobRequest::ReadRadio);
    return End(JobStep::Write, {});
}

JobNext ProgrammingJob::Ask(At at, JobRequest request) {
    at_ = at;
    return request;
}

JobNext ProgrammingJob::BeginWrite() {
    if (stopping_) return End(JobStep::Write, Error{ErrorKind::Stopped, kStoppedBeforeWrite});
    return Ask(At::Write, JobRequest::WriteImage);
}

JobNext ProgrammingJob::End(JobStep step, Status status) {
    at_ = At::Ended;
    outcome_.step = step;
    outcome_.status = std::move(status);
    return outcome_;
}

}  // namespace belvan
