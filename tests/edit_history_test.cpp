// The undo history, headless: steps of the real editing operations on a started program.
#include <gtest/gtest.h>

#include "form/edit_history.h"
#include "plan/channel_editing.h"
#include "program_start.h"
#include "scripted_operator.h"

namespace belvan {
namespace {

using testing::ScriptedOperator;
using testing::StartProgram;

class EditHistoryTest : public ::testing::Test {
  protected:
    void SetUp() override { StartProgram(p, op); }
    // Fills the selected channel's both frequencies with the given list positions.
    void Fill(int mhz, int khz) {
        p.ctl.ListBox2.index = mhz;
        p.ctl.ListBox3.index = khz;
        FillReceive(p);
        FillTransmit(p);
    }
    // Runs an operation as the window does: one step when it changed what the operator edits.
    void Step(const QString& name, const std::function<void()>& operation) {
        const EditedState before = EditedStateOf(p);
        operation();
        history.Record(name, before, EditedStateOf(p));
    }

    ScriptedOperator op;
    ProgramState p;
    EditHistory history;
};

TEST_F(EditHistoryTest, UndoAndRedoGiveBackExactlyWhatEachStepFoundAndLeft) {
    const EditedState start = EditedStateOf(p);
    Step(QStringLiteral("заполнение"), [&] { Fill(2, 3); });
    const EditedState filled = EditedStateOf(p);
    ASSERT_NE(filled, start);
    Step(QStringLiteral("очистка всех каналов"), [&] { ClearAllChannels(p); });
    EXPECT_EQ(history.UndoName(), QStringLiteral("очистка всех каналов"));
    EXPECT_TRUE(history.RedoName().isEmpty());

    ASSERT_TRUE(history.Undo(p));
    EXPECT_EQ(EditedStateOf(p), filled);
    EXPECT_EQ(p.ctl.Cell(1, Column::Receive), filled.ctl.Cell(1, Column::Receive));
    EXPECT_EQ(history.RedoName(), QStringLiteral("очистка всех каналов"));
    ASSERT_TRUE(history.Undo(p));
    EXPECT_EQ(EditedStateOf(p), start);
    EXPECT_FALSE(history.Undo(p));
    EXPECT_EQ(EditedStateOf(p), start);

    ASSERT_TRUE(history.Redo(p));
    EXPECT_EQ(EditedStateOf(p), filled);
    // A new step drops the steps undone.
    Step(QStringLiteral("очистка канала"), [&] { ClearSelectedChannel(p); });
    EXPECT_FALSE(history.CanRedo());
    EXPECT_EQ(history.Size(), 2);
}

TEST_F(EditHistoryTest, TheLinksAndTheWindowsOwnPartsAreNeitherStepsNorUndone) {
    // The port's state and the watch change on their own: no step.
    Step(QStringLiteral("порт"), [&] {
        p.ctl.Label1 = QStringLiteral("используется.");
        p.ctl.Timer1 = false;
        p.ctl.Button5Visible = false;
    });
    EXPECT_FALSE(history.CanUndo());
    Step(QStringLiteral("заполнение"), [&] { Fill(0, 1); });
    p.ctl.Label39 = QStringLiteral("Устройство подключено.");
    p.ctl.caption = QStringLiteral("Настройка каналов  Файл: a.ctrch");
    ASSERT_TRUE(history.Undo(p));
    EXPECT_EQ(p.ctl.Label39, QStringLiteral("Устройство подключено."));
    EXPECT_EQ(p.ctl.Label1, QStringLiteral("используется."));
    EXPECT_FALSE(p.ctl.Button5Visible);
    EXPECT_EQ(p.ctl.caption, QStringLiteral("Настройка каналов  Файл: a.ctrch"));
    EXPECT_TRUE(p.ctl.Cell(1, Column::Receive).isEmpty());
}

TEST_F(EditHistoryTest, KeepsItsDepthDroppingTheOldest) {
    EditHistory shallow(3);
    EditedState state = EditedStateOf(p);
    for (int i = 0; i < 5; ++i) {
        EditedState next = state;
        next.ctl.ComboBox4.SetText(QString::number(i));
        shallow.Record(QStringLiteral("шаг %1").arg(i), state, next);
        state = next;
    }
    EXPECT_EQ(shallow.Size(), 3);
    int undone = 0;
    while (shallow.Undo(p)) ++undone;
    EXPECT_EQ(undone, 3);
    EXPECT_EQ(p.ctl.ComboBox4.text, QStringLiteral("1"));
    EXPECT_EQ(EditHistory().Size(), 0);
    EXPECT_GE(EditHistory::kDefaultDepth, 100);
}

TEST_F(EditHistoryTest, ModifiedUntilMarkedCleanAndAgainAfterAnEdit) {
    history.MarkClean(p);
    EXPECT_FALSE(history.IsModified(p));
    p.ctl.Label39 = QStringLiteral("Устройство подключено.");
    EXPECT_FALSE(history.IsModified(p));
    Step(QStringLiteral("заполнение"), [&] { Fill(1, 1); });
    EXPECT_TRUE(history.IsModified(p));
    history.Undo(p);
    EXPECT_FALSE(history.IsModified(p));
}

}  // namespace
}  // namespace belvan
