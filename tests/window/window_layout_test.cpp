// The real window as it starts and as it is laid out, offscreen: the start-up state, captions
// that read whole, the fit on laptop and desktop screens, what a screen reader finds, the form's
// control names, and the exit button.
#include <gtest/gtest.h>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <map>
#include <vector>

#include "main_window.h"
#include "nastroika.h"
#include "scripted_operator.h"
#include "window_fixture.h"

namespace belvan {
namespace {

using testing::Text;
using testing::WindowTest;

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

TEST_F(WindowTest, ExitButtonClosesTheWindow) {
    Click(form->Button4);
    EXPECT_FALSE(form->isVisible());
}

}  // namespace
}  // namespace belvan
