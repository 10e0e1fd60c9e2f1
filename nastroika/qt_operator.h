// The operator interface on Qt: message boxes with Russian buttons and the two file dialogs.
#pragma once

#include <QWidget>

#include "core/operator_interface.h"

namespace belvan {

class QtOperator : public OperatorInterface {
  public:
    explicit QtOperator(QWidget* owner) : owner_(owner) {}

    void ShowMessage(const QString& text, const QString& caption, MessageIcon icon) override;
    Answer AskYesNoCancel(const QString& text, const QString& caption, MessageIcon icon) override;
    Answer AskYesNo(const QString& text, const QString& caption, MessageIcon icon) override;
    std::optional<QString> ChooseFileToOpen(const FileDialogRequest& request) override;
    std::optional<QString> ChooseFileToSave(const FileDialogRequest& request) override;

  private:
    // Where a dialog opens: in the proposed name's folder when it has one, else in the folder
    // the last dialog was answered in (at first the user's documents).
    QString Where(const QString& proposedName) const;
    void Remember(const QString& chosen);

    QWidget* owner_;
    QString lastFolder_;
};

}  // namespace belvan
