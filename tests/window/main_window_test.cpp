// The main window offscreen: the form whole between the menu bar and the status line, and the
// CSV import driven through its menu with the scripted operator answering.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include "form/session.h"
#include "main_window.h"
#include "scripted_operator.h"

namespace belvan {
namespace {

using testing::ScriptedOperator;
using testing::ShownMessage;

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window =
            std::make_unique<MainWindow>(TForm1::Options{QStringLiteral("/nonexistent/port"), &op});
        form = window->Form();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    QString Cell(int row, int column) const {
        return form->StringGrid1->item(row - 1, column)->text();
    }
    void ClickItem(QListWidget* list, const QString& text) {
        const auto items = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        list->scrollToItem(items.front());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(items.front()).center());
    }

    // Picks MHz and kHz and presses "Обе колонки" for the selected channel.
    void FillBoth(const QString& mhz, const QString& khz) {
        ClickItem(form->ListBox2, mhz);
        ClickItem(form->ListBox3, khz);
        QTest::mouseClick(form->Button3, Qt::LeftButton);
    }
    // What the window shows of the plan: every cell, the marks, the channel panel, the tones.
    QStringList Shown() const {
        QStringList shown;
        for (int row = 1; row <= kChannelCount; ++row) {
            for (int column = 0; column < kGridColumns; ++column) shown << Cell(row, column);
            shown << QString::number(form->ChannelMarks[row - 1]->isVisibleTo(form));
            shown << form->ToneBoxes[row - 1]->currentText()
                  << QString::number(form->ToneBoxes[row - 1]->isEnabled());
        }
        shown << form->ListBox1->currentItem()->text()
              << QString::number(form->CheckBox1->isChecked())
              << QString::number(form->RadioButton6->isChecked())
              << QString::number(form->RadioButton2->isChecked())
              << QString::number(form->ListBox3->count()) << form->ComboBox4->currentText();
        return shown;
    }
    void Ctrl(QWidget* focus, Qt::Key key, Qt::KeyboardModifiers more = {}) {
        focus->setFocus();
        QTest::keyClick(focus, key, Qt::ControlModifier | more);
    }

    ScriptedOperator op;
    std::unique_ptr<MainWindow> window;
    TForm1* form = nullptr;
};

TEST_F(MainWindowTest, ClearAllIsUndoneByCtrlZAndRedoneByCtrlY) {
    FillBoth(QStringLiteral("150"), QStringLiteral("025"));
    QTest::mouseClick(form->CheckBox1, Qt::LeftButton);
    QTest::mouseClick(form->RadioButton6, Qt::LeftButton);
    ClickItem(form->ListBox1, QStringLiteral("02"));
    FillBoth(QStringLiteral("160"), QStringLiteral("500"));
    const QStringList before = Shown();
    QTest::mouseClick(form->Button8, Qt::LeftButton);
    ASSERT_TRUE(Cell(1, 1).isEmpty());
    const QStringList cleared = Shown();
    EXPECT_EQ(window->UndoAction->text(), QStringLiteral("&Отменить: очистка всех каналов"));
    EXPECT_FALSE(window->RedoAction->isEnabled());

    Ctrl(form->StringGrid1, Qt::Key_Z);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("    150025"));
    EXPECT_EQ(Shown(), before);
    EXPECT_EQ(window->RedoAction->text(), QStringLiteral("&Повторить: очистка всех каналов"));
    EXPECT_EQ(window->UndoAction->text(), QStringLiteral("&Отменить: заполнение обеих частот"));

    Ctrl(form->ListBox1, Qt::Key_Y);
    EXPECT_EQ(Shown(), cleared);
    Ctrl(form->ListBox1, Qt::Key_Z);
    Ctrl(form->StringGrid1, Qt::Key_Z, Qt::ShiftModifier);
    EXPECT_EQ(Shown(), cleared);
}

TEST_F(MainWindowTest, TypedBoxesKeepTheirOwnCtrlZAndAreStepsOnceLeft) {
    QComboBox* box = form->ComboBox29;
    const QString was = box->currentText();
    box->setFocus();
    box->lineEdit()->selectAll();
    QTest::keyClicks(box, QStringLiteral("7"));
    // Ctrl+Z in the box takes back the typing, not a step of the plan.
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(box->currentText(), was);
    EXPECT_FALSE(form->History().CanUndo());
    QTest::keyClicks(box, QStringLiteral("7"));
    QTest::keyClick(box, Qt::Key_Return);
    ASSERT_EQ(form->History().UndoName(), QStringLiteral("максимальное время передачи"));
    window->UndoAction->trigger();
    EXPECT_EQ(box->currentText(), was);
}

