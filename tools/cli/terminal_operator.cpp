#include "terminal_operator.h"

namespace belvan::cli {

void TerminalOperator::ShowMessage(const QString& text, const QString&, MessageIcon icon) {
    progress_.Finish();
    switch (icon) {
        case MessageIcon::Error:
            ++errorsShown_;
            ErrLine(QStringLiteral("Ошибка: ") + text);
            break;
        case MessageIcon::Warning:
            ErrLine(QStringLiteral("Предупреждение: ") + text);
            break;
        case MessageIcon::Information:
        case MessageIcon::Question:
            ErrLine(text);
            break;
    }
}

Answer TerminalOperator::Ask(const QString& text, Answer refusal) {
    progress_.Finish();
    if (force_) {
        ErrLine(text + QStringLiteral("\nОтвет: да (--force)."));
        return Answer::Yes;
    }
    ++questionsRefused_;
    ErrLine(text + QStringLiteral("\nОтвет: нет. Чтобы ответить «да», добавьте --force."));
    return refusal;
}

Answer TerminalOperator::AskYesNoCancel(const QString& text, const QString&, MessageIcon) {
    return Ask(text, Answer::Cancel);
}

Answer TerminalOperator::AskYesNo(const QString& text, const QString&, MessageIcon) {
    return Ask(text, Answer::No);
}

std::optional<QString> TerminalOperator::ChooseFileToOpen(const FileDialogRequest&) {
    return fileToOpen_;
}

std::optional<QString> TerminalOperator::ChooseFileToSave(const FileDialogRequest&) {
    return std::nullopt;
}

}  // namespace belvan::cli
