// The real window, offscreen, edited as the operator edits it with QTest clicks and key presses:
// channels filled and cleared, detection and step, typed values, the lists' highlights, the
// rounding question, the radio-wide defaults.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "nastroika.h"
#include "scripted_operator.h"
#include "window_fixture.h"

namespace belvan {
namespace {

using testing::ScriptedOperator;
using testing::Text;
using testing::WindowTest;

TEST_F(WindowTest, FillThroughTheButtonsLandsInTheGrid) {
    FillBoth(QStringLiteral("150"), QStringLiteral("025"));
    EXPECT_EQ(Cell(1, 1), QStringLiteral("    150025"));
    EXPECT_EQ(Cell(1, 2), QStringLiteral("    150025"));
    EXPECT_EQ(Cell(1, 3), QStringLiteral("    -"));
    EXPECT_EQ(Cell(1, 6), QStringLiteral("     +"));
    EXPECT_EQ(Cell(1, 7), QStringLiteral(" 25"));
    EXPECT_TRUE(form->ChannelMarks[0]->isVisible());
    EXPECT_EQ(form->State().plan[0].rxCode, 322);

    // Another channel, receive only: its mark cells stay empty.
    ClickItem(form->ListBox1, QStringLiteral("05"));
    ClickItem(form->ListBox2, QStringLiteral("160"));
    ClickItem(form->ListBox3, QStringLiteral("000"));
    Click(form->Button1);
    EXPECT_EQ(Cell(5, 1), QStringLiteral("    160000"));
    EXPECT_TRUE(Cell(5, 2).isEmpty());
    EXPECT_TRUE(Cell(5, 3).isEmpty());

    Click(form->Button7);  // "Очистить канал" clears channel 5 only
    EXPECT_TRUE(Cell(5, 1).isEmpty());
    EXPECT_FALSE(form->ChannelMarks[4]->isVisible());
    EXPECT_EQ(Cell(1, 1), QStringLiteral("    150025"));
    Click(form->Button8);  // "Очистить все"
    EXPECT_TRUE(Cell(1, 1).isEmpty());
    EXPECT_EQ(Cell(1, 0), QStringLiteral("01"));
}

TEST_F(WindowTest, DetectionModeDrivesTheChannelsToneBox) {
    FillBoth(QStringLiteral("150"), QStringLiteral("000"));
    Click(form->RadioButton6);
    EXPECT_TRUE(form->RadioButton6->isChecked());
    EXPECT_FALSE(form->RadioButton8->isChecked());
    EXPECT_EQ(Cell(1, 5), QStringLiteral("   +"));
    ASSERT_TRUE(form->ToneBoxes[0]->isEnabled());
    EXPECT_FALSE(form->ToneBoxes[1]->isEnabled());

    form->ToneBoxes[0]->setCurrentIndex(7);
    EXPECT_EQ(form->ToneBoxes[0]->currentText(), QStringLiteral("07 - 85,4"));

    Click(form->RadioButton8);
    EXPECT_EQ(Cell(1, 5), QStringLiteral("   -"));
    EXPECT_EQ(Cell(1, 6), QStringLiteral("     +"));
    EXPECT_FALSE(form->ToneBoxes[0]->isEnabled());
    EXPECT_TRUE(form->ToneBoxes[0]->currentText().isEmpty());
}

TEST_F(WindowTest, DigitBoxesDropLettersWhileOtherBoxesTakeThem) {
    // Keys go to the focused box, as the keyboard sends them.
    form->ComboBox4->setFocus();
    form->ComboBox4->lineEdit()->selectAll();
    QTest::keyClicks(form->ComboBox4, QStringLiteral("a1b2x"));
    EXPECT_EQ(form->ComboBox4->currentText(), QStringLiteral("12"));
    QTest::keyClick(form->ComboBox4, Qt::Key_Backspace);
    EXPECT_EQ(form->ComboBox4->currentText(), QStringLiteral("1"));
    QTest::keyClick(form->ComboBox4, Qt::Key_Home);
    QTest::keyClick(form->ComboBox4, Qt::Key_Delete);  // keys that type nothing keep working
    EXPECT_TRUE(form->ComboBox4->currentText().isEmpty());

    FillBoth(QStringLiteral("150"), QStringLiteral("000"));
    Click(form->RadioButton6);
    form->ToneBoxes[0]->setFocus();
    QTest::keyClicks(form->ToneBoxes[0], QStringLiteral("z0-7q"));
    EXPECT_EQ(form->ToneBoxes[0]->currentText(), QStringLiteral("07"));
    QTest::keyClicks(form->ToneBoxes[0]->lineEdit(), QStringLiteral("y"));
    EXPECT_EQ(form->ToneBoxes[0]->currentText(), QStringLiteral("07"));

    form->ComboBox29->setFocus();
    form->ComboBox29->lineEdit()->selectAll();
    QTest::keyClicks(form->ComboBox29, QStringLiteral("ab"));
    EXPECT_EQ(form->ComboBox29->currentText(), QStringLiteral("ab"));

    // A function key box completes what is typed to the first item it starts; the port box
    // keeps exactly what is typed, though its list has a name that starts it.
    form->KeyBoxes[2]->setFocus();
    form->KeyBoxes[2]->lineEdit()->selectAll();
    for (QChar letter : QStringLiteral("Тон-14"))  // letters QTest's own typing cannot send
        QTest::sendKeyEvent(QTest::Click, form->KeyBoxes[2], Qt::Key_unknown, letter,
                            Qt::NoModifier);
    EXPECT_EQ(form->KeyBoxes[2]->currentText(), QStringLiteral("Тон-1400Гц"));
    form->ComboBox1->setFocus();
    form->ComboBox1->lineEdit()->selectAll();
    QTest::keyClicks(form->ComboBox1, QStringLiteral("CO"));
    EXPECT_EQ(form->ComboBox1->currentText(), QStringLiteral("CO"));
}

TEST_F(WindowTest, TheWatchTicksBehindAQuestionWithoutUndoingTheHandlersWork) {
    Click(form->RadioButton1);
    FillBoth(QStringLiteral("146"), QStringLiteral("012,5"));
    ClickItem(form->ListBox3, QStringLiteral("750"));  // a row the 25 kHz list does not have
    // The operator thinks a while before answering: the watch's timer ticks twice meanwhile.
    QSignalSpy ticks(form->Timer1, &QTimer::timeout);
    struct SlowOperator : ScriptedOperator {
        QSignalSpy* ticks = nullptr;
        bool ticked = false;
        Answer AskYesNoCancel(const QString& text, const QString& caption,
                              MessageIcon icon) override {
            const qsizetype before = ticks->count();
            ticked = QTest::qWaitFor([&] { return ticks->count() >= before + 2; }, 10000);
            return ScriptedOperator::AskYesNoCancel(text, caption, icon);
        }
    } slow;
    slow.ticks = &ticks;
    slow.answers = {Answer::Yes};
    form->State().op = &slow;
    Click(form->RadioButton2);
    form->State().op = &op;
    ASSERT_EQ(slow.shown.size(), 1u);
    EXPECT_TRUE(slow.ticked) << "the watch did not tick behind the question";
    EXPECT_EQ(form->ListBox3->count(), 40);
    ASSERT_NE(form->ListBox3->currentItem(), nullptr);
    EXPECT_EQ(form->ListBox3->currentItem()->text(), QStringLiteral("000"));
    EXPECT_EQ(Cell(1, 1), QStringLiteral("    146025"));
    // The timer runs again once the link has answered the last poll.
    QTRY_VERIFY(form->Timer1->isActive());
}

TEST_F(WindowTest, ClickingTheCurrentChannelShowsItAgain) {
    FillBoth(QStringLiteral("150"), QStringLiteral("000"));
    Click(form->CheckBox1);
    ASSERT_EQ(Cell(1, 3), QStringLiteral("    +"));
    // The controls drift from channel 1 (as after a load, which shows every channel).
    form->State().ctl.CheckBox1 = false;
    form->Repaint();
    ClickItem(form->ListBox1, QStringLiteral("01"));
    EXPECT_TRUE(form->CheckBox1->isChecked());
}

TEST_F(WindowTest, TypedValuesAreKeptAsTypedAndSavedSo) {
    FillBoth(QStringLiteral("150"), QStringLiteral("000"));
    Click(form->RadioButton6);
    Type(form->ToneBoxes[0], QStringLiteral("3"));
    EXPECT_EQ(form->ToneBoxes[0]->currentText(), QStringLiteral("3"));
    for (QComboBox* time : {form->ComboBox4, form->ComboBox29, form->ComboBox30}) {
        Type(time, QStringLiteral("5"));
        EXPECT_EQ(time->currentText(), QStringLiteral("5")) << Text(time->objectName());
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("typed.ctrch"));
    op.files = {file};
    Click(form->Button11);
    const Result<FileBytes> saved = ReadSettingsFile(file);
    ASSERT_TRUE(saved) << Text(saved.error().text);
    const ParameterImage image = ImageFromFileBytes(*saved);
    EXPECT_EQ(image.Record(0).toneNumber, 3);
    EXPECT_EQ(image.SettingsWord(SettingsOffset::waitTime), 5 * kWaitTimePerSecond);
    EXPECT_EQ(image.SettingsWord(SettingsOffset::maxTransmitTime), 5 * kMaxTransmitPerMinute);
    EXPECT_EQ(image.SettingsWord(SettingsOffset::transmitOffTime), 5 * kTransmitOffPerSecond);
}

TEST_F(WindowTest, OneClickOnAChannelShowsItOnce) {
    // Channel 1 masked, channel 2 not; the click on channel 1 switches the masking box on, whose
    // handler writes the cell in its own text. A second showing would rewrite it with one blank
    // more.
    FillBoth(QStringLiteral("150"), QStringLiteral("000"));
    Click(form->CheckBox2);
    ClickItem(form->ListBox1, QStringLiteral("02"));
    Click(form->CheckBox2);
    FillBoth(QStringLiteral("151"), QStringLiteral("000"));
    ASSERT_FALSE(form->CheckBox2->isChecked());
    ClickItem(form->ListBox1, QStringLiteral("01"));
    EXPECT_TRUE(form->CheckBox2->isChecked());
    EXPECT_EQ(Cell(1, Column::Masking), QStringLiteral("    +"));
}

TEST_F(WindowTest, CtrlClickKeepsEveryListsHighlight) {
    ClickItem(form->ListBox1, QStringLiteral("03"));
    ClickItem(form->ListBox2, QStringLiteral("150"));
    ClickItem(form->ListBox3, QStringLiteral("050"));
    for (QListWidget* list : {form->ListBox1, form->ListBox2, form->ListBox3}) {
        QListWidgetItem* highlighted = list->currentItem();
        ClickItem(list, highlighted->text(), Qt::ControlModifier);
        EXPECT_EQ(list->currentItem(), highlighted) << Text(list->objectName());
        EXPECT_TRUE(highlighted->isSelected()) << Text(list->objectName());
    }
    Click(form->Button1);
    EXPECT_EQ(Cell(3, 1), QStringLiteral("    150050"));
    EXPECT_TRUE(Cell(1, 1).isEmpty());
}

TEST_F(WindowTest, RoundingQuestionIsAnsweredByTheOperator) {
    Click(form->RadioButton1);  // 12,5 kHz
    EXPECT_EQ(form->ListBox3->count(), 80);
    FillBoth(QStringLiteral("146"), QStringLiteral("012,5"));
    EXPECT_EQ(Cell(1, 1), QStringLiteral("    146012,5"));
    EXPECT_EQ(Cell(1, 7), QStringLiteral(" 12,5"));
    EXPECT_TRUE(op.shown.empty());

    op.answers = {Answer::Yes};
    Click(form->RadioButton2);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].caption,
              QStringLiteral("   Изменяемая частота была задана с шагом 12,5 МГц."));
    EXPECT_EQ(op.shown[0].icon, MessageIcon::Question);
    EXPECT_EQ(op.shown[0].kind, testing::ShownMessage::YesNoCancel);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("    146025"));
    EXPECT_EQ(Cell(1, 7), QStringLiteral(" 25"));
    EXPECT_EQ(form->ListBox3->count(), 40);

    // Cancel brings the 12,5 kHz step back with the frequencies kept.
    Click(form->RadioButton1);
    FillBoth(QStringLiteral("146"), QStringLiteral("037,5"));
    op.answers = {Answer::Cancel};
    Click(form->RadioButton2);
    EXPECT_TRUE(form->RadioButton1->isChecked());
    EXPECT_FALSE(form->RadioButton2->isChecked());
    EXPECT_EQ(form->ListBox3->count(), 80);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("    146037,5"));
}

TEST_F(WindowTest, FillWithoutASelectedChannelAsksForOne) {
    form->State().ctl.ListBox1.index = -1;
    form->Repaint();
    Click(form->Button1);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.shown[0].text, QStringLiteral("Укажите номер канала"));
    EXPECT_EQ(op.shown[0].caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(op.shown[0].icon, MessageIcon::Error);
    EXPECT_TRUE(Cell(1, 1).isEmpty());
}

TEST_F(WindowTest, ResetModeButtonRestoresTheRadioWideDefaults) {
    form->KeyBoxes[2]->setCurrentIndex(5);
    Click(form->CheckBox3);
    form->ComboBox30->setCurrentIndex(8);
    Click(form->Button9);
    EXPECT_EQ(form->KeyBoxes[2]->currentText(), QStringLiteral("--= нет функции =--"));
    EXPECT_FALSE(form->CheckBox3->isChecked());
    EXPECT_EQ(form->ComboBox30->currentText(), QStringLiteral("20"));
}

}  // namespace
}  // namespace belvan
