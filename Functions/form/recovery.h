// The window's recovery journal: the plan with changes not kept anywhere else is always on the
// disk too, in the window's own entry of the recovery folder, so no way of ending the program
// loses an edit. An entry goes away only when its plan is safe elsewhere (saved, written to a
// radio that acknowledged it, identical to what was loaded or read) or the operator discards it.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "files/recovery_store.h"

namespace belvan {

class RecoveryJournal {
  public:
    explicit RecoveryJournal(QString folder = RecoveryFolder());
    ~RecoveryJournal();

    const QString& Folder() const { return folder_; }

    // The window's plan now: written to its own entry when it has unsaved changes (and is not
    // already kept in an entry this window holds), the entry removed when it has none. Success,
    // or why the plan could not be kept; the reason stays in Failure() until a keep succeeds.
    Status Keep(const FileBytes& plan, bool unsaved, const RecoveryInfo& info);
    // A plan about to be replaced by a read or a load, kept as an entry of its own.
    Status KeepAside(const FileBytes& plan, const RecoveryInfo& info);
    // The plan is safe elsewhere: every entry this window holds with exactly these bytes goes.
    void Safe(const FileBytes& plan);
    const QString& Failure() const { return failure_; }

    // The entries to offer, newest first: those of windows that are gone, and those this window
    // kept aside or took over (its own running entry is not among them).
    std::vector<RecoveryEntry> Offered() const;
    // An entry's plan as the load reads a file.
    Result<FileBytes> Read(const QString& stem) const;
    // The entry restored into this window is held by it from now on: no other window offers
    // it, and it goes when its plan is safe elsewhere.
    void TakeOver(const QString& stem);
    Status Discard(const QString& stem);

  private:
    QString folder_;
    std::unique_ptr<RecoverySlot> own_;
    std::vector<std::unique_ptr<RecoverySlot>> held_;
    QString failure_;
};

}  // namespace belvan
