// The programming job: writing an image into a radio, with an optional backup of what the radio
// held first and an optional read-back and compare after. One job for the window's "Записать",
// belvan-cli write (one radio or many) and the programming station.
//
// A plain state machine, no threads and no signals: the job says what to ask of the link, the
// caller asks, and hands the link's answer back; the job answers with the next request or, at the
// end, with the outcome. It keeps the backup and compares the images itself.
#pragma once

#include <QString>
#include <QStringList>
#include <variant>

#include "core/error.h"
#include "files/backup.h"
#include "image/parameter_image.h"
#include "link/radio_exchange.h"

namespace belvan {

// What the job asks of the link: a read of the radio (for the backup, or to check the write), or
// the write of the job's image.
enum class JobRequest { ReadRadio, WriteImage };

// What a job does: read the radio (its image taken in by the window, or kept by belvan-cli),
// read it to compare with the plan on screen, or write an image into it.
enum class JobKind { Read, Compare, Write };

// The steps of a job, in order.
enum class JobStep {
    Open,        // the port opened: reported by a caller that opens the port for the job
    Read,        // the radio read (a read or a compare)
    BackupRead,  // the radio read before the write
    Backup,      // what it held kept as a file
    Write,       // the image written
    Verify,      // the radio read back and compared
};

// How a job ended.
struct JobOutcome {
    JobKind kind = JobKind::Write;
    // The step that failed or was not begun (a stop); on success Write, or Verify when checked.
    JobStep step = JobStep::Write;
    // Success, or why the step failed: the port's kind for a port that did not open, Exchange or
    // LineLost from the link, File for a backup that could not be kept, Mismatch for a radio
    // that holds something else, Stopped for a stop before the write.
    Status status;
    QString backupPath;       // the backup kept before the write, or of what was read, if any
    Status backupKept;        // a read's backup that could not be kept (the read stands)
    QStringList differences;  // what the radio holds otherwise (Mismatch)
    ParameterImage image{};   // what a read or a compare read

    bool Succeeded() const { return status.has_value(); }
    // The radio acknowledged the write and nothing more; or read back equal to the image.
    bool Written() const { return Succeeded() && step == JobStep::Write; }
    bool Verified() const { return Succeeded() && step == JobStep::Verify; }
};

// The next thing the caller does: ask the link, or take the outcome; nothing after an answer the
// job did not wait for.
using JobNext = std::variant<std::monostate, JobRequest, JobOutcome>;

// What the check found in one line: that the radio acknowledged the frames comes first, then at
// most kDifferencesShown differences and how many more there are.
inline constexpr int kDifferencesShown = 16;
QString VerifyMismatchText(const QStringList& differences);

// The text of a stop before the write.
inline const QString kStoppedBeforeWrite =
    QStringLiteral("остановлено до записи; радиостанция не изменялась");

class ProgrammingJob {
  public:
    // `backupFolder` receives the backup when `backupFirst`; without that backup nothing is
    // written.
    ProgrammingJob(const ParameterImage& image, bool backupFirst, bool verify,
                   QString backupFolder = BackupFolder());

    // The first request: the read for the backup, or the write. A job stopped before it began
    // ends at once, writing nothing.
    JobNext Start();
    // The link's answer to the job's read or write. An answer the job does not wait for changes
    // nothing and asks for nothing.
    JobNext OnRead(const ReadResult& result);
    JobNext OnWritten(const WriteResult& result);

    // Begins no exchange that would change the radio: a job that has not begun its write ends
    // without it (Stopped); a write under way is finished and checked as asked.
    void Stop() { stopping_ = true; }

    const ParameterImage& Image() const { return image_; }
    // The answer the job waits for: none before Start and after the end.
    bool AwaitsRead() const { return at_ == At::BackupRead || at_ == At::Verify; }
    bool AwaitsWrite() const { return at_ == At::Write; }
    // A write has begun and its result is not confirmed yet (the write, or the check after it).
    bool Unconfirmed() const { return at_ == At::Write || at_ == At::Verify; }
    bool Ended() const { return at_ == At::Ended; }

  private:
    enum class At { NotStarted, BackupRead, Write, Verify, Ended };

    JobNext Ask(At at, JobRequest request);
    JobNext BeginWrite();
    JobNext End(JobStep step, Status status);

    ParameterImage image_;
    bool backupFirst_;
    bool verify_;
    QString backupFolder_;
    bool stopping_ = false;
    At at_ = At::NotStarted;
    JobOutcome outcome_;
};

}  // namespace belvan
