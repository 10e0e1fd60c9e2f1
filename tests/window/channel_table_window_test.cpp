// The channel table offscreen, typed into and edited with real clicks and keys: frequencies
// typed into its cells, Space on its marks, commands for several selected rows as one undo step,
// a channel moved with Ctrl+arrows; the marks' tooltips and the port box.
#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "channel_table.h"
#include "main_window.h"
#include "scripted_operator.h"

namespace belvan {
namespace {

using testing::ScriptedOperator;
using testing::Text;

class ChannelTableWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window = std::make_unique<MainWindow>(
            TForm1::Options{.port = QStringLiteral("/nonexistent/port"),
                            .op = &op,
                            .recoveryFolder = recovery.path()});
        form = window->Form();
        table = form->StringGrid1;
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    QString Cell(int channel, int column) const { return table->item(channel - 1, column)->text(); }
    QPoint At(int channel, int column) const {
        return table->visualItemRect(table->item(channel - 1, column)).center();
    }
    void ClickCell(int channel, int column, Qt::KeyboardModifiers keys = {}) {
        QTest::mouseClick(table->viewport(), Qt::LeftButton, keys, At(channel, column));
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers keys = {}) {
        table->setFocus();
        QTest::keyClick(table, key, keys);
    }
    // The cell editor open now, if any.
    QLineEdit* Editor() const {
        for (QLineEdit* line : table->viewport()->findChildren<QLineEdit*>())
            if (line->isVisible()) return line;
        return nullptr;
    }
    void ClickItem(QListWidget* list, const QString& text) {
        const auto items = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(items.front()).center());
    }
    // Channel `number` with both frequencies from the lists.
    void Fill(const QString& number, const QString& mhz, const QString& khz) {
        ClickItem(form->ListBox1, number);
        ClickItem(form->ListBox2, mhz);
        ClickItem(form->ListBox3, khz);
        QTest::mouseClick(form->Button3, Qt::LeftButton);
    }
    // The command `entry` of the table's menu, in its submenu `submenu` unless that is empty.
    QAction* Command(const QString& submenu, const QString& entry) const {
        QMenu* menu = form->TableEditor->Menu();
        if (!submenu.isEmpty()) {
            menu = nullptr;
            for (QAction* action : form->TableEditor->Menu()->actions())
                if (action->menu() && action->text().remove(u'&') == submenu) menu = action->menu();
        }
        if (menu)
            for (QAction* action : menu->actions())
                if (action->text().remove(u'&') == entry) return action;
        ADD_FAILURE() << "no command " << Text(submenu) << " → " << Text(entry);
        return nullptr;
    }
    // Every cell, the marks and the tone boxes.
    QStringList Shown() const {
        QStringList shown;
        for (int channel = 1; channel <= kChannelCount; ++channel) {
            for (int column = 0; column < kGridColumns; ++column) shown << Cell(channel, column);
            shown << QString::number(form->ChannelMarks[channel - 1]->isVisibleTo(form))
                  << form->ToneBoxes[channel - 1]->currentText();
        }
        return shown << form->ListBox1->currentItem()->text();
    }

    ScriptedOperator op;
    QTemporaryDir recovery;
    std::unique_ptr<MainWindow> window;
    TForm1* form = nullptr;
    QTableWidget* table = nullptr;
};

