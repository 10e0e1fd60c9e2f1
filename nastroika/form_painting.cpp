#include "nastroika.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "channel_table.h"
#include "form_widgets.h"

namespace belvan {

namespace {
void PaintCombo(QComboBox* box, const ComboState& state) {
    const QSignalBlocker blocker(box);
    if (box->currentIndex() != state.index) box->setCurrentIndex(state.index);
    if (box->currentText() != state.text) box->setEditText(state.text);
    box->setEnabled(state.enabled);
}

void PaintList(QListWidget* list, const ListState& state) {
    const QSignalBlocker blocker(list);
    QStringList shown;
    for (int row = 0; row < list->count(); ++row) shown << list->item(row)->text();
    if (shown != state.items) {
        list->clear();
        list->addItems(state.items);
    }
    if (list->currentRow() != state.index) list->setCurrentRow(state.index);
    if (state.index < 0)
        list->clearSelection();
    else if (!list->item(state.index)->isSelected())
        list->item(state.index)->setSelected(true);
}
}  // namespace

void TForm1::ShowExchangeState() {
    const bool running = ExchangeRunning();
    if (running == exchangeShown_) return;
    exchangeShown_ = running;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child != ExchangeStage && child != ExchangeProgress) child->setEnabled(!running);
    if (running) {
        ExchangeStage->clear();
        ExchangeProgress->setRange(0, 100);
        ExchangeProgress->setValue(0);
        QApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
    ExchangeStage->setVisible(running);
    ExchangeProgress->setVisible(running);
    emit exchangeRunningChanged(running);
    if (!running && closeWhenDone_) QTimer::singleShot(0, window(), &QWidget::close);
}

void TForm1::ShowProgress(const LinkProgress& progress) {
    if (!ExchangeRunning()) return;
    if (!progress.stage.isEmpty()) ExchangeStage->setText(progress.stage);
    ExchangeProgress->setRange(0, progress.total);
    ExchangeProgress->setValue(progress.done);
}

void TForm1::PaintPortStrip() {
    const Controls& c = state_.ctl;
    Label1->setText(c.Label1);
    Label1->setPalette(c.label1Red ? RedText(palette()) : palette());
    Label1->setToolTip(c.label1Reason);
    Label1->adjustSize();
    Label39->setText(c.Label39);
    Label39->adjustSize();
    const bool watch = c.Timer1 && !ExchangeRunning();
    if (watch != Timer1->isActive()) watch ? Timer1->start() : Timer1->stop();
}

void TForm1::Repaint() {
    repainting_ = true;
    const Controls& c = state_.ctl;
    setWindowTitle(c.caption);
    {
        const QSignalBlocker blocker(ComboBox1);
        if (ComboBox1->currentText() != c.ComboBox1.text) ComboBox1->setEditText(c.ComboBox1.text);
    }
    PaintPortStrip();

    PaintList(ListBox1, c.ListBox1);
    PaintList(ListBox2, c.ListBox2);
    PaintList(ListBox3, c.ListBox3);
    for (int column = 0; column < kGridColumns; ++column) {
        QTableWidgetItem* heading = StringGrid1->horizontalHeaderItem(column);
        if (heading->text() != c.Cell(0, column)) heading->setText(c.Cell(0, column));
        for (int row = 1; row < kGridRows; ++row) {
            QTableWidgetItem* item = StringGrid1->item(row - 1, column);
            const QString& text = c.Cell(row, column);
            if (item->text() != text) item->setText(text);
            // A screen reader names the cell by channel and column, and says when it is empty.
            QString spoken = QStringLiteral("Канал %1").arg(row, 2, 10, QChar(u'0'));
            if (column > 0)
                spoken +=
                    QStringLiteral(", %1: %2")
                        .arg(c.Cell(0, column).trimmed(),
                             text.trimmed().isEmpty() ? QStringLiteral("пусто") : text.trimmed());
            if (item->data(Qt::AccessibleTextRole).toString() != spoken)
                item->setData(Qt::AccessibleTextRole, spoken);
        }
    }
    for (int i = 0; i < kChannelCount; ++i) ChannelMarks[i]->setVisible(c.channelMarks[i]);
    TableEditor->FollowSelectedChannel();

    auto paintCheck = [](QAbstractButton* b, bool on) {
        const QSignalBlocker blocker(b);
        if (b->isChecked() == on) return;
        // Qt keeps the checked button of an auto-exclusive group checked; the state may have
        // none selected, so the group lets go while the button is painted.
        const bool exclusive = b->autoExclusive();
        b->setAutoExclusive(false);
        b->setChecked(on);
        b->setAutoExclusive(exclusive);
    };
    paintCheck(CheckBox1, c.CheckBox1);
    paintCheck(CheckBox2, c.CheckBox2);
    paintCheck(RadioButton6, c.RadioButton6);
    paintCheck(RadioButton8, c.RadioButton8);
    paintCheck(RadioButton1, c.RadioButton1);
    paintCheck(RadioButton2, c.RadioButton2);
    paintCheck(CheckBox3, c.CheckBox3);
    paintCheck(CheckBox6, c.CheckBox6);
    paintCheck(RadioButton9, c.RadioButton9);
    paintCheck(RadioButton10, c.RadioButton10);
    paintCheck(RadioButton11, c.RadioButton11);
    paintCheck(RadioButton12, c.RadioButton12);

    PaintCombo(ComboBox4, c.ComboBox4);
    PaintCombo(ComboBox29, c.ComboBox29);
    PaintCombo(ComboBox30, c.ComboBox30);
    for (int i = 0; i < kChannelCount; ++i) PaintCombo(ToneBoxes[i], c.toneBoxes[i]);
    for (int i = 0; i < 8; ++i) PaintCombo(KeyBoxes[i], c.keyBoxes[i]);

    Button5->setVisible(c.Button5Visible);
    Button6->setVisible(c.Button6Visible);
    ShowExchangeState();
    if (state_.statusLine != statusLineShown_) {
        statusLineShown_ = state_.statusLine;
        emit statusLineChanged(statusLineShown_);
    }
    repainting_ = false;
}

}  // namespace belvan
