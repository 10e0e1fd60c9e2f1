// The real window, offscreen, driven with QTest clicks and key presses; the scripted operator
// answers its questions and records its messages.
#include <gtest/gtest.h>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <map>

#include "main_window.h"
#include "nastroika.h"
#include "scripted_operator.h"

namespace belvan {
namespace {

using testing::ScriptedOperator;
using testing::Text;

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        form = std::make_unique<TForm1>(TForm1::Options{QStringLiteral("/nonexistent/port"), &op});
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    void ClickItem(QListWidget* list, const QString& text, Qt::KeyboardModifiers keys = {}) {
        const auto items = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << text.toStdString();
        list->scrollToItem(items.front());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, keys,
                          list->visualItemRect(items.front()).center());
    }
    // Types into the focused box over its whole text, as the keyboard would.
    void Type(QComboBox* box, const QString& text) {
        box->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box, text);
    }
    QString Cell(int row, int column) const {
        return form->StringGrid1->item(row - 1, column)->text();
    }
    void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    // Picks MHz and kHz and presses "Обе колонки".
    void FillBoth(const QString& mhz, const QString& khz) {
        ClickItem(form->ListBox2, mhz);
        ClickItem(form->ListBox3, khz);
        Click(form->Button3);
    }

    ScriptedOperator op;
    std::unique_ptr<TForm1> form;
};

TEST_F(WindowTest, StartsInTheDesignStateWithTheStartUpSelections) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Belvan-T"));
    EXPECT_EQ(form->ComboBox1->currentText(), QStringLiteral("/nonexistent/port"));
    EXPECT_EQ(form->ComboBox1->itemText(0), QStringLiteral("COM1"));
    EXPECT_EQ(form->ComboBox1->itemText(1), QStringLiteral("COM2"));
    QTRY_COMPARE(form->Label1->text(), QStringLiteral("используется."));  // said by the link
    EXPECT_FALSE(form->Label1->toolTip().isEmpty());
    EXPECT_EQ(form->ListBox1->currentItem()->text(), QStringLiteral("01"));
    EXPECT_EQ(form->ListBox2->currentItem()->text(), QStringLiteral("146"));
    EXPECT_EQ(form->ListBox3->count(), 40);
    EXPECT_EQ(form->ListBox3->currentItem()->text(), QStringLiteral("000"));
    EXPECT_TRUE(form->RadioButton2->isChecked());
    EXPECT_FALSE(form->RadioButton1->isChecked());
    EXPECT_TRUE(form->RadioButton8->isChecked());
    EXPECT_FALSE(form->RadioButton6->isChecked());
    EXPECT_TRUE(form->RadioButton9->isChecked());
    EXPECT_FALSE(form->RadioButton10->isVisible());
    EXPECT_FALSE(form->RadioButton11->isVisible());
    EXPECT_FALSE(form->RadioButton12->isVisible());
    for (QComboBox* tone : form->ToneBoxes) {
        EXPECT_FALSE(tone->isEnabled());
        EXPECT_TRUE(tone->currentText().isEmpty());
    }
    EXPECT_EQ(form->ComboBox4->currentText(), QStringLiteral("1"));
    EXPECT_EQ(form->ComboBox29->currentText(), QStringLiteral("1"));
    EXPECT_EQ(form->ComboBox30->currentText(), QStringLiteral("20"));
    for (QComboBox* key : form->KeyBoxes)
        EXPECT_EQ(key->currentText(), QStringLiteral("--= нет функции =--"));
    EXPECT_EQ(form->StringGrid1->horizontalHeaderItem(0)->text(), QStringLiteral(" №"));
    EXPECT_EQ(form->StringGrid1->horizontalHeaderItem(1)->text(), QStringLiteral("  На прием"));
    EXPECT_EQ(Cell(1, 0), QStringLiteral("01"));
    EXPECT_EQ(Cell(16, 0), QStringLiteral("16"));
    for (int row = 1; row <= 16; ++row) {
        EXPECT_TRUE(Cell(row, 1).isEmpty());
        EXPECT_FALSE(form->ChannelMarks[row - 1]->isVisible());
    }
    QTRY_VERIFY(form->Timer1->isActive());  // stopped only while the link answers a poll
    // Fixed size: no resizing, no maximise.
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(op.shown.empty());
}

