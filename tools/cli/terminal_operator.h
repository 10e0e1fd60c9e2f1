// The operator at a terminal: messages go to stderr, questions are answered by the command-line
// flags, and the file dialog returns the file named on the command line.
#pragma once

#include <QString>
#include <optional>

#include "console.h"
#include "operator_interface.h"

namespace belvan::cli {

class TerminalOperator : public OperatorInterface {
  public:
    // With `force` every question is answered Yes, without it No (Cancel where offered). The one
    // question the verbs can meet is whether to load a file whose checksum does not match.
    TerminalOperator(ProgressLine& progress, bool force) : progress_(progress), force_(force) {}

    // The file the open dialog returns; without one the dialog is cancelled.
    void SetFileToOpen(const QString& path) { fileToOpen_ = path; }

    void ShowMessage(const QString& text, const QString& caption, MessageIcon icon) override;
    Answer AskYesNoCancel(const QString& text, const QString& caption, MessageIcon icon) override;
    Answer AskYesNo(const QString& text, const QString& caption, MessageIcon icon) override;
    std::optional<QString> ChooseFileToOpen(const FileDialogRequest& request) override;
    std::optional<QString> ChooseFileToSave(const FileDialogRequest& request) override;

    // What the operations said: how many errors were shown and how many questions refused.
    int ErrorsShown() const { return errorsShown_; }
    int QuestionsRefused() const { return questionsRefused_; }

  private:
    Answer Ask(const QString& text, Answer refusal);

    ProgressLine& progress_;
    bool force_;
    std::optional<QString> fileToOpen_;
    int errorsShown_ = 0;
    int questionsRefused_ = 0;
};

}  // namespace belvan::cli
