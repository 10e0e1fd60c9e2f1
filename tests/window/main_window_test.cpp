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

#include <QTreeWidget>

#include "files/recovery_store.h"
#include "main_window.h"
#include "scripted_operator.h"
#include "test_files.h"

namespace belvan {
namespace {

using testing::ScriptedOperator;
using testing::ShownMessage;

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window = NewWindow();
        form = window->Form();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    // A window keeping its plan in this test's recovery folder.
    std::unique_ptr<MainWindow> NewWindow(const QString& folder = {}) {
        return std::make_unique<MainWindow>(
            TForm1::Options{.port = QStringLiteral("/nonexistent/port"),
                            .op = &op,
                            .recoveryFolder = folder.isEmpty() ? recovery.path() : folder});
    }
    // The plans in the recovery folder.
    QStringList PlanFiles() const {
        return QDir(recovery.path()).entryList({QStringLiteral("*.ctrch")}, QDir::Files);
    }
    // "Файл" → "Восстановить…" of a window, and the rows of its list.
    QTreeWidget* OpenRecovery(MainWindow& w) {
        w.RestoreAction->trigger();
        for (auto* dialog : w.findChildren<QDialog*>(QStringLiteral("RecoveryDialog")))
            if (dialog->isVisible())
                return dialog->findChild<QTreeWidget*>(QStringLiteral("RecoveryList"));
        return nullptr;
    }
    void Press(QTreeWidget* list, const char* button) {
        QTest::mouseClick(list->parentWidget()->findChild<QPushButton*>(QLatin1String(button)),
                          Qt::LeftButton);
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
    QTemporaryDir recovery;
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

TEST_F(MainWindowTest, EachWindowKeepsItsOwnPlanAndAStartOffersThoseOfWindowsGone) {
    // A second window, with a plan saved to a file, edited as well.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("base.ctrch"));
    auto other = NewWindow();
    op.files.push_back(file);
    other->SaveAction->trigger();
    FillBoth(QStringLiteral("170"), QStringLiteral("250"));
    TForm1* mine = form;
    form = other->Form();
    FillBoth(QStringLiteral("160"), QStringLiteral("500"));
    form = mine;
    // Each is on the disk within about a second, in a file of its own; neither offers the other's.
    QTRY_COMPARE_WITH_TIMEOUT(PlanFiles().size(), 2, 3000);
    EXPECT_FALSE(window->RestoreAction->isEnabled());
    EXPECT_TRUE(other->RecoveryLabel->text().isEmpty());
    window.reset();
    other.reset();

    auto next = NewWindow();
    EXPECT_EQ(next->RecoveryLabel->text(),
              QStringLiteral("Планов для восстановления: 2 — «Файл» → «Восстановить…»"));
    QTreeWidget* list = OpenRecovery(*next);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    const auto fromFile = list->findItems(QStringLiteral("из файла «"), Qt::MatchContains, 1);
    ASSERT_EQ(fromFile.size(), 1);
    EXPECT_EQ(fromFile.front()->text(2), QStringLiteral("1"));
    list->setCurrentItem(fromFile.front());
    Press(list, "RestoreButton");
    EXPECT_EQ(next->Form()->StringGrid1->item(0, 1)->text(), QStringLiteral("    160500"));
    EXPECT_EQ(next->windowTitle(), kFileCaptionPrefix + file);
    EXPECT_EQ(next->UndoAction->text(), QStringLiteral("&Отменить: восстановление плана"));
    EXPECT_EQ(next->ModifiedLabel->text(), QStringLiteral("Изменения не сохранены"));
    // Undone and closed, the restored plan is still kept: the next start offers both again.
    next->UndoAction->trigger();
    EXPECT_TRUE(next->Form()->StringGrid1->item(0, 1)->text().isEmpty());
    next->close();
    next.reset();
    EXPECT_EQ(PlanFiles().size(), 2);

    // Saved, a restored plan is safe and goes; discarded, the other goes.
    next = NewWindow();
    list = OpenRecovery(*next);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    list->setCurrentItem(list->findItems(QStringLiteral("не из файла"), Qt::MatchContains, 1)[0]);
    Press(list, "RestoreButton");
    EXPECT_EQ(next->Form()->StringGrid1->item(0, 1)->text(), QStringLiteral("    170250"));
    op.files.push_back(dir.filePath(QStringLiteral("kept.ctrch")));
    next->SaveAction->trigger();
    EXPECT_EQ(next->ModifiedLabel->text(), QStringLiteral("Изменений нет"));
    EXPECT_EQ(PlanFiles().size(), 1);
    list = OpenRecovery(*next);
    ASSERT_EQ(list->topLevelItemCount(), 1);
    op.answers.push_back(Answer::Yes);
    Press(list, "DiscardButton");
    EXPECT_TRUE(PlanFiles().isEmpty());
    EXPECT_FALSE(next->RestoreAction->isEnabled());
}

TEST_F(MainWindowTest, ChoosingChannelsIsNoChangeAndAnUndoneEditLeavesNothingToRecover) {
    FillBoth(QStringLiteral("150"), QStringLiteral("025"));
    window->UndoAction->trigger();
    for (const QString& channel :
         {QStringLiteral("05"), QStringLiteral("16"), QStringLiteral("01")})
        ClickItem(form->ListBox1, channel);
    QTest::mouseClick(form->StringGrid1->viewport(), Qt::LeftButton, {},
                      form->StringGrid1->visualItemRect(form->StringGrid1->item(7, 1)).center());
    EXPECT_EQ(window->ModifiedLabel->text(), QStringLiteral("Изменений нет"));
    ASSERT_TRUE(form->KeepRecoveryNow());
    EXPECT_TRUE(PlanFiles().isEmpty());
}

TEST_F(MainWindowTest, APlanThatCannotBeKeptIsSaidAtOnceAndTheCloseAsksToSaveIt) {
    QTemporaryDir dir;
    const QString notAFolder = dir.filePath(QStringLiteral("file"));
    testing::WriteAll(notAFolder, "x");
    window = NewWindow(notAFolder);
    form = window->Form();
    window->show();
    FillBoth(QStringLiteral("150"), QStringLiteral("025"));
    EXPECT_FALSE(form->KeepRecoveryNow());
    EXPECT_TRUE(window->RecoveryLabel->text().startsWith(
        QStringLiteral("План не сохраняется для восстановления: не удалось создать папку")));

    op.answers.push_back(Answer::Cancel);
    window->close();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(op.Last().kind, ShownMessage::YesNoCancel);
    op.answers.push_back(Answer::Yes);
    op.files.push_back(dir.filePath(QStringLiteral("saved.ctrch")));
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(testing::ReadAll(dir.filePath(QStringLiteral("saved.ctrch"))).size(),
              kSettingsFileSize);
}

TEST_F(MainWindowTest, AKeptPlanWithAWrongChecksumAsksBeforeItIsRestored) {
    FileBytes damaged = BuildFileBytes(ParameterImage{});
    damaged[kFileChecksumOffset] ^= 0xFF;
    testing::WriteAll(QDir(recovery.path()).filePath(QStringLiteral("window-old.ctrch")),
                      testing::Bytes(damaged));
    window = NewWindow();
    form = window->Form();
    QTreeWidget* list = OpenRecovery(*window);
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("контрольная сумма не сходится"));
    const QStringList before = Shown();
    op.answers.push_back(Answer::No);
    Press(list, "RestoreButton");
    EXPECT_TRUE(op.Last().text.contains(QStringLiteral("Контрольная сумма файла")));
    EXPECT_EQ(Shown(), before);
    EXPECT_FALSE(form->History().CanUndo());
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
    QTest::mouseClick(form->RadioButton6, Qt::LeftButton);
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
    // The current channel's panel shows channel 01 as imported (empty), after a redo too.
    for (int redone = 0; redone < 2; ++redone) {
        EXPECT_TRUE(form->RadioButton8->isChecked() && !form->RadioButton6->isChecked());
        window->UndoAction->trigger();
        EXPECT_TRUE(form->RadioButton6->isChecked());
        window->RedoAction->trigger();
    }
    // Saved, the plan proposes the list's name.
    op.files.push_back(std::nullopt);
    window->SaveAsAction->trigger();
    EXPECT_EQ(op.dialogs.back().proposedName, dir.filePath(QStringLiteral("list.ctrch")));
}

TEST_F(MainWindowTest, CtrlSSavesIntoThePlansOwnFileWithoutADialog) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plan.ctrch"));
    op.files.push_back(file);
    QTest::keyClick(form->StringGrid1, Qt::Key_S, Qt::ControlModifier);  // no file yet: the dialog
    ASSERT_EQ(op.dialogs.size(), 1u);
    const QByteArray empty = testing::ReadAll(file);
    FillBoth(QStringLiteral("150"), QStringLiteral("025"));
    EXPECT_EQ(window->ModifiedLabel->text(), QStringLiteral("Изменения не сохранены"));
    QTest::keyClick(form->StringGrid1, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(op.dialogs.size(), 1u);
    EXPECT_TRUE(op.shown.empty());
    EXPECT_NE(testing::ReadAll(file), empty);
    EXPECT_EQ(window->ModifiedLabel->text(), QStringLiteral("Изменений нет"));
    EXPECT_EQ(window->statusBar()->toolTip(), QStringLiteral("Сохранено в файл «%1»").arg(file));
    // "Сохранить как…" and the form's own button always ask.
    op.files.push_back(std::nullopt);
    QTest::keyClick(form->StringGrid1, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    op.files.push_back(std::nullopt);
    QTest::mouseClick(form->Button11, Qt::LeftButton);
    EXPECT_EQ(op.dialogs.size(), 3u);
}

TEST_F(MainWindowTest, ATypedToneBecomesItsItemAndAnythingElseIsRefused) {
    FillBoth(QStringLiteral("150"), QStringLiteral("025"));
    QTest::mouseClick(form->RadioButton6, Qt::LeftButton);
    QComboBox* box = form->ToneBoxes[0];
    ASSERT_TRUE(box->isEnabled());
    auto type = [&](const QString& digits) {
        box->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box, digits);
        QTest::keyClick(box, Qt::Key_Tab);
    };
    const struct {
        const char* typed;
        const char* shown;
    } cases[] = {{"100", "12 - 100,0"},
                 {"67", "01 - 67,0"},
                 {"885", "08 - 88,5"},
                 {"1188", "17 - 118,8"},
                 {"7", "07 - 85,4"}};
    for (const auto& c : cases) {
        type(QString::fromLatin1(c.typed));
        EXPECT_EQ(box->currentText(), QString::fromUtf8(c.shown)) << c.typed;
    }
    EXPECT_TRUE(op.shown.empty());
    // A typed tone is one step, undone and redone whole.
    window->UndoAction->trigger();
    EXPECT_EQ(box->currentText(), QStringLiteral("17 - 118,8"));
    window->RedoAction->trigger();
    EXPECT_EQ(box->currentText(), QStringLiteral("07 - 85,4"));

    const int steps = form->History().Size();
    type(QStringLiteral("118"));
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.Last().icon, MessageIcon::Error);
    EXPECT_TRUE(op.Last().text.startsWith(QStringLiteral("Тон CTSS канала 01: «118»")));
    EXPECT_EQ(box->currentText(), QStringLiteral("07 - 85,4"));
    EXPECT_EQ(form->History().Size(), steps);
}

TEST_F(MainWindowTest, TabLeavesTheChannelTable) {
    form->StringGrid1->setFocus();
    QTest::keyClick(form->StringGrid1, Qt::Key_Tab);
    EXPECT_FALSE(form->StringGrid1->hasFocus());
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
