// Everything the tool says to the operator or asks of them goes through this interface: the
// window answers with message boxes and file dialogs, tests with a script of answers.
#pragma once

#include <QString>
#include <optional>

namespace belvan {

enum class MessageIcon { Error, Information, Warning, Question };
enum class Answer { Yes, No, Cancel };

// A file dialog as the window shows it.
struct FileDialogRequest {
    QString title;
    QString filterDescription;  // "Files for Cantrel (*.ctrch)"
    QString filterPattern;      // "*.ctrch"
    QString proposedName;       // the name last chosen, or the initial one
    bool confirmOverwrite = false;
};

class OperatorInterface {
  public:
    virtual ~OperatorInterface() = default;
    // A modal message with an OK button.
    virtual void ShowMessage(const QString& text, const QString& caption, MessageIcon icon) = 0;
    // A modal question with Yes/No/Cancel buttons; closing the box answers Cancel.
    virtual Answer AskYesNoCancel(const QString& text, const QString& caption,
                                  MessageIcon icon) = 0;
    // A modal question with Yes/No buttons; closing the box answers No.
    virtual Answer AskYesNo(const QString& text, const QString& caption, MessageIcon icon) = 0;
    // The chosen file name, or nothing when the operator cancelled.
    virtual std::optional<QString> ChooseFileToOpen(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> ChooseFileToSave(const FileDialogRequest& request) = 0;
};

// Captions and helpers for the two kinds of message every operation uses.
inline const QString kErrorCaption = QStringLiteral("Ошибка");
inline const QString kToolCaption = QStringLiteral("Belvan-T");

inline void ShowError(OperatorInterface& op, const QString& text) {
    op.ShowMessage(text, kErrorCaption, MessageIcon::Error);
}
inline void ShowInformation(OperatorInterface& op, const QString& text) {
    op.ShowMessage(text, kToolCaption, MessageIcon::Information);
}

}  // namespace belvan
