#include "scripted_operator.h"

#include <gtest/gtest.h>

namespace belvan::testing {

void ScriptedOperator::ShowMessage(const QString& text, const QString& caption, MessageIcon icon) {
    shown.push_back({ShownMessage::Message, text, caption, icon});
}

Answer ScriptedOperator::AskYesNoCancel(const QString& text, const QString& caption,
                                        MessageIcon icon) {
    shown.push_back({ShownMessage::YesNoCancel, text, caption, icon});
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return Answer::Cancel;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

Answer ScriptedOperator::AskYesNo(const QString& text, const QString& caption, MessageIcon icon) {
    shown.push_back({ShownMessage::YesNo, text, caption, icon});
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return Answer::No;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    return answer == Answer::Cancel ? Answer::No : answer;
}

std::optional<QString> ScriptedOperator::ChooseFileToOpen(const FileDialogRequest& request) {
    dialogs.push_back(request);
    if (files.empty()) {
        ADD_FAILURE() << "unexpected open dialog";
        return std::nullopt;
    }
    return TakeFile();
}

std::optional<QString> ScriptedOperator::ChooseFileToSave(const FileDialogRequest& request) {
    dialogs.push_back(request);
    if (files.empty()) {
        ADD_FAILURE() << "unexpected save dialog";
        return std::nullopt;
    }
    return TakeFile();
}

std::optional<QString> ScriptedOperator::TakeFile() {
    const bool chosen = files.front().has_value();
    const QString name = chosen ? *files.front() : QString();
    files.pop_front();
    if (!chosen) return std::nullopt;
    return name;
}

const ShownMessage& ScriptedOperator::Last() const {
    static const ShownMessage none{ShownMessage::Message, {}, {}, MessageIcon::Information};
    if (shown.empty()) {
        ADD_FAILURE() << "no message was shown";
        return none;
    }
    return shown.back();
}

}  // namespace belvan::testing
