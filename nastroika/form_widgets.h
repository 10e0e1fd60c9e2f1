// The form's own kinds of control: the port box with the system's ports, and the lists whose
// selection the operator moves but cannot remove.
#pragma once

#include <QAbstractItemView>
#include <QComboBox>
#include <QListWidget>
#include <QMouseEvent>
#include <QPalette>
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

// The port box offers COM1 and COM2 first, then every serial port the system reports, then the
// port in the box when the system does not report it (a pseudo-terminal); the list is refreshed
// each time it opens, as wide as its longest name.
class PortComboBox : public QComboBox {
  public:
    using QComboBox::QComboBox;
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
        QComboBox::showPopup();
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