TEST_F(MainWindowTest, AClickOnATableRowChoosesThatChannel) {
    FillBoth(QStringLiteral("150"), QStringLiteral("000"));
    ClickItem(form->ListBox1, QStringLiteral("03"));
    QTest::mouseClick(form->RadioButton1, Qt::LeftButton);
    FillBoth(QStringLiteral("151"), QStringLiteral("012,5"));
    QTest::mouseClick(form->CheckBox1, Qt::LeftButton);
    ClickItem(form->ListBox1, QStringLiteral("01"));
    ASSERT_FALSE(form->CheckBox1->isChecked());

    QTableWidgetItem* row3 = form->StringGrid1->item(2, 1);
    QTest::mouseClick(form->StringGrid1->viewport(), Qt::LeftButton, {},
                      form->StringGrid1->visualItemRect(row3).center());
    EXPECT_EQ(form->ListBox1->currentItem()->text(), QStringLiteral("03"));
    EXPECT_TRUE(form->CheckBox1->isChecked());
    EXPECT_TRUE(form->RadioButton1->isChecked());
    EXPECT_EQ(form->ListBox3->count(), 80);
    EXPECT_FALSE(form->History().CanUndo() &&
                 form->History().UndoName() != QStringLiteral("сканирование канала"));
}

TEST_F(MainWindowTest, ACopiedChannelIsPastedWithCtrlVAndTheTargetsStepRules) {
    QTest::mouseClick(form->RadioButton1, Qt::LeftButton);
    FillBoth(QStringLiteral("152"), QStringLiteral("012,5"));
    QTest::mouseClick(form->CheckBox2, Qt::LeftButton);
    Ctrl(form->StringGrid1, Qt::Key_C);
    ClickItem(form->ListBox1, QStringLiteral("05"));
    QTest::mouseClick(form->RadioButton2, Qt::LeftButton);
    // The 25 kHz grid cannot hold 152012,5: the fill's question, answered "round up".
    op.answers.push_back(Answer::Yes);
    Ctrl(form->ListBox1, Qt::Key_V);
    EXPECT_EQ(Cell(5, 1), QStringLiteral("    152025"));
    EXPECT_EQ(Cell(5, 4).trimmed(), QStringLiteral("+"));
    EXPECT_EQ(Cell(1, 1), QStringLiteral("    152012,5"));
    EXPECT_EQ(form->History().UndoName(), QStringLiteral("вставка канала"));
    window->UndoAction->trigger();
    EXPECT_TRUE(Cell(5, 1).isEmpty());

    // In a typed box Ctrl+V pastes text, not a channel.
    const int steps = form->History().Size();
    Ctrl(form->ComboBox4, Qt::Key_V);
    EXPECT_EQ(form->History().Size(), steps);
    EXPECT_TRUE(Cell(5, 1).isEmpty());
}

TEST_F(MainWindowTest, TheUnsavedPlanIsKeptAcrossACloseAndBroughtBackAsOneStep) {
    QFile::remove(SessionFile());
    EXPECT_EQ(window->ModifiedLabel->text(), QStringLiteral("Изменений нет"));
    FillBoth(QStringLiteral("170"), QStringLiteral("250"));
    EXPECT_EQ(window->ModifiedLabel->text(), QStringLiteral("Изменения не сохранены"));
    window->close();
    ASSERT_TRUE(QFile::exists(SessionFile()));

    MainWindow again(TForm1::Options{QStringLiteral("/nonexistent/port"), &op});
    TForm1* next = again.Form();
    EXPECT_TRUE(next->StringGrid1->item(0, 1)->text().isEmpty());
    EXPECT_TRUE(again.statusBar()->currentMessage().contains(
        QStringLiteral("«Файл» → «Восстановить план прошлого сеанса»")));
    ASSERT_TRUE(again.RestoreSessionAction->isEnabled());
    again.RestoreSessionAction->trigger();
    EXPECT_EQ(next->StringGrid1->item(0, 1)->text(), QStringLiteral("    170250"));
    EXPECT_EQ(again.UndoAction->text(),
              QStringLiteral("&Отменить: восстановление плана прошлого сеанса"));
    EXPECT_FALSE(again.RestoreSessionAction->isEnabled());

    // Saved, it is no longer offered at the next start.
    QTemporaryDir dir;
    op.files.push_back(dir.filePath(QStringLiteral("kept.ctrch")));
    again.SaveAction->trigger();
    EXPECT_EQ(again.ModifiedLabel->text(), QStringLiteral("Изменений нет"));
    EXPECT_EQ(MainWindow::RecentFiles().value(0), dir.filePath(QStringLiteral("kept.ctrch")));
    again.close();
    EXPECT_FALSE(QFile::exists(SessionFile()));
}

