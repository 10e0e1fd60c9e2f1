// The real window, offscreen, driven with QTest clicks and key presses; the scripted operator
// answers its questions and records its messages.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <memory>

#include "nastroika.h"
#include "scripted_operator.h"

namespace belvan::testing {

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

}  // namespace belvan::testing
