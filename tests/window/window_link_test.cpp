// The window end to end against the radio simulator on a pseudo-terminal.
#include <gtest/gtest.h>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "nastroika.h"
#include "plan/ctcss_table.h"
#include "plan/frequency.h"
#include "radio_sim_process.h"
#include "scripted_operator.h"

namespace belvan {
namespace {

using testing::RadioSimProcess;
using testing::ScriptedOperator;
using testing::Text;

class WindowLinkTest : public ::testing::Test {
  protected:
    void Open(const QStringList& simOptions) {
        device = sim.Start(simOptions);
        ASSERT_FALSE(device.isEmpty()) << sim.Error().toStdString();
        form = std::make_unique<TForm1>(TForm1::Options{device, &op});
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        // The link opens the port on its own thread and says so.
        QTRY_COMPARE_WITH_TIMEOUT(form->Label1->text(), QStringLiteral("открыт."), 5000);
    }
    // Clicks the button and waits until the exchange it starts has told its outcome.
    void Exchange(QPushButton* button) {
        const auto before = op.shown.size();
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(op.shown.size() > before && !form->ExchangeRunning(), 10000);
    }
    QString Cell(int row, int column) const {
        return form->StringGrid1->item(row - 1, column)->text();
    }

    RadioSimProcess sim;
    QString device;
    ScriptedOperator op;
    std::unique_ptr<TForm1> form;
};

TEST_F(WindowLinkTest, TheRadioAnnouncesItselfWhenTheWindowOpensItsPort) {
    Open({});
    QTRY_COMPARE_WITH_TIMEOUT(form->Label39->text(), QStringLiteral("Устройство подключено."),
                              5000);
    EXPECT_FALSE(form->Timer1->isActive());
}

TEST_F(WindowLinkTest, ReadFillsTheTableWhileTheWindowStaysAliveButTakesNoInput) {
    Open({QStringLiteral("--no-announce")});
    const auto held = sim.Image();
    ASSERT_TRUE(held);

    // While the link reads, the form is disabled and shows the progress; a click goes nowhere.
    QTest::mouseClick(form->Button5, Qt::LeftButton);
    ASSERT_TRUE(form->ExchangeRunning());
    EXPECT_FALSE(form->Button5->isVisible());
    EXPECT_FALSE(form->Button6->isVisible());
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_TRUE(form->ExchangeProgress->isVisible());
    EXPECT_FALSE(form->Button8->isEnabled());
    QTest::mouseClick(form->Button8, Qt::LeftButton);  // "Очистить все" must not run
    QTRY_VERIFY_WITH_TIMEOUT(!op.shown.empty(), 10000);

    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].text, QStringLiteral("Параметры прочитаны"));
    EXPECT_TRUE(form->State().statusLine.startsWith(QStringLiteral("Резервная копия: ")))
        << Text(form->State().statusLine);
    EXPECT_TRUE(form->Button5->isVisible());
    EXPECT_TRUE(form->Button6->isVisible());
    EXPECT_TRUE(form->Button8->isEnabled());
    EXPECT_FALSE(form->ExchangeProgress->isVisible());
    EXPECT_EQ(form->ListBox1->currentRow(), 0);

    const ChannelEntry first = held->Record(0);
    ASSERT_NE(first.rxCode, NoFrequency);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("    ") + FrequencyText(first.rxCode));
    EXPECT_EQ(Cell(1, 5), first.Has(ChannelFlag::DetectCtcss) ? QStringLiteral("   +")
                                                              : QStringLiteral("   -"));
    EXPECT_EQ(form->ToneBoxes[0]->isEnabled(), first.Has(ChannelFlag::DetectCtcss));
    if (first.Has(ChannelFlag::DetectCtcss)) {
        EXPECT_EQ(form->ToneBoxes[0]->currentText(), ToneTextFromNumber(first.toneNumber));
    }
    for (int c = 0; c < kChannelCount; ++c)
        EXPECT_EQ(form->ChannelMarks[c]->isVisible(), !held->Record(c).IsEmpty()) << c;
    EXPECT_EQ(form->ComboBox4->currentText(),
              QString::number(held->SettingsWord(SettingsOffset::waitTime) / 200));

    // The read, from the click to the table filled, is one step of the undo history; undone, the
    // table is as it was before the read, and redone, as the radio had it.
    EXPECT_EQ(form->History().UndoName(), QStringLiteral("чтение из радиостанции"));
    const QString readCell = Cell(1, 1);
    form->Undo();
    EXPECT_EQ(Cell(1, 1), QString());
    EXPECT_FALSE(form->ChannelMarks[0]->isVisible());
    EXPECT_FALSE(form->History().CanUndo());
    form->Redo();
    EXPECT_EQ(Cell(1, 1), readCell);
}

