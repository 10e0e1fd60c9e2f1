#include "edit_history.h"

#include "image/encoding.h"

namespace belvan {

namespace {
// The parts of the controls that the link and the window set for themselves.
void CopyTransient(const Controls& from, Controls& to) {
    to.caption = from.caption;
    to.ComboBox1 = from.ComboBox1;
    to.Label1 = from.Label1;
    to.label1Red = from.label1Red;
    to.label1Reason = from.label1Reason;
    to.Label39 = from.Label39;
    to.Timer1 = from.Timer1;
    to.Button5Visible = from.Button5Visible;
    to.Button6Visible = from.Button6Visible;
}
}  // namespace

PlanSnapshot SnapshotOf(const EditedState& edited) {
    PlanSnapshot snapshot;
    ParameterImage image = edited.image;
    if (const Result<PlanImage> made = MakeImage(edited.plan, edited.ctl, edited.image)) {
        image = made->image;
    } else {
        for (int c = 0; c < kChannelCount; ++c)
            image.SetRecord(c, edited.plan[static_cast<std::size_t>(c)]);
        const Controls& c = edited.ctl;
        snapshot.unencoded << c.ComboBox4.text << c.ComboBox29.text << c.ComboBox30.text;
        for (const ComboState& box : c.toneBoxes) snapshot.unencoded << box.text;
        for (const ComboState& box : c.keyBoxes) snapshot.unencoded << box.text;
    }
    snapshot.bytes = BuildFileBytes(image);
    return snapshot;
}

EditedState EditedStateOf(const ImageState& p) {
    EditedState edited{p.plan, p.ctl, p.image};
    CopyTransient(Controls{}, edited.ctl);
    return edited;
}

void RestoreEditedState(ImageState& p, const EditedState& edited) {
    Controls ctl = edited.ctl;
    CopyTransient(p.ctl, ctl);
    p.ctl = ctl;
    p.plan = edited.plan;
    p.image = edited.image;
    p.BulkUpdateGuard = false;
}

bool EditHistory::Record(const QString& name, const EditedState& before, const EditedState& after) {
    if (before == after) return false;
    steps_.erase(steps_.begin() + done_, steps_.end());
    steps_.push_back({name, before, after});
    while (static_cast<int>(steps_.size()) > depth_) steps_.pop_front();
    done_ = static_cast<int>(steps_.size());
    return true;
}

QString EditHistory::UndoName() const {
    return CanUndo() ? steps_[done_ - 1].name : QString();
}

QString EditHistory::RedoName() const {
    return CanRedo() ? steps_[done_].name : QString();
}

bool EditHistory::Undo(ImageState& p) {
    if (!CanUndo()) return false;
    --done_;
    RestoreEditedState(p, steps_[done_].before);
    return true;
}

bool EditHistory::Redo(ImageState& p) {
    if (!CanRedo()) return false;
    RestoreEditedState(p, steps_[done_].after);
    ++done_;
    return true;
}

void EditHistory::Clear() {
    steps_.clear();
    done_ = 0;
}

}  // namespace belvan
