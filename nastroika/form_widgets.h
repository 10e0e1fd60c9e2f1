// The form's own kinds of control: the port box with the system's ports, and the lists whose
// selection the operator moves but cannot remove.
#pragma once

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPalette>
#include <QPointer>
#include <QSignalBlocker>

#include "link/serial_line.h"

namespace belvan {

// A palette whose text is red: for the port label while the port is not open, the channels'
// marks and the recovery's warning. A palette rather than a style sheet, which would put a
// style of its own under each such label.
inline QPalette RedText(QPalette palette) {
    palette.setColor(QPalette::WindowText, Qt::red);
    return palette;
}

// The form's drop-down boxes, which the operator can also type into. Editable as setEditable
// makes a box, but without what it builds at once and the form's 28 boxes would pay for at start:
// the popup is built when it first opens, and the completion when the box is first entered.
class FormComboBox : public QComboBox {
  public:
    // completes: the text typed is completed inline to the first item it starts, as the function
    // key boxes do; the port, time and tone boxes keep exactly what is typed.
    explicit FormComboBox(QWidget* parent, bool completes = false)
        : QComboBox(parent), completes_(completes) {
        auto* edit = new QLineEdit(this);
        edit->setPalette(palette());
        // A box makes a completer of its own for a line edit that comes without one; a stand-in,
        // one for every box, is there while the box takes the line edit, and goes at once.
        static QPointer<QCompleter> standIn;
        if (!standIn) standIn = new QCompleter(QCoreApplication::instance());
        edit->setCompleter(standIn);
        setLineEdit(edit);
        edit->setCompleter(nullptr);
        setInsertPolicy(QComboBox::NoInsert);
    }
    void showPopup() override {
        // A popup built after the box became editable scrolls as a list that is not editable
        // does, by arrows alone; an editable box's list has its scroll bar.
        view()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        QComboBox::showPopup();
    }

  protected:
    void focusInEvent(QFocusEvent* event) override {
        if (completes_ && !completer()) {
            auto* completion = new QCompleter(model(), lineEdit());
            completion->setCaseSensitivity(Qt::CaseInsensitive);
            completion->setCompletionMode(QCompleter::InlineCompletion);
            setCompleter(completion);
        }
        QComboBox::focusInEvent(event);
    }

  private:
    bool completes_;
};

// The port box offers COM1 and COM2 first, then every serial port the system reports, then the
// port in the box when the system does not report it (a pseudo-terminal); the list is refreshed
// each time it opens, as wide as its longest name.
class PortComboBox : public FormComboBox {
  public:
    using FormComboBox::FormComboBox;
    void showPopup() override {
        const QString text = currentText();
        QStringList names{QStringLiteral("COM1"), QStringLiteral("COM2")};
        for (const QString& name : SystemPortNames())
            if (!names.contains(name)) names << name;
        if (!text.trimmed().isEmpty() && !names.contains(text)) names << text;
        {
            const QSignalBlocker blocker(this);
            clear();
            addItems(names);
            setCurrentIndex(static_cast<int>(names.indexOf(text)));
            setEditText(text);
        }
        view()->setMinimumWidth(view()->sizeHintForColumn(0) + 2 * view()->frameWidth());
        FormComboBox::showPopup();
    }
};

// The form's lists: the operator moves a selection but cannot remove it (Ctrl+click and
// Ctrl+Space would); a press tells whether it landed on the row that was already current.
class FormList : public QListWidget {
  public:
    using QListWidget::QListWidget;
    bool pressedOnCurrent = false;

  protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override {
        const auto command = QListWidget::selectionCommand(index, event);
        if (command & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle))
            return QItemSelectionModel::NoUpdate;
        return command;
    }
    void mousePressEvent(QMouseEvent* event) override {
        pressedOnCurrent =
            currentRow() >= 0 && indexAt(event->position().toPoint()).row() == currentRow();
        QListWidget::mousePressEvent(event);
    }
};

}  // namespace belvan