TEST_F(ChannelTableWindowTest, AFrequencyIsTypedIntoItsCellAndARefusalSaysWhy) {
    enum Open { F2, Enter, DoubleClick };
    struct Case {
        Open open;
        int channel;
        int column;
        const char* typed;
        Qt::Key end;       // Enter takes the text, Escape drops it
        const char* cell;  // the cell afterwards
        const char* refusal;
    };
    const Case cases[] = {
        {F2, 1, Column::Receive, "151,25", Qt::Key_Return, "    151250", ""},
        {Enter, 1, Column::Transmit, "151.250", Qt::Key_Enter, "    151250", ""},
        {DoubleClick, 2, Column::Receive, "160500", Qt::Key_Return, "    160500", ""},
        {F2, 2, Column::Transmit, "175", Qt::Key_Return, "", "вне диапазона"},
        {Enter, 3, Column::Receive, "151,2625", Qt::Key_Return, "", "сетке шага 25 кГц"},
        {F2, 1, Column::Receive, "152", Qt::Key_Escape, "    151250", ""},
    };
    for (const Case& c : cases) {
        const int row = static_cast<int>(&c - cases);
        const int steps = form->History().Size();
        const std::size_t shown = op.shown.size();
        ClickCell(c.channel, c.column);
        if (c.open == DoubleClick)
            QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, At(c.channel, c.column));
        else
            Key(c.open == F2 ? Qt::Key_F2 : Qt::Key_Return);
        QLineEdit* editor = Editor();
        ASSERT_NE(editor, nullptr) << row;
        editor->selectAll();
        QTest::keyClicks(editor, QString::fromUtf8(c.typed));
        QTest::keyClick(editor, c.end);
        if (*c.refusal) {
            QTRY_COMPARE(op.shown.size(), shown + 1);
            EXPECT_TRUE(op.Last().text.contains(QString::fromUtf8(c.refusal)))
                << row << ": " << Text(op.Last().text);
            EXPECT_EQ(form->History().Size(), steps) << row;
        } else if (c.end == Qt::Key_Escape) {
            QTRY_COMPARE(Editor(), nullptr);
            EXPECT_EQ(form->History().Size(), steps) << row;
        } else {
            QTRY_COMPARE(Text(Cell(c.channel, c.column)), c.cell);
            EXPECT_EQ(form->History().Size(), steps + 1) << row;
            EXPECT_EQ(form->History().UndoName(), c.column == Column::Receive
                                                      ? QStringLiteral("ввод частоты приёма")
                                                      : QStringLiteral("ввод частоты передачи"));
        }
        EXPECT_EQ(Text(Cell(c.channel, c.column)), c.cell) << row;
        EXPECT_EQ(form->ListBox1->currentRow(), c.channel - 1) << row;
        EXPECT_EQ(op.shown.size(), shown + (*c.refusal ? 1 : 0)) << row;
    }
    // Both frequencies typed: the row shows the marks the panel gives.
    EXPECT_EQ(Cell(1, Column::Step), QStringLiteral(" 25"));
    EXPECT_TRUE(form->ChannelMarks[0]->isVisible());

    // Space turns a scan or masking mark over as its check box does, one step each.
    ClickCell(1, Column::Scan);
    Key(Qt::Key_Space);
    EXPECT_EQ(Cell(1, Column::Scan).trimmed(), QStringLiteral("+"));
    EXPECT_TRUE(form->CheckBox1->isChecked());
    EXPECT_EQ(form->History().UndoName(), QStringLiteral("сканирование канала"));
    Key(Qt::Key_Right);
    Key(Qt::Key_Space);
    EXPECT_EQ(Cell(1, Column::Masking).trimmed(), QStringLiteral("+"));
    EXPECT_EQ(form->History().UndoName(), QStringLiteral("маскирование канала"));
    Key(Qt::Key_Left);
    Key(Qt::Key_Space);
    EXPECT_EQ(Cell(1, Column::Scan).trimmed(), QStringLiteral("-"));
    EXPECT_FALSE(form->CheckBox1->isChecked());
}

TEST_F(ChannelTableWindowTest, ACommandForTheSelectedRowsIsOneUndoStep) {
    Fill(QStringLiteral("01"), QStringLiteral("150"), QStringLiteral("025"));
    Fill(QStringLiteral("02"), QStringLiteral("150"), QStringLiteral("050"));
    Fill(QStringLiteral("05"), QStringLiteral("150"), QStringLiteral("075"));
    Fill(QStringLiteral("06"), QStringLiteral("150"), QStringLiteral("100"));
    // Rows 1 to 3 by Shift+click, 5 by Ctrl+click; row 3 is empty, row 6 not selected.
    ClickCell(1, Column::Number);
    ClickCell(3, Column::Number, Qt::ShiftModifier);
    ClickCell(5, Column::Number, Qt::ControlModifier);
    ASSERT_EQ(form->TableEditor->ChosenChannels(), (std::vector<int>{0, 1, 2, 4}));
    EXPECT_EQ(form->ListBox1->currentItem()->text(), QStringLiteral("05"));

    struct Case {
        const char* submenu;
        const char* entry;  // triggered from the menu, or Delete for "Очистить"
        const char* step;
        int column;
        const char* cell;  // rows 1, 2 and 5 afterwards, without blanks
    };
    const Case cases[] = {
        {"Сканирование", "Включить", "сканирование выбранных каналов", Column::Scan, "+"},
        {"Маскирование", "Включить", "маскирование выбранных каналов", Column::Masking, "+"},
        {"Детектирование", "По CTSS", "детектирование выбранных каналов", Column::Ctcss, "+"},
        {"Шаг сетки частот", "12,5 кГц.", "шаг 12,5 кГц выбранных каналов", Column::Step, "12,5"},
        {"", "Очистить", "очистка выбранных каналов", Column::Receive, ""},
    };
    for (const Case& c : cases) {
        const QStringList before = Shown();
        if (*c.submenu) {
            QAction* command = Command(QString::fromUtf8(c.submenu), QString::fromUtf8(c.entry));
            ASSERT_NE(command, nullptr);
            command->trigger();
        } else {
            Key(Qt::Key_Delete);
        }
        for (int channel : {1, 2, 5})
            EXPECT_EQ(Text(Cell(channel, c.column).trimmed()), c.cell)
                << c.entry << ", channel " << channel;
        EXPECT_TRUE(Cell(3, Column::Receive).isEmpty());
        EXPECT_EQ(Cell(6, Column::Receive), QStringLiteral("    150100")) << c.entry;
        EXPECT_EQ(Cell(6, Column::Scan).trimmed(), QStringLiteral("-")) << c.entry;
        EXPECT_EQ(Text(form->History().UndoName()), c.step);
        EXPECT_EQ(form->TableEditor->ChosenChannels(), (std::vector<int>{0, 1, 2, 4}));
        // One step: one undo takes all of it back, and the fills stay.
        window->UndoAction->trigger();
        EXPECT_EQ(Shown(), before) << c.entry;
        EXPECT_EQ(form->History().UndoName(), QStringLiteral("заполнение обеих частот"));
    }
    EXPECT_TRUE(op.shown.empty());

    // Shift+arrows extend the selection from the current row.
    ClickCell(1, Column::Receive);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(form->TableEditor->ChosenChannels(), (std::vector<int>{0, 1, 2}));

    // The commands are under "Правка" and in the table's context menu.
    QMenu* edit = nullptr;
    for (QAction* action : window->menuBar()->actions())
        if (action->text() == QStringLiteral("&Правка")) edit = action->menu();
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->actions().contains(form->TableEditor->Menu()->menuAction()));
    QContextMenuEvent request(QContextMenuEvent::Mouse, At(2, Column::Scan),
                              table->viewport()->mapToGlobal(At(2, Column::Scan)));
    QApplication::sendEvent(table->viewport(), &request);
    QTRY_VERIFY(form->TableEditor->Menu()->isVisible());
    form->TableEditor->Menu()->close();
}