TEST_F(WindowLinkTest, WriteLeavesTheRadioHoldingWhatTheWindowEncodes) {
    Open({QStringLiteral("--no-announce")});
    // Channel 3 on 160,000 / 160,025 MHz, detected by tone 12; wait time 7 s.
    auto click = [](QListWidget* list, const QString& text) {
        QListWidgetItem* item = list->findItems(text, Qt::MatchExactly).front();
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(item).center());
    };
    click(form->ListBox1, QStringLiteral("03"));
    click(form->ListBox2, QStringLiteral("160"));
    click(form->ListBox3, QStringLiteral("000"));
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    click(form->ListBox3, QStringLiteral("025"));
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    QTest::mouseClick(form->RadioButton6, Qt::LeftButton);
    form->ToneBoxes[2]->setCurrentIndex(12);
    form->ComboBox4->setCurrentIndex(6);

    Exchange(form->Button6);
    EXPECT_EQ(op.Last().text, QStringLiteral("Параметры записаны"));
    ASSERT_TRUE(sim.WaitForLog(QStringLiteral("WRITE kept")));
    const auto held = sim.Image();
    ASSERT_TRUE(held);
    EXPECT_EQ(*held, form->State().image);
    const ChannelEntry third = held->Record(2);
    EXPECT_EQ(third.rxCode, 1120);
    EXPECT_EQ(third.txCode, 1122);
    EXPECT_EQ(third.toneNumber, 12);
    EXPECT_EQ(third.flags, ChannelFlag::InUse | ChannelFlag::Step25 | ChannelFlag::DetectCtcss);
    EXPECT_EQ(held->SettingsWord(SettingsOffset::waitTime), 1400);
}

TEST_F(WindowLinkTest, AFailedReadKeepsTheOperatorsTable) {
    Open({QStringLiteral("--no-announce"), QStringLiteral("--fault"),
          QStringLiteral("bad-checksum-a")});
    form->State().ctl.ListBox2.index = 10;
    form->Repaint();
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    const QString before = Cell(1, 1);
    ASSERT_FALSE(before.isEmpty());
    QTest::mouseClick(form->Button5, Qt::LeftButton);
    // A close waits for the end of the exchange.
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!op.shown.empty(), 10000);
    EXPECT_EQ(op.Last().text, QStringLiteral("Ошибка контрольной суммы."));
    EXPECT_EQ(Cell(1, 1), before);
    EXPECT_EQ(form->ListBox1->currentRow(), 0);
    EXPECT_TRUE(form->Button5->isVisibleTo(form.get()));
    // Then the window closes.
    QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 3000);
}

TEST_F(WindowLinkTest, NeitherADoubledAcknowledgementNorALateFrameIsTakenForAnAnswer) {
    Open(
        {QStringLiteral("--no-announce"), QStringLiteral("--fault"), QStringLiteral("double-ack")});
    // "OO" to the first frame, 'E' to the second: the stray 'O' does not answer the second.
    Exchange(form->Button6);
    EXPECT_EQ(op.Last().text, QStringLiteral("Ошибка записи в радиостанцию"));
    EXPECT_EQ(op.Last().icon, MessageIcon::Error);

    // The read's frame comes after the read gave up, full of 0x10 bytes: the watch, running
    // again after the failure, never takes it for the radio's announcement.
    ASSERT_TRUE(sim.Command(QStringLiteral("fault late-frame")).ok);
    Exchange(form->Button5);
    EXPECT_EQ(op.Last().text, QStringLiteral("Нет ответа от радиостанции"));
    // Once the frame has gone out, the watch polls on (each tick waits for the answer to the
    // poll before it) until the whole frame is long in, and stops only at an announcement.
    ASSERT_TRUE(sim.WaitForLog(QStringLiteral("(late-frame)"), 10000));
    QSignalSpy ticks(form->Timer1, &QTimer::timeout);
    QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= 30 || !form->Label39->text().isEmpty(), 10000);
    EXPECT_EQ(form->Label39->text(), QString());
}

