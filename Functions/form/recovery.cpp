#include "recovery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

namespace belvan {

namespace {
// Where the previous version kept the plan of the last session; taken into the recovery folder
// as an entry of a window that is gone.
QString OldSessionFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/belvan/session.ctrch");
}

void TakeInOldSessionFile(const QString& folder) {
    const QString old = OldSessionFile();
    if (!QFileInfo(old).isFile() || QFileInfo(old).isSymLink()) return;
    const Result<FileBytes> plan = ReadSettingsFile(old);
    if (!plan) return;
    const auto slot = RecoverySlot::Claim(folder, QStringLiteral("session"));
    if (!slot) return;
    const RecoveryInfo info{
        QFileInfo(old).lastModified(), {}, QStringLiteral("план прошлого сеанса"), std::nullopt};
    if ((*slot)->Write(*plan, info)) QFile::remove(old);
}
}  // namespace

RecoveryJournal::RecoveryJournal(QString folder) : folder_(std::move(folder)) {
    TakeInOldSessionFile(folder_);
}

RecoveryJournal::~RecoveryJournal() = default;

Status RecoveryJournal::Keep(const FileBytes& plan, bool unsaved, const RecoveryInfo& info) {
    const bool heldElsewhere = std::any_of(held_.begin(), held_.end(),
                                           [&](const auto& slot) { return slot->Plan() == plan; });
    Status kept;
    if (!unsaved || heldElsewhere) {
        if (own_ && own_->Plan()) kept = own_->Remove();
    } else {
        if (!own_) {
            auto claimed = RecoverySlot::Claim(folder_, QStringLiteral("window"));
            if (!claimed) {
                failure_ = claimed.error().text;
                return claimed.error();
            }
            own_ = std::move(*claimed);
        }
        const RecoveryInfo& last = own_->Info();
        if (own_->Plan() != plan || last.source != info.source || last.base != info.base ||
            !failure_.isEmpty())
            kept = own_->Write(plan, info);
    }
    failure_ = kept ? QString() : kept.error().text;
    return kept;
}

Status RecoveryJournal::KeepAside(const FileBytes& plan, const RecoveryInfo& info) {
    auto claimed = RecoverySlot::Claim(folder_, QStringLiteral("aside"));
    if (!claimed) return claimed.error();
    if (Status written = (*claimed)->Write(plan, info); !written) {
        (void)(*claimed)->Remove();
        return written;
    }
    held_.push_back(std::move(*claimed));
    return {};
}

void RecoveryJournal::Safe(const FileBytes& plan) {
    for (auto slot = held_.begin(); slot != held_.end();) {
        if ((*slot)->Plan() == plan && (*slot)->Remove()) {
            slot = held_.erase(slot);
        } else {
            ++slot;
        }
    }
}

std::vector<RecoveryEntry> RecoveryJournal::Offered() const {
    std::vector<RecoveryEntry> entries = OrphanedEntries(folder_);
    for (const auto& slot : held_)
        if (slot->Plan()) entries.push_back({slot->Stem(), slot->Info()});
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const RecoveryEntry& a, const RecoveryEntry& b) { return a.info.kept > b.info.kept; });
    return entries;
}

Result<FileBytes> RecoveryJournal::Read(const QString& stem) const {
    return ReadRecoveryPlan(folder_, stem);
}

void RecoveryJournal::TakeOver(const QString& stem) {
    if (std::any_of(held_.begin(), held_.end(),
                    [&](const auto& slot) { return slot->Stem() == stem; }))
        return;
    // Another window that took it over first keeps it; the plan is in this window all the same.
    if (auto adopted = RecoverySlot::Adopt(folder_, stem)) held_.push_back(std::move(*adopted));
}

Status RecoveryJournal::Discard(const QString& stem) {
    for (auto slot = held_.begin(); slot != held_.end(); ++slot) {
        if ((*slot)->Stem() != stem) continue;
        const Status removed = (*slot)->Remove();
        if (removed) held_.erase(slot);
        return removed;
    }
    return DiscardEntry(folder_, stem);
}

}  // namespace belvan
