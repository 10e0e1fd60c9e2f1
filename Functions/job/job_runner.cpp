#include "job_runner.h"

#include <QDateTime>

#include "files/backup.h"

namespace belvan {

void QueuedJobLink::Read(quint64 id) {
    QMetaObject::invokeMethod(link_, [l = link_, id] { l->Read(id); });
}

void QueuedJobLink::Write(quint64 id, const ParameterImage& image) {
    QMetaObject::invokeMethod(link_, [l = link_, id, image] { l->Write(id, image); });
}

namespace {
QString FolderOrDefault(const QString& folder) {
    return folder.isEmpty() ? BackupFolder() : folder;
}
}  // namespace

void JobRunner::StartRead(JobKind kind, const QString& backupFolder) {
    kind_ = kind;
    write_.reset();
    backupFolder_ = FolderOrDefault(backupFolder);
    Ask(false);
}

std::optional<JobOutcome> JobRunner::StartWrite(const ParameterImage& image, bool backupFirst,
                                                bool verify, const QString& backupFolder) {
    kind_ = JobKind::Write;
    write_.emplace(image, backupFirst, verify, FolderOrDefault(backupFolder));
    if (stopping_) write_->Stop();
    return Follow(write_->Start());
}

std::optional<JobOutcome> JobRunner::TakeRead(quint64 id, const ReadResult& result) {
    if (!Awaits(id)) return std::nullopt;
    if (write_) return write_->AwaitsRead() ? Follow(write_->OnRead(result)) : std::nullopt;
    JobOutcome outcome;
    outcome.kind = *kind_;
    outcome.step = JobStep::Read;
    if (!Succeeded(result.outcome)) {
        outcome.status = ExchangeError(result.outcome);
        return End(outcome);
    }
    outcome.image = result.image;
    // Every image read from a radio is kept as a file too.
    const Result<QString> backup =
        WriteBackup(result.image, QDateTime::currentDateTime(), backupFolder_);
    if (backup) {
        outcome.backupPath = *backup;
    } else {
        outcome.backupKept = backup.error();
    }
    return End(outcome);
}

std::optional<JobOutcome> JobRunner::TakeWritten(quint64 id, const WriteResult& result) {
    if (!Awaits(id) || !write_ || !write_->AwaitsWrite()) return std::nullopt;
    return Follow(write_->OnWritten(result));
}

void JobRunner::Stop() {
    stopping_ = true;
    if (write_) write_->Stop();
}

std::optional<JobOutcome> JobRunner::Follow(const JobNext& next) {
    if (const auto* outcome = std::get_if<JobOutcome>(&next)) return End(*outcome);
    if (const auto* request = std::get_if<JobRequest>(&next))
        Ask(*request == JobRequest::WriteImage);
    return std::nullopt;
}

std::optional<JobOutcome> JobRunner::End(JobOutcome outcome) {
    outcome.kind = Kind();
    kind_.reset();
    write_.reset();
    return outcome;
}

void JobRunner::Ask(bool write) {
    ++asked_;
    if (link_) {
        if (write) {
            link_->Write(asked_, write_->Image());
        } else {
            link_->Read(asked_);
        }
    }
}

}  // namespace belvan
