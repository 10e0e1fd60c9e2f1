// The operator's edits as steps that can be undone and redone. A step is the edited state before
// and after it: the plan, the controls' values the operator edits and the image. What the link
// and the window keep for themselves (the port box and its labels, the watch, the read and write
// buttons' visibility, the caption) is no part of a step and stays as it is when one is undone.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>

#include "files/settings_file.h"
#include "image/image_state.h"

namespace belvan {

// What the operator edits, with the transient parts of the controls left at their design values.
struct EditedState {
    ChannelPlan plan{};
    Controls ctl;
    ParameterImage image{};

    bool operator==(const EditedState&) const = default;
};

// The plan alone, as it would be saved: the 255 bytes of its channel-settings file. When a typed
// value cannot be encoded, the channels with the radio-wide settings last encoded, and the typed
// texts, so that a change to them still counts. What only shows the plan (the channel chosen,
// the lists' positions, the grid's texts) is no part of it.
struct PlanSnapshot {
    FileBytes bytes{};
    QStringList unencoded;

    bool operator==(const PlanSnapshot&) const = default;
};
PlanSnapshot SnapshotOf(const EditedState& edited);

// The edited part of a state.
EditedState EditedStateOf(const ImageState& p);
// Puts an edited state back, leaving the transient parts of the controls as they are now.
void RestoreEditedState(ImageState& p, const EditedState& edited);

class EditHistory {
  public:
    static constexpr int kDefaultDepth = 200;
    explicit EditHistory(int depth = kDefaultDepth) : depth_(depth) {}

    // A step named `name` took the state from `before` to `after`; nothing is kept when the two
    // are equal. Steps undone before are dropped; the oldest goes when the depth is reached.
    // True when a step was kept.
    bool Record(const QString& name, const EditedState& before, const EditedState& after);

    bool CanUndo() const { return done_ > 0; }
    bool CanRedo() const { return done_ < static_cast<int>(steps_.size()); }
    // The name of the step Undo or Redo would take back or do again; empty when there is none.
    QString UndoName() const;
    QString RedoName() const;
    // The state before the last step done, and after the next step undone. False when there is
    // no such step; the state is then untouched.
    bool Undo(ImageState& p);
    bool Redo(ImageState& p);
    int Size() const { return static_cast<int>(steps_.size()); }
    void Clear();

    // "Unsaved changes": the plan differs from the one last saved, loaded, read or written.
    void MarkClean(const ImageState& p) { clean_ = SnapshotOf(EditedStateOf(p)); }
    bool IsModified(const ImageState& p) const { return SnapshotOf(EditedStateOf(p)) != clean_; }
    const PlanSnapshot& Clean() const { return clean_; }

  private:
    struct Step {
        QString name;
        EditedState before;
        EditedState after;
    };
    int depth_;
    std::deque<Step> steps_;
    int done_ = 0;  // steps_[0 .. done_) are done, the rest undone
    PlanSnapshot clean_;
};

}  // namespace belvan
