// The channel table offscreen with real clicks and keys: frequencies typed into its cells, Space
// on its marks, rows selected for one command and one undo step, a channel moved with its tone.
#include <gtest/gtest.h>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "channel_table.h"
#include "nastroika.h"
#include "scripted_operator.h"

namespace belvan {
namespace {

class ChannelTableWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    QString Cell(int row, int column) const { return table->item(row, column)->text(); }
    QPoint At(int row, int column) const {
        return table->visualItemRect(table->item(row, column)).center();
    }
    void Click(int row, int column, Qt::KeyboardModifiers keys = {}) {
        QTest::mouseClick(table->viewport(), Qt::LeftButton, keys, At(row, column));
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers keys = {}) { QTest::keyClick(table, key, keys); }
    // Opens the cell (F2, Enter, or a double-click for Key_unknown), types and ends with `end`.
    void Type(int row, int column, const QString& text, Qt::Key open = Qt::Key_F2,
              Qt::Key end = Qt::Key_Return) {
        Click(row, column);
        if (open == Qt::Key_unknown)
            QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, At(row, column));
        else
            Key(open);
        QLineEdit* editor = table->viewport()->findChildren<QLineEdit*>().value(0);
        ASSERT_TRUE(editor && editor->isVisible());
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, end);
        QTRY_VERIFY(table->viewport()->findChildren<QLineEdit*>().isEmpty());
        QCoreApplication::sendPostedEvents();  // the text is taken once the editor has closed
    }
    auto Kept() { return std::tuple(form.State().plan, form.State().ctl.StringGrid1); }

    testing::ScriptedOperator op;
    QTemporaryDir recovery;
    TForm1 form{
        {.port = QStringLiteral("/dev/null/x"), .op = &op, .recoveryFolder = recovery.path()}};
    QTableWidget* table = form.StringGrid1;
};

TEST_F(ChannelTableWindowTest, AFrequencyIsTypedIntoItsCellAndARefusalSaysWhy) {
    const struct {
        Qt::Key open, end;
        int row, column;
        const char *typed, *cell, *refusal;
    } cases[] = {
        {Qt::Key_F2, Qt::Key_Return, 0, Column::Receive, "151,25", "    151250", ""},
        {Qt::Key_Return, Qt::Key_Enter, 0, Column::Transmit, "151.250", "    151250", ""},
        {Qt::Key_unknown, Qt::Key_Return, 1, Column::Receive, "160500", "    160500", ""},
        {Qt::Key_F2, Qt::Key_Return, 1, Column::Receive, "175", "    160500", "вне диапазона"},
        {Qt::Key_F2, Qt::Key_Escape, 1, Column::Receive, "152", "    160500", ""},
    };
    for (const auto& c : cases) {
        const int steps = form.History().Size();
        op.Clear();
        Type(c.row, c.column, QString::fromUtf8(c.typed), c.open, c.end);
        EXPECT_EQ(Cell(c.row, c.column).toStdString(), c.cell) << c.typed;
        EXPECT_EQ(form.ListBox1->currentRow(), c.row) << c.typed;
        EXPECT_EQ(form.History().Size() - steps, c.end != Qt::Key_Escape && !*c.refusal);
        EXPECT_TRUE(*c.refusal ? op.Last().text.contains(QString::fromUtf8(c.refusal))
                               : op.shown.empty());
    }
    Click(0, Column::Scan);
    Key(Qt::Key_Space);  // as the scan check box
    EXPECT_EQ(Cell(0, Column::Scan).trimmed(), QStringLiteral("+"));
    EXPECT_EQ(form.History().UndoName(), QStringLiteral("сканирование канала"));
}

TEST_F(ChannelTableWindowTest, SelectedRowsTakeACommandAsOneStepAndCtrlArrowsMoveAChannel) {
    for (int row : {0, 1, 4}) {
        Type(row, Column::Receive, QStringLiteral("15%1").arg(row));
        Type(row, Column::Transmit, QStringLiteral("15%1").arg(row));
    }
    Click(0, Column::Number);
    Click(2, Column::Number, Qt::ShiftModifier);    // rows 1 to 3
    Click(4, Column::Number, Qt::ControlModifier);  // and 5
    ASSERT_EQ(form.TableEditor->ChosenChannels(), (std::vector<int>{0, 1, 2, 4}));
    const auto filled = Kept();
    Key(Qt::Key_Delete);  // clears them as one step
    EXPECT_TRUE(Cell(0, 1).isEmpty() && Cell(1, 1).isEmpty() && Cell(4, 1).isEmpty());
    form.Undo();
    EXPECT_TRUE(Kept() == filled);
    EXPECT_EQ(form.History().UndoName(), QStringLiteral("ввод частоты передачи"));

    Click(0, Column::Ctcss);
    QTest::mouseClick(form.RadioButton6, Qt::LeftButton);  // channel 1 by CTCSS, 2 by carrier
    Key(Qt::Key_Down, Qt::ShiftModifier);
    ASSERT_EQ(form.TableEditor->ChosenChannels(), (std::vector<int>{0, 1}));
    form.TableEditor->Menu()->actions()[4]->menu()->actions()[12]->trigger();  // "12 - 100,0"
    EXPECT_TRUE(form.ToneBoxes[1]->currentText().isEmpty());                   // not by CTCSS

    const auto toned = Kept();
    Click(0, Column::Receive);
    Key(Qt::Key_Down, Qt::ControlModifier);  // channel 1 down, with its tone
    EXPECT_TRUE(Cell(1, 1) == "    150000" && form.ToneBoxes[1]->currentText() == "12 - 100,0");
    EXPECT_EQ(form.ListBox1->currentRow(), 1);
    EXPECT_EQ(form.History().UndoName(), QStringLiteral("перемещение канала"));
    Key(Qt::Key_Up, Qt::ControlModifier);
    Key(Qt::Key_Up, Qt::ControlModifier);  // nothing goes above channel 1
    EXPECT_TRUE(Kept() == toned && form.ToneBoxes[0]->currentText() == "12 - 100,0");

    QContextMenuEvent menu(QContextMenuEvent::Mouse, At(1, 1), table->mapToGlobal(At(1, 1)));
    QCoreApplication::sendEvent(table->viewport(), &menu);
    QTRY_VERIFY(form.TableEditor->Menu()->isVisible());
}

}  // namespace
}  // namespace belvan
