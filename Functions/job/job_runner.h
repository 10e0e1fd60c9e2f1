// The one runner of the programming jobs: the window's read, compare and write, belvan-cli's read
// and write and the programming station all run theirs here. It asks the link for each exchange
// under a fresh id, takes back only the answer with that id, and ends with a JobOutcome.
//
// No threads and no signals of its own: the caller hands it the link's answers (from RadioLink's
// signals, or straight from a test) and acts on the outcome it returns.
#pragma once

#include <QString>
#include <optional>

#include "job/programming_job.h"
#include "link/radio_link.h"

namespace belvan {

// What the runner asks of the link. The answers (RadioLink's progress, readFinished and
// writeFinished) come back carrying the id of their request.
class JobLink {
  public:
    virtual ~JobLink() = default;
    // Reads the radio's image; readFinished answers with `id`.
    virtual void Read(quint64 id) = 0;
    // Writes `image` into the radio; writeFinished answers with `id`.
    virtual void Write(quint64 id, const ParameterImage& image) = 0;
};

// Queues each request to a RadioLink on its own thread.
class QueuedJobLink : public JobLink {
  public:
    // `link` lives on its LinkThread and outlives this.
    explicit QueuedJobLink(RadioLink* link) : link_(link) {}
    // RadioLink::Read, queued.
    void Read(quint64 id) override;
    // RadioLink::Write, queued.
    void Write(quint64 id, const ParameterImage& image) override;

  private:
    RadioLink* link_;
};

class JobRunner {
  public:
    // Asks `link`; without a link the requests go nowhere and no answer comes.
    explicit JobRunner(JobLink* link = nullptr) : link_(link) {}
    // The link asked from now on.
    void SetLink(JobLink* link) { link_ = link; }

    // Starts a read of the radio (kind Read or Compare). What it held is kept as a backup in
    // `backupFolder` (the user's data folder when empty); a backup that fails fails nothing else.
    void StartRead(JobKind kind, const QString& backupFolder = {});
    // Starts a ProgrammingJob writing `image`; its outcome at once when it ends before asking the
    // link anything (stopped).
    std::optional<JobOutcome> StartWrite(const ParameterImage& image, bool backupFirst, bool verify,
                                         const QString& backupFolder = {});
    // The link's answer to a read; the outcome when the job ended with it, else nothing (the job
    // goes on, or the answer is to no request of the job under way and changes nothing).
    std::optional<JobOutcome> TakeRead(quint64 id, const ReadResult& result);
    // The link's answer to a write; as TakeRead.
    std::optional<JobOutcome> TakeWritten(quint64 id, const WriteResult& result);

    // Progress or an answer with this id belongs to the job under way.
    bool Awaits(quint64 id) const { return Running() && id == asked_; }
    // From now on nothing that would change the radio begins: a write job that has not begun its
    // write ends without it (Stopped); a write under way is finished and checked as asked.
    void Stop();
    // A job is under way.
    bool Running() const { return kind_.has_value(); }
    // The job under way (only while Running).
    JobKind Kind() const { return kind_.value_or(JobKind::Write); }
    // A write has begun and what the radio holds is not confirmed yet.
    bool Unconfirmed() const { return write_ && write_->Unconfirmed(); }

  private:
    std::optional<JobOutcome> Follow(const JobNext& next);
    std::optional<JobOutcome> End(JobOutcome outcome);
    void Ask(bool write);

    JobLink* link_;
    std::optional<JobKind> kind_;
    std::optional<ProgrammingJob> write_;
    QString backupFolder_;
    quint64 asked_ = 0;  // the id of the request whose answer the job waits for
    bool stopping_ = false;
};

}  // namespace belvan