TEST_F(MainWindowTest, F1ShowsTheGuide) {
    QTest::keyClick(form->StringGrid1, Qt::Key_F1);
    auto* guide = window->findChild<QDialog*>(QStringLiteral("GuideDialog"));
    ASSERT_NE(guide, nullptr);
    const QString text = guide->findChild<QTextBrowser*>()->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("dialout")));
    EXPECT_TRUE(text.contains(QStringLiteral("CSV")));
}

TEST_F(MainWindowTest, TheFormStandsWholeBetweenTheMenuAndTheStatusLine) {
    const QRect menu = window->menuBar()->geometry();
    const QRect status = window->statusBar()->geometry();
    EXPECT_EQ(form->size(), form->minimumSize());
    EXPECT_GE(form->geometry().top(), menu.bottom() + 1);
    EXPECT_LE(form->geometry().bottom(), status.top() - 1);
    EXPECT_TRUE(status.isValid() && status.bottom() < window->height());
    EXPECT_EQ(window->minimumSize(), window->maximumSize());

    QMenu* file = window->menuBar()->actions().value(0)->menu();
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->title(), QStringLiteral("&Файл"));
    EXPECT_EQ(window->ExportAction->text(), QStringLiteral("&Экспорт в CSV…"));
    EXPECT_EQ(window->ImportAction->text(), QStringLiteral("&Импорт из CSV…"));
    EXPECT_EQ(window->PrintAction->text(), QStringLiteral("&Печать…"));

    // The caption the form sets is the window's.
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Belvan-T"));
    form->State().ctl.caption = kFileCaptionPrefix + QStringLiteral("plan.ctrch");
    form->Repaint();
    EXPECT_EQ(window->windowTitle(), kFileCaptionPrefix + QStringLiteral("plan.ctrch"));

    // "Выход" closes the whole window, not only the form inside it.
    QTest::mouseClick(form->Button4, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, ImportWithRefusedRowsAsksAndNoChangesNothing) {
    ClickItem(form->ListBox2, QStringLiteral("150"));
    ClickItem(form->ListBox3, QStringLiteral("000"));
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    ASSERT_EQ(Cell(1, 1), QStringLiteral("    150000"));
    const ChannelPlan plan = form->State().plan;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.csv"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Location,Frequency\r\n2,146.025\r\n3,999.000\r\n");
    }
    op.files.push_back(path);
    op.answers.push_back(Answer::No);
    window->ImportAction->trigger();
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.Last().kind, ShownMessage::YesNo);
    EXPECT_TRUE(op.Last().text.contains(QStringLiteral("строка 3, Frequency = «999.000»")));
    EXPECT_EQ(Cell(1, 1), QStringLiteral("    150000"));
    EXPECT_TRUE(Cell(2, 1).isEmpty());
    EXPECT_EQ(form->State().plan, plan);
    EXPECT_FALSE(window->statusBar()->currentMessage().contains(QStringLiteral("импортировано")));

    op.files.push_back(path);
    op.answers.push_back(Answer::Yes);
    window->ImportAction->trigger();
    EXPECT_TRUE(Cell(1, 1).isEmpty());
    EXPECT_EQ(Cell(2, 1), QStringLiteral("    146025"));
    EXPECT_EQ(window->statusBar()->currentMessage(),
              QStringLiteral("Из файла «list.csv» импортировано каналов: 1"));
}

TEST_F(MainWindowTest, CheckingAfterAWriteIsOffAtFirstAndRemembered) {
    EXPECT_FALSE(window->VerifyAction->isChecked());
    EXPECT_FALSE(form->State().prefs.verifyAfterWrite);
    window->VerifyAction->trigger();
    EXPECT_TRUE(form->State().prefs.verifyAfterWrite);
    // The next start of the tool checks too.
    MainWindow again(TForm1::Options{QStringLiteral("/nonexistent/port"), &op});
    EXPECT_TRUE(again.VerifyAction->isChecked());
    EXPECT_TRUE(again.Form()->State().prefs.verifyAfterWrite);
    window->VerifyAction->trigger();
    EXPECT_FALSE(MainWindow(TForm1::Options{QStringLiteral("/nonexistent/port"), &op})
                     .VerifyAction->isChecked());
}

}  // namespace
}  // namespace belvan