// Every caption of the form is wide enough for its text, and nothing sticks out of its parent.
void ExpectCaptionsFullyVisible(TForm1* form) {
    for (QWidget* widget : form->findChildren<QWidget*>()) {
        if (!widget->isVisible()) continue;
        const QFontMetrics metrics(widget->font());
        QString text;
        int room = widget->width();
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            text = button->text();
            room -= 6;
        } else if (auto* check = qobject_cast<QAbstractButton*>(widget)) {
            text = check->text();
            room -= 20;  // the check mark or radio circle
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            text = label->text();
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            text = group->title();
            room -= 8;
        }
        if (text.isEmpty()) continue;
        EXPECT_LE(metrics.horizontalAdvance(text), room)
            << widget->objectName().toStdString() << " clips \"" << text.toStdString() << "\"";
        // Nothing sticks out of its parent.
        if (widget->parentWidget()) {
            EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry()))
                << widget->objectName().toStdString() << " leaves its parent";
        }
    }
    for (QComboBox* key : form->KeyBoxes) {
        const QFontMetrics metrics(key->font());
        EXPECT_LE(metrics.horizontalAdvance(QStringLiteral("--= нет функции =--")),
                  key->lineEdit()->width())
            << key->objectName().toStdString();
    }
}

TEST_F(WindowTest, EveryCaptionIsFullyVisible) {
    ExpectCaptionsFullyVisible(form.get());
}

// Run on the default screen and, through the platform's options, on laptop and desktop screens.
TEST_F(WindowTest, FitsTheScreenWithItsMenuBarStatusLineAndTitleBar) {
    MainWindow window({QStringLiteral("/nonexistent/port"), &op});
    const QRect available = window.screen()->availableGeometry();
    const int titleBar = 30;
    EXPECT_LE(window.width(), available.width());
    EXPECT_LE(window.height() + titleBar, available.height())
        << available.width() << "x" << available.height();
    EXPECT_EQ(window.centralWidget(), window.Form()) << "the whole form shows, nothing scrolls";
    // Where there is room, the form keeps the application's font.
    if (available.height() >= 1000) {
        EXPECT_EQ(window.Form()->font(), QApplication::font());
    }
    EXPECT_GE(QFontInfo(window.Form()->font()).pixelSize(), 8);
    // However small it had to become, every caption still reads whole.
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ExpectCaptionsFullyVisible(window.Form());
}