TEST_F(ChannelTableWindowTest, CtrlArrowsMoveTheSelectedChannelWithItsTone) {
    Fill(QStringLiteral("01"), QStringLiteral("150"), QStringLiteral("025"));
    Fill(QStringLiteral("02"), QStringLiteral("160"), QStringLiteral("500"));
    ClickCell(1, Column::Ctcss);
    QTest::mouseClick(form->RadioButton6, Qt::LeftButton);
    Command(QStringLiteral("Тон CTSS"), QStringLiteral("12 - 100,0"))->trigger();
    ASSERT_EQ(form->ToneBoxes[0]->currentText(), QStringLiteral("12 - 100,0"));
    EXPECT_EQ(form->History().UndoName(), QStringLiteral("тон выбранных каналов"));
    const QStringList before = Shown();
    const int steps = form->History().Size();

    Key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(Cell(2, Column::Receive), QStringLiteral("    150025"));
    EXPECT_EQ(Cell(1, Column::Receive), QStringLiteral("    160500"));
    EXPECT_EQ(Cell(2, Column::Number), QStringLiteral("02"));
    EXPECT_EQ(form->ToneBoxes[1]->currentText(), QStringLiteral("12 - 100,0"));
    EXPECT_TRUE(form->ToneBoxes[1]->isEnabled());
    EXPECT_FALSE(form->ToneBoxes[0]->isEnabled());
    EXPECT_EQ(form->ListBox1->currentItem()->text(), QStringLiteral("02"));
    EXPECT_EQ(table->currentRow(), 1);
    EXPECT_EQ(form->History().Size(), steps + 1);
    EXPECT_EQ(form->History().UndoName(), QStringLiteral("перемещение канала"));

    Key(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(Shown(), before);
    Key(Qt::Key_Up, Qt::ControlModifier);  // nothing above channel 1
    EXPECT_EQ(Shown(), before);
    EXPECT_EQ(form->History().Size(), steps + 2);
    window->UndoAction->trigger();
    window->UndoAction->trigger();
    EXPECT_EQ(Shown(), before);
}

TEST_F(ChannelTableWindowTest, TheMarksSayWhatTheyMeanAndThePortBoxHoldsADevicePath) {
    for (int c = 0; c < kChannelCount; ++c)
        EXPECT_EQ(form->ChannelMarks[c]->toolTip(),
                  QStringLiteral("Канал %1 задан").arg(c + 1, 2, 10, QChar(u'0')));
    QComboBox* port = form->ComboBox1;
    EXPECT_GE(port->lineEdit()->width(),
              port->fontMetrics().horizontalAdvance(QStringLiteral("/dev/ttyUSB0")));
    // The port in the box is listed though the system does not report it.
    port->showPopup();
    EXPECT_GE(port->findText(QStringLiteral("/nonexistent/port")), 2);
    EXPECT_EQ(port->currentText(), QStringLiteral("/nonexistent/port"));
    port->hidePopup();
}

}  // namespace
}  // namespace belvan
