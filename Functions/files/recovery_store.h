// Unsaved plans kept where they survive the window that edits them: the recovery folder,
// <the user's data folder>/belvan/recovery. An entry is three files with one stem:
//   STEM.ctrch  the plan as a complete channel-settings file
//   STEM.txt    when it was kept, the file it came from, a label, the plan it started from
//   STEM.lock   held (QLockFile) while the window keeping the entry runs
// An entry whose lock is not held by a running program belongs to a window that is gone: it is
// offered back. Links and special files in the folder are never followed or replaced.
#pragma once

#include <QDateTime>
#include <QLockFile>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "core/error.h"
#include "settings_file.h"

namespace belvan {

// What is kept beside a plan.
struct RecoveryInfo {
    QDateTime kept;  // when the plan was last written
    QString source;  // the file the plan came from; empty when none
    QString label;   // what the entry is, e.g. "до чтения в 14:03"; may be empty
    std::optional<FileBytes> base;  // the plan as it was loaded, read or started

    bool operator==(const RecoveryInfo&) const = default;
};

struct RecoveryEntry {
    QString stem;
    RecoveryInfo info;
};

// <the user's data folder>/belvan/recovery.
QString RecoveryFolder();

// One entry held by this program: its lock is held for the object's life, its files stay on
// the disk when it ends.
class RecoverySlot {
  public:
    // A new entry named "<prefix>-<time>-<process>-<n>", claimed by creating its lock; the folder
    // is made when missing.
    static Result<std::unique_ptr<RecoverySlot>> Claim(const QString& folder,
                                                       const QString& prefix);
    // The entry of a window that is gone, taken over; fails when a running program holds it.
    static Result<std::unique_ptr<RecoverySlot>> Adopt(const QString& folder, const QString& stem);
    ~RecoverySlot();

    // Writes the plan, then what is kept beside it; each replaced only by a complete new file,
    // flushed to the disk. A link or a special file at either path is refused, never followed.
    Status Write(const FileBytes& plan, const RecoveryInfo& info);
    // Removes the entry's files; the lock stays held.
    Status Remove();
    // What was last written, or read when the entry was adopted; nothing once removed.
    const std::optional<FileBytes>& Plan() const { return plan_; }
    const RecoveryInfo& Info() const { return info_; }
    const QString& Stem() const { return stem_; }
    QString PlanPath() const;

  private:
    RecoverySlot(QString folder, QString stem, std::unique_ptr<QLockFile> lock);

    QString folder_;
    QString stem_;
    std::unique_ptr<QLockFile> lock_;
    std::optional<FileBytes> plan_;
    RecoveryInfo info_;
};

// The entries no running program holds, newest first.
std::vector<RecoveryEntry> OrphanedEntries(const QString& folder);
// An entry's plan as the load reads a file: exactly 255 bytes, or why not. The checksum is the
// caller's to check.
Result<FileBytes> ReadRecoveryPlan(const QString& folder, const QString& stem);
QString RecoveryPlanPath(const QString& folder, const QString& stem);
// Removes an entry no running program holds (or this one, through its slot).
Status DiscardEntry(const QString& folder, const QString& stem);
// How many of the 16 channel records differ between two plans.
int DifferingChannels(const FileBytes& a, const FileBytes& b);

}  // namespace belvan