TEST_F(WindowTest, AScreenReaderFindsEveryControlByRoleAndName) {
    FillBoth(QStringLiteral("150"), QStringLiteral("025"));
    struct Seen {
        QAccessible::Role role;
        QString name;
        QString parentName;
        QStringList labels;  // what labels it, a screen reader's name for a drop-down box
    };
    std::map<QString, Seen> controls;  // by object name
    QStringList cells;
    std::vector<QAccessibleInterface*> pending{QAccessible::queryAccessibleInterface(form.get())};
    while (!pending.empty()) {
        QAccessibleInterface* node = pending.back();
        pending.pop_back();
        ASSERT_NE(node, nullptr);
        for (int i = 0; i < node->childCount(); ++i) pending.push_back(node->child(i));
        if (node->role() == QAccessible::Cell) cells << node->text(QAccessible::Name);
        auto* widget = qobject_cast<QWidget*>(node->object());
        if (!widget || widget->objectName().isEmpty() || widget == form.get()) continue;
        Seen seen{node->role(),
                  node->text(QAccessible::Name),
                  node->parent()->text(QAccessible::Name),
                  {}};
        for (const auto& [label, kind] : node->relations(QAccessible::Label))
            seen.labels << label->text(QAccessible::Name);
        // Every visible control is named; an empty status line has nothing to say.
        const auto* label = qobject_cast<QLabel*>(widget);
        if (widget->isVisible() && !(label && label->text().isEmpty())) {
            EXPECT_FALSE(seen.name.trimmed().isEmpty() && seen.labels.isEmpty())
                << Text(widget->objectName());
        }
        controls[widget->objectName()] = seen;
    }
    auto expect = [&](const char* object, QAccessible::Role role, const QString& name,
                      const QString& group = {}) {
        const auto found = controls.find(QString::fromLatin1(object));
        ASSERT_NE(found, controls.end()) << object;
        EXPECT_EQ(found->second.role, role) << object;
        if (role == QAccessible::ComboBox) {
            // Named by its accessible name on Windows and macOS, by its labels on Linux.
            const auto* box = form->findChild<QWidget*>(QString::fromLatin1(object));
            EXPECT_EQ(box->accessibleName(), name) << object;
            EXPECT_TRUE(found->second.labels.contains(name) ||
                        found->second.labels.contains(name.section(QStringLiteral(" : "), 1)))
                << object << ": " << Text(found->second.labels.join(u'|'));
            if (!group.isEmpty()) {
                EXPECT_TRUE(found->second.labels.contains(group)) << object;
            }
        } else {
            EXPECT_EQ(found->second.name, name) << object;
            if (!group.isEmpty()) {
                EXPECT_EQ(found->second.parentName, group) << object;
            }
        }
    };
    const QString detection = QStringLiteral(" Детектирование : ");
    const QString step = QStringLiteral(" Шаг сетки частот : ");
    expect("RadioButton6", QAccessible::RadioButton, QStringLiteral("По CTSS"), detection);
    expect("RadioButton8", QAccessible::RadioButton, QStringLiteral("По несущей"), detection);
    expect("RadioButton1", QAccessible::RadioButton, QStringLiteral("12,5 кГц."), step);
    expect("RadioButton2", QAccessible::RadioButton, QStringLiteral("25 кГц."), step);
    expect("RadioButton9", QAccessible::RadioButton, QStringLiteral("Рабочий режим"));
    expect("CheckBox1", QAccessible::CheckBox, QStringLiteral("Сканировать частоту"));
    expect("CheckBox3", QAccessible::CheckBox, QStringLiteral("Клонирование"));
    expect("Button5", QAccessible::Button, QStringLiteral("Прочитать"));
    expect("GroupBox1", QAccessible::Grouping, step);
    expect("GroupBox10", QAccessible::Grouping, QStringLiteral(" Функции F1 :"));
    expect("ListBox1", QAccessible::List, QStringLiteral("Номер канала"));
    expect("ListBox2", QAccessible::List, QStringLiteral("Частота, МГц."));
    expect("ListBox3", QAccessible::List, QStringLiteral("Частота, КГц."));
    expect("StringGrid1", QAccessible::Table, QStringLiteral("Таблица каналов"));
    expect("ComboBox1", QAccessible::ComboBox, QStringLiteral("Порт"));
    expect("ComboBox30", QAccessible::ComboBox, QStringLiteral("Время откл. передачи (сек.)"));
    const QString tones = QStringLiteral("CTSS (Гц)");
    expect("ComboBox5", QAccessible::ComboBox, QStringLiteral("CTSS (Гц), канал 01"), tones);
    expect("ComboBox20", QAccessible::ComboBox, QStringLiteral("CTSS (Гц), канал 16"), tones);
    expect("ComboBox21", QAccessible::ComboBox, QStringLiteral("Функции F1 : 1"),
           QStringLiteral(" Функции F1 :"));
    expect("ComboBox28", QAccessible::ComboBox, QStringLiteral("Функции F2 : 4"),
           QStringLiteral(" Функции F2 :"));
    expect("Label6", QAccessible::StaticText, QStringLiteral("Канал 01 задан"));
    // Every cell by channel and column, with what it holds.
    EXPECT_EQ(cells.size(), (kGridRows - 1) * kGridColumns);
    EXPECT_TRUE(cells.contains(QStringLiteral("Канал 01, На прием: 150025")))
        << Text(cells.join('|'));
    EXPECT_TRUE(cells.contains(QStringLiteral("Канал 16, Шаг: пусто")));
    EXPECT_TRUE(cells.contains(QStringLiteral("Канал 16")));

    // The radio buttons still show "none selected" when the state has it.
    form->State().ctl.RadioButton9 = false;
    form->State().ctl.RadioButton11 = true;
    form->State().ctl.RadioButton6 = form->State().ctl.RadioButton8 = false;
    form->Repaint();
    EXPECT_FALSE(form->RadioButton9->isChecked());
    EXPECT_FALSE(form->RadioButton6->isChecked());
    EXPECT_FALSE(form->RadioButton8->isChecked());
}