TEST_F(WindowLinkTest, CompareSaysWhetherTheRadioHoldsThePlanOnScreen) {
    Open({QStringLiteral("--no-announce")});
    QTest::mouseClick(form->Button3, Qt::LeftButton);  // "Обе колонки": channel 01 on 146 MHz
    Exchange(form->Button6);
    ASSERT_EQ(op.Last().text, QStringLiteral("Параметры записаны"));
    auto compare = [this] {
        const auto before = op.shown.size();
        form->RunAction([this] { CompareWithRadio(form->State()); });
        QTRY_VERIFY_WITH_TIMEOUT(op.shown.size() > before && !form->ExchangeRunning(), 10000);
    };
    compare();
    EXPECT_EQ(op.Last().text, QStringLiteral("План на экране и радиостанция совпадают."));

    QTest::mouseClick(form->Button8, Qt::LeftButton);  // "Очистить все"
    const QString cleared = Cell(1, 1);
    compare();
    EXPECT_EQ(op.Last().icon, MessageIcon::Warning);
    EXPECT_TRUE(op.Last().text.contains(QStringLiteral("канал 01"))) << Text(op.Last().text);
    EXPECT_EQ(Cell(1, 1), cleared) << "the plan on screen stays as it is";
}

TEST_F(WindowLinkTest, UnsavedEditsAReadReplacesStayRestorableAndAFailedCheckKeepsThemUnsaved) {
    QTemporaryDir recovery;
    device = sim.Start({QStringLiteral("--no-announce"), QStringLiteral("--fault"),
                        QStringLiteral("changes-image")});
    ASSERT_FALSE(device.isEmpty()) << sim.Error().toStdString();
    form = std::make_unique<TForm1>(
        TForm1::Options{.port = device, .op = &op, .recoveryFolder = recovery.path()});
    form->show();
    QTRY_COMPARE_WITH_TIMEOUT(form->Label1->text(), QStringLiteral("открыт."), 5000);

    QTest::mouseClick(form->Button3, Qt::LeftButton);  // channel 01 on 146 MHz, not saved
    const FileBytes edited = SnapshotOf(EditedStateOf(form->State())).bytes;
    Exchange(form->Button5);
    ASSERT_EQ(op.Last().text, QStringLiteral("Параметры прочитаны"));
    EXPECT_FALSE(form->Modified());
    const auto offered = form->Recovery().Offered();
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_TRUE(offered[0].info.label.startsWith(QStringLiteral("до чтения в ")));
    const Result<FileBytes> kept = form->Recovery().Read(offered[0].stem);
    ASSERT_TRUE(kept);
    EXPECT_EQ(*kept, edited);

    // The radio acknowledges the write but keeps another plan: the plan stays unsaved.
    form->State().prefs.verifyAfterWrite = true;
    QTest::mouseClick(form->Button8, Qt::LeftButton);
    const auto before = op.shown.size();
    Exchange(form->Button6);
    // One box, after the check, says both.
    ASSERT_EQ(op.shown.size(), before + 1);
    EXPECT_EQ(op.Last().icon, MessageIcon::Error);
    EXPECT_TRUE(op.Last().text.startsWith(QStringLiteral("Радиостанция подтвердила запись")));
    EXPECT_TRUE(form->Modified());
    form.reset();  // the window lets its recovery files go before their folder goes
}

TEST_F(WindowLinkTest, ATypedPortNameOpensOnEnterNotOnEveryKeystroke) {
    Open({QStringLiteral("--no-announce")});
    QLineEdit* edit = form->ComboBox1->lineEdit();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("/dev/belvan-none"));
    // Nothing was opened while typing: the simulator's line is still ours.
    EXPECT_EQ(form->Label1->text(), QStringLiteral("открыт."));
    QTest::keyClick(edit, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(form->Label1->text(), QStringLiteral("используется."), 5000);
    EXPECT_FALSE(form->Label1->toolTip().isEmpty());

    edit->selectAll();
    QTest::keyClicks(edit, device);
    QTest::keyClick(edit, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(form->Label1->text(), QStringLiteral("открыт."), 5000);
}

TEST_F(WindowLinkTest, ARadioPulledOutDuringAReadIsSaidSoAndTheTableStays) {
    Open({QStringLiteral("--no-announce"), QStringLiteral("--fault"), QStringLiteral("hangup")});
    form->State().ctl.ListBox2.index = 10;
    form->Repaint();
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    const QString before = Cell(1, 1);
    Exchange(form->Button5);
    EXPECT_EQ(op.Last().text,
              QStringLiteral("Связь с радиостанцией прервана: устройство отключено."));
    EXPECT_EQ(op.Last().icon, MessageIcon::Error);
    EXPECT_EQ(Cell(1, 1), before);
    QTRY_COMPARE_WITH_TIMEOUT(form->Label1->text(), QStringLiteral("используется."), 3000);
    EXPECT_EQ(form->Label1->toolTip(), QStringLiteral("Устройство отключено."));
    EXPECT_FALSE(form->Timer1->isActive()) << "a dead line is not polled";
}

}  // namespace
}  // namespace belvan
