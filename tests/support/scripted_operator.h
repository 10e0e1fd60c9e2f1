// An operator for tests: answers questions and file dialogs from a script and records every
// message, question and dialog shown.
#pragma once

#include <QString>
#include <deque>
#include <optional>
#include <vector>

#include "core/operator_interface.h"
#include "plan/channel_editing.h"
#include "plan/plan_state.h"
#include "test_text.h"

namespace belvan::testing {

struct ShownMessage {
    enum Kind { Message, YesNoCancel, YesNo } kind;
    QString text;
    QString caption;
    MessageIcon icon;
};

class ScriptedOperator : public OperatorInterface {
  public:
    void ShowMessage(const QString& text, const QString& caption, MessageIcon icon) override;
    Answer AskYesNoCancel(const QString& text, const QString& caption, MessageIcon icon) override;
    Answer AskYesNo(const QString& text, const QString& caption, MessageIcon icon) override;
    std::optional<QString> ChooseFileToOpen(const FileDialogRequest& request) override;
    std::optional<QString> ChooseFileToSave(const FileDialogRequest& request) override;

    // Script: answers and chosen files are taken in order. An unscripted question fails the
    // test and answers Cancel (or No); an unscripted dialog fails the test and is cancelled.
    std::deque<Answer> answers;
    std::deque<std::optional<QString>> files;

    std::vector<ShownMessage> shown;
    std::vector<FileDialogRequest> dialogs;

    // The last message shown; fails the test when there was none.
    const ShownMessage& Last() const;
    // Forgets what was shown.
    void Clear() {
        shown.clear();
        dialogs.clear();
    }

  private:
    // The next scripted answer; `unscripted` when the script has none (that fails the test).
    Answer TakeAnswer(Answer unscripted);
    // The next scripted file; none when the script has none (that fails the test).
    std::optional<QString> TakeFile(const char* dialog);
};

// The plan as the window's creation leaves it, with the operator answering: for the tests of the
// plan and the image, which need no link and no window.
inline void StartPlanWith(PlanState& p, ScriptedOperator& op) {
    p.op = &op;
    StartPlan(p);
}

// Selects a MHz and a kHz item the way the operator clicks them; an item its list does not hold
// fails the test.
void Pick(PlanState& p, const QString& mhz, const QString& khz);

}  // namespace belvan::testing