TEST_F(WindowTest, ControlsCarryTheFormsNames) {
    for (const char* name : {"StringGrid1", "ListBox1", "ComboBox1", "ComboBox4", "ComboBox5",
                             "ComboBox20", "ComboBox21", "ComboBox28", "ComboBox30", "Button5",
                             "Button6", "Button12", "RadioButton9", "Label6", "Label21"})
        EXPECT_NE(form->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(form->StringGrid1->editTriggers(),
              QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    EXPECT_FALSE(form->StringGrid1->horizontalHeader()->sectionsMovable());
}

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

TEST_F(WindowTest, AnErrorEscapingAHandlerIsShownAndTheWindowGoesOn) {
    QTemporaryDir dir;
    QLineEdit* maxTransmit = form->ComboBox29->lineEdit();
    maxTransmit->selectAll();
    QTest::keyClicks(maxTransmit, QStringLiteral("abc"));
    const QString file = dir.filePath(QStringLiteral("plan.ctrch"));
    op.files = {file};
    Click(form->Button11);
    ASSERT_FALSE(op.shown.empty());
    EXPECT_EQ(op.Last().text, QStringLiteral("'abc' is not a valid integer value"));
    EXPECT_EQ(op.Last().icon, MessageIcon::Error);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Belvan-T"));
    EXPECT_TRUE(form->isVisible());

    maxTransmit->selectAll();
    QTest::keyClicks(maxTransmit, QStringLiteral("3"));
    op.files = {file};
    Click(form->Button11);
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Настройка каналов  Файл: ") + file);
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

TEST_F(WindowTest, ExitButtonClosesTheWindow) {
    Click(form->Button4);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(WindowTest, APlanSavedAndLoadedInAFreshWindowLooksTheSame) {
    // Channel 2: 150,000 / 150,025 MHz by CTCSS tone 12 with scan; channel 9: 12,5 kHz step.
    ClickItem(form->ListBox1, QStringLiteral("02"));
    Click(form->CheckBox1);
    FillBoth(QStringLiteral("150"), QStringLiteral("000"));
    ClickItem(form->ListBox3, QStringLiteral("025"));
    Click(form->Button2);
    Click(form->RadioButton6);
    form->ToneBoxes[1]->setCurrentIndex(12);
    ClickItem(form->ListBox1, QStringLiteral("09"));
    Click(form->RadioButton1);
    FillBoth(QStringLiteral("173"), QStringLiteral("987,5"));
    Click(form->CheckBox6);
    form->KeyBoxes[5]->setCurrentIndex(3);
    form->ComboBox30->setCurrentIndex(4);

    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("plan"));
    op.files = {name};
    Click(form->Button11);
    const QString file = name + QStringLiteral(".ctrch");
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_EQ(QFileInfo(file).size(), 255);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Настройка каналов  Файл: ") + file);

    ScriptedOperator freshOperator;
    TForm1 fresh({QStringLiteral("/nonexistent/port"), &freshOperator});
    fresh.show();
    freshOperator.files = {file};
    QTest::mouseClick(fresh.Button12, Qt::LeftButton);
    EXPECT_TRUE(freshOperator.shown.empty());
    EXPECT_EQ(fresh.windowTitle(), QStringLiteral("Настройка каналов  Файл: ") + file);
    // A shown channel writes its masking mark with one blank more than the masking box does,
    // and shows the row's mark even for a half-kHz frequency (which a fill leaves unmarked).
    for (int row = 0; row < kGridRows - 1; ++row) {
        for (int column = 0; column < kGridColumns; ++column) {
            const QString loaded = fresh.StringGrid1->item(row, column)->text();
            const QString edited = form->StringGrid1->item(row, column)->text();
            if (column == Column::Masking)
                EXPECT_EQ(loaded.trimmed(), edited.trimmed()) << row + 1;
            else
                EXPECT_EQ(loaded, edited) << row + 1 << "," << column;
        }
    }
    EXPECT_EQ(fresh.StringGrid1->item(1, Column::Masking)->text(), QStringLiteral("     -"));
    for (int c = 0; c < kChannelCount; ++c) {
        EXPECT_EQ(fresh.ToneBoxes[c]->isEnabled(), form->ToneBoxes[c]->isEnabled()) << c;
        EXPECT_EQ(fresh.ToneBoxes[c]->currentText(), form->ToneBoxes[c]->currentText()) << c;
        EXPECT_EQ(fresh.ChannelMarks[c]->isVisible(), c == 1 || c == 8) << c;
    }
    EXPECT_FALSE(form->ChannelMarks[8]->isVisible());
    EXPECT_EQ(fresh.ToneBoxes[1]->currentText(), QStringLiteral("12 - 100,0"));
    EXPECT_TRUE(fresh.CheckBox6->isChecked());
    EXPECT_EQ(fresh.KeyBoxes[5]->currentText(), QStringLiteral("Сканир-ие"));
    EXPECT_EQ(fresh.ComboBox30->currentText(), QStringLiteral("50"));
    EXPECT_EQ(fresh.State().plan, form->State().plan);

    // Saving again from the fresh window gives the same bytes.
    QFile first(file);
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    const QByteArray saved = first.readAll();
    const QString again = dir.filePath(QStringLiteral("again.ctrch"));
    freshOperator.files = {again};
    QTest::mouseClick(fresh.Button11, Qt::LeftButton);
    QFile second(again);
    ASSERT_TRUE(second.open(QIODevice::ReadOnly));
    EXPECT_EQ(second.readAll(), saved);
}

TEST_F(WindowTest, ABadFileIsRefusedAndChangesNothing) {
    FillBoth(QStringLiteral("150"), QStringLiteral("000"));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("short.ctrch"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QByteArray(100, '\x01'));
    out.close();
    op.files = {file};
    Click(form->Button12);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.Last().caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(op.Last().icon, MessageIcon::Error);
    EXPECT_TRUE(op.Last().text.contains(file));
    EXPECT_EQ(Cell(1, 1), QStringLiteral("    150000"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Belvan-T"));
}

TEST_F(WindowTest, AFileNamedAtStartOrDroppedLoadsAsTheLoadButtonDoes) {
    FillBoth(QStringLiteral("150"), QStringLiteral("000"));
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.ctrch"));
    op.files = {good};
    Click(form->Button11);
    QFile saved(good);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    auto write = [&](const QString& name, const QByteArray& content) {
        QFile out(dir.filePath(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(content);
        return out.fileName();
    };
    const QString shortFile = write(QStringLiteral("short.ctrch"), bytes.left(200));
    QByteArray damaged = bytes;
    damaged[kFileChecksumOffset] = static_cast<char>(damaged[kFileChecksumOffset] ^ 1);
    const QString badSum = write(QStringLiteral("sum.ctrch"), damaged);

    // Started with a file: it is loaded once the window is up, with the load's own checks.
    auto start = [](const QString& file, ScriptedOperator& answering) {
        auto window = std::make_unique<TForm1>(
            TForm1::Options{QStringLiteral("/nonexistent/port"), &answering, file});
        window->show();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return !answering.shown.empty() || window->windowTitle() != "Belvan-T"; }));
        return window;
    };
    {
        ScriptedOperator answering;
        const auto window = start(good, answering);
        EXPECT_TRUE(answering.shown.empty());
        EXPECT_EQ(window->windowTitle(), kFileCaptionPrefix + good);
        EXPECT_EQ(window->StringGrid1->item(0, 1)->text(), QStringLiteral("    150000"));
    }
    {
        ScriptedOperator answering;
        const auto window = start(shortFile, answering);
        ASSERT_EQ(answering.shown.size(), 1u);
        EXPECT_EQ(answering.Last().caption, QStringLiteral("Ошибка"));
        EXPECT_TRUE(answering.Last().text.contains(shortFile));
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Belvan-T"));
        EXPECT_TRUE(window->StringGrid1->item(0, 1)->text().isEmpty());
    }
    {
        ScriptedOperator answering;
        answering.answers = {Answer::Yes};
        const auto window = start(badSum, answering);
        ASSERT_EQ(answering.shown.size(), 1u);
        EXPECT_EQ(answering.Last().kind, testing::ShownMessage::YesNo);
        EXPECT_EQ(window->windowTitle(), kFileCaptionPrefix + badSum);
        EXPECT_EQ(window->StringGrid1->item(0, 1)->text(), QStringLiteral("    150000"));
    }

    // Dropped onto the window: the damaged file is refused when the operator says no, the good
    // one is taken in.
    Click(form->Button8);
    auto drop = [&](const QString& file) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        const QPoint at = form->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(form.get(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(form.get(), &dropped);
    };
    op.Clear();
    op.answers = {Answer::No};
    drop(badSum);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_TRUE(Cell(1, 1).isEmpty());
    drop(good);
    EXPECT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("    150000"));
}

}  // namespace
}  // namespace belvan
