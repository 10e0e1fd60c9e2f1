// The main window offscreen: the form whole between the menu bar and the status line, and the
// CSV import driven through its menu with the scripted operator answering.
#include <gtest/gtest.h>
#include <QFile>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

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

    ScriptedOperator op;
    std::unique_ptr<MainWindow> window;
    TForm1* form = nullptr;
};

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
    EXPECT_TRUE(window->statusBar()->currentMessage().isEmpty());

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
