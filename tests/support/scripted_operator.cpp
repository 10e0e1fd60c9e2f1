#include "scripted_operator.h"

#include <gtest/gtest.h>

namespace belvan::testing {

void ScriptedOperator::ShowMessage(const QString& text, const QString& caption, MessageIcon icon) {
    shown.push_back({ShownMessage::Message, text, caption, icon});
}

Answer ScriptedOperator::AskYesNoCancel(const QString& text, const QString& caption,
                                        MessageIcon icon) {
    shown.push_back({ShownMessage::YesNoCancel, text, caption, icon});
    return TakeAnswer(Answer::Cancel);
}

Answer ScriptedOperator::AskYesNo(const QString& text, const QString& caption, MessageIcon icon) {
    shown.push_back({ShownMessage::YesNo, text, caption, icon});
    const Answer answer = TakeAnswer(Answer::No);
    return answer == Answer::Cancel ? Answer::No : answer;
}

std::optional<QString> ScriptedOperator::ChooseFileToOpen(const FileDialogRequest& request) {
    dialogs.push_back(request);
    return TakeFile("open");
}

std::optional<QString> ScriptedOperator::ChooseFileToSave(const FileDialogRequest& request) {
    dialogs.push_back(request);
    return TakeFile("save");
}

Answer ScriptedOperator::TakeAnswer(Answer unscripted) {
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << shown.back().text.toStdString();
        return unscripted;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<QString> ScriptedOperator::TakeFile(const char* dialog) {
    if (files.empty()) {
        ADD_FAILURE() << "unexpected " << dialog << " dialog";
        return std::nullopt;
    }
    const std::optional<QString> file = files.front();
    files.pop_front();
    return file;
}

const ShownMessage& ScriptedOperator::Last() const {
    static const ShownMessage none{ShownMessage::Message, {}, {}, MessageIcon::Information};
    if (shown.empty()) {
        ADD_FAILURE() << "no message was shown";
        return none;
    }
    return shown.back();
}

void Pick(PlanState& p, const QString& mhz, const QString& khz) {
    p.ctl.ListBox2.index = static_cast<int>(p.ctl.ListBox2.items.indexOf(mhz));
    p.ctl.ListBox3.index = static_cast<int>(p.ctl.ListBox3.items.indexOf(khz));
    ASSERT_GE(p.ctl.ListBox2.index, 0) << Text(mhz);
    ASSERT_GE(p.ctl.ListBox3.index, 0) << Text(khz) << " not in the kHz list";
}

}  // namespace belvan::testing
