#include "channel_table.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <algorithm>
#include <functional>

#include "nastroika.h"
#include "plan/ctcss_table.h"
#include "plan/typed_frequency.h"

namespace belvan {

namespace {
// "01, 03, 04" for channels 0, 2 and 3.
QString ChannelNumbers(const std::vector<int>& channels) {
    QStringList numbers;
    for (int c : channels) numbers << QStringLiteral("%1").arg(c + 1, 2, 10, QChar(u'0'));
    return numbers.join(QStringLiteral(", "));
}

// A cell's editor has the focus: a key it leaves reaches the table, and must not open it again.
bool Editing(const QTableWidget* table) {
    const QWidget* focus = QApplication::focusWidget();
    return focus && table->viewport()->isAncestorOf(focus);
}

bool FrequencyColumn(int column) {
    return column == Column::Receive || column == Column::Transmit;
}

// The editor of a frequency cell: a line with the cell's frequency. What is typed goes to the
// form, never into the cell; the cell shows what the plan then holds.
class FrequencyDelegate : public QStyledItemDelegate {
  public:
    using Typed = std::function<void(int row, int column, const QString& text)>;
    FrequencyDelegate(QObject* parent, Typed typed)
        : QStyledItemDelegate(parent), typed_(std::move(typed)) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        auto* line = new QLineEdit(parent);
        line->setFrame(false);
        line->setAccessibleName(index.data(Qt::AccessibleTextRole).toString());
        return line;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* line = static_cast<QLineEdit*>(editor);
        line->setText(index.data().toString().trimmed());
        line->selectAll();
    }
    void setModelData(QWidget* editor, QAbstractItemModel*,
                      const QModelIndex& index) const override {
        typed_(index.row(), index.column(), static_cast<QLineEdit*>(editor)->text());
    }

  private:
    Typed typed_;
};
}  // namespace

ChannelTableEditor::ChannelTableEditor(TForm1* form) : QObject(form), form_(form) {
    QTableWidget* table = form->StringGrid1;
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    for (int row = 0; row < table->rowCount(); ++row)
        for (int column = 0; column < table->columnCount(); ++column)
            if (!FrequencyColumn(column)) {
                QTableWidgetItem* item = table->item(row, column);
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            }
    // The typed text is taken once the editor has closed: a question or a refusal then never
    // meets an editor still open.
    auto* delegate = new FrequencyDelegate(this, [this](int row, int column, const QString& text) {
        QMetaObject::invokeMethod(
            form_, [this, row, column, text] { FillTyped(row, column, text); },
            Qt::QueuedConnection);
    });
    table->setItemDelegateForColumn(Column::Receive, delegate);
    table->setItemDelegateForColumn(Column::Transmit, delegate);
    table->installEventFilter(this);
    table->viewport()->installEventFilter(this);

    // A row is chosen as the № list chooses a channel: when the current row changes (a click, an
    // arrow key), or on the release of a click on the row already current.
    connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, form,
            [this](const QModelIndex& now) {
                if (now.isValid()) Choose(now.row());
            });
    connect(table, &QTableWidget::cellClicked, form, [this](int row, int) {
        if (pressedOnCurrent_) Choose(row);
    });
    BuildMenu();
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table, &QWidget::customContextMenuRequested, form, [this, table](const QPoint& at) {
        if (!form_->ExchangeRunning()) menu_->popup(table->viewport()->mapToGlobal(at));
    });
}

void ChannelTableEditor::BuildMenu() {
    menu_ = new QMenu(QStringLiteral("В&ыбранные каналы"), form_);
    menu_->setObjectName(QStringLiteral("ChannelTableMenu"));
    auto change = [this](QMenu* menu, const QString& text, const QString& step, const QString& done,
                         ChannelChange what) {
        connect(menu->addAction(text), &QAction::triggered, form_,
                [this, step, done, what] { ChangeChosen(step, done, what); });
    };
    QMenu* step = menu_->addMenu(QStringLiteral("&Шаг сетки частот"));
    change(step, QStringLiteral("12,5 кГц."), QStringLiteral("шаг 12,5 кГц выбранных каналов"),
           QStringLiteral("Шаг 12,5 кГц"), ChannelChange::Step12_5);
    change(step, QStringLiteral("25 кГц."), QStringLiteral("шаг 25 кГц выбранных каналов"),
           QStringLiteral("Шаг 25 кГц"), ChannelChange::Step25);
    QMenu* scan = menu_->addMenu(QStringLiteral("&Сканирование"));
    const QString scanStep = QStringLiteral("сканирование выбранных каналов");
    change(scan, QStringLiteral("Включить"), scanStep, QStringLiteral("Сканирование включено"),
           ChannelChange::ScanOn);
    change(scan, QStringLiteral("Выключить"), scanStep, QStringLiteral("Сканирование выключено"),
           ChannelChange::ScanOff);
    QMenu* masking = menu_->addMenu(QStringLiteral("&Маскирование"));
    const QString maskingStep = QStringLiteral("маскирование выбранных каналов");
    change(masking, QStringLiteral("Включить"), maskingStep,
           QStringLiteral("Маскирование включено"), ChannelChange::MaskingOn);
    change(masking, QStringLiteral("Выключить"), maskingStep,
           QStringLiteral("Маскирование выключено"), ChannelChange::MaskingOff);
    QMenu* detection = menu_->addMenu(QStringLiteral("&Детектирование"));
    const QString detectionStep = QStringLiteral("детектирование выбранных каналов");
    change(detection, QStringLiteral("По CTSS"), detectionStep,
           QStringLiteral("Детектирование по CTSS"), ChannelChange::DetectCtcss);
    change(detection, QStringLiteral("По несущей"), detectionStep,
           QStringLiteral("Детектирование по несущей"), ChannelChange::DetectCarrier);
    QMenu* tone = menu_->addMenu(QStringLiteral("&Тон CTSS"));
    const QStringList tones = ToneBoxItems();
    for (int n = 0; n < tones.size(); ++n)
        connect(tone->addAction(n == 0 ? QStringLiteral("Без тона") : tones[n]),
                &QAction::triggered, form_, [this, n] { SetTone(n); });
    menu_->addSeparator();
    ClearAction = menu_->addAction(QStringLiteral("&Очистить"));
    ClearAction->setShortcut(QKeySequence(Qt::Key_Delete));
    connect(ClearAction, &QAction::triggered, form_, [this] {
        ChangeChosen(QStringLiteral("очистка выбранных каналов"), QStringLiteral("Очищены"),
                     ChannelChange::Clear);
    });
    menu_->addSeparator();
    MoveUpAction = menu_->addAction(QStringLiteral("Переместить канал &вверх"));
    MoveUpAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Up));
    connect(MoveUpAction, &QAction::triggered, form_, [this] { Move(-1); });
    MoveDownAction = menu_->addAction(QStringLiteral("Переместить канал в&низ"));
    MoveDownAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Down));
    connect(MoveDownAction, &QAction::triggered, form_, [this] { Move(1); });
    // Their keys belong to the table: elsewhere Delete and Ctrl+arrows keep their own work.
    for (QAction* action : {ClearAction, MoveUpAction, MoveDownAction}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        form_->StringGrid1->addAction(action);
    }
}

std::vector<int> ChannelTableEditor::ChosenChannels() const {
    std::vector<int> rows;
    for (const QModelIndex& index : form_->StringGrid1->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    const int selected = form_->State().ctl.SelectedChannel();
    if (rows.empty() && selected >= 0) rows.push_back(selected);
    return rows;
}

void ChannelTableEditor::FollowSelectedChannel() {
    QTableWidget* table = form_->StringGrid1;
    const int selected = form_->State().ctl.SelectedChannel();
    MoveUpAction->setEnabled(selected > 0);
    MoveDownAction->setEnabled(selected >= 0 && selected < kChannelCount - 1);
    if (selected < 0) {
        table->clearSelection();
        return;
    }
    if (table->currentRow() == selected && table->selectionModel()->hasSelection()) return;
    const int column = table->currentColumn() >= 0 ? table->currentColumn() : Column::Receive;
    table->selectionModel()->setCurrentIndex(
        table->model()->index(selected, column),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ChannelTableEditor::Choose(int row) {
    if (row < 0 || row >= kChannelCount) return;
    form_->RunAction([this, row] { ListBox1Click(form_->State(), row); });
}

void ChannelTableEditor::FillTyped(int row, int column, const QString& text) {
    const QString shown = form_->StringGrid1->item(row, column)->text().trimmed();
    if (form_->ExchangeRunning() || text.trimmed().isEmpty() || text.trimmed() == shown) return;
    const QString step = column == Column::Receive ? QStringLiteral("ввод частоты приёма")
                                                   : QStringLiteral("ввод частоты передачи");
    form_->RunAction(step, [this, row, column, text] {
        // The cell's channel takes the frequency; a channel chosen since stays chosen.
        ProgramState& p = form_->State();
        const int chosen = p.ctl.SelectedChannel();
        if (chosen != row) ListBox1Click(p, row);
        FillTypedFrequency(p, column, text);
        if (chosen != row && chosen >= 0) ListBox1Click(p, chosen);
    });
}

void ChannelTableEditor::Toggle(int row, int column) {
    const bool scan = column == Column::Scan;
    form_->RunAction(
        scan ? QStringLiteral("сканирование канала") : QStringLiteral("маскирование канала"),
        [this, row, scan] {
            ProgramState& p = form_->State();
            if (p.ctl.SelectedChannel() != row) ListBox1Click(p, row);
            if (scan)
                SetCheckBox1(p, !p.ctl.CheckBox1);
            else
                SetCheckBox2(p, !p.ctl.CheckBox2);
        });
}

void ChannelTableEditor::ChangeChosen(const QString& step, const QString& done,
                                      ChannelChange change) {
    if (form_->ExchangeRunning()) return;
    const std::vector<int> chosen = ChosenChannels();
    if (chosen.empty()) return;
    form_->RunAction(step, [this, chosen, done, change] {
        ProgramState& p = form_->State();
        const std::vector<int> changed = ChangeChannels(p, chosen, change);
        p.statusLine = changed.empty()
                           ? QStringLiteral("%1: ни один канал не изменился").arg(done)
                           : QStringLiteral("%1: каналы %2").arg(done, ChannelNumbers(changed));
    });
}

void ChannelTableEditor::SetTone(int tone) {
    if (form_->ExchangeRunning()) return;
    const std::vector<int> chosen = ChosenChannels();
    if (chosen.empty()) return;
    form_->RunAction(QStringLiteral("тон выбранных каналов"), [this, chosen, tone] {
        ProgramState& p = form_->State();
        std::vector<int> withoutCtcss;
        for (int c : chosen)
            if (!p.ctl.toneBoxes[static_cast<std::size_t>(c)].enabled) withoutCtcss.push_back(c);
        if (withoutCtcss.size() == chosen.size()) {
            ShowError(p.Operator(),
                      QStringLiteral("Тон CTSS задаётся каналам с детектированием «По CTSS»; у "
                                     "каналов %1 его нет.")
                          .arg(ChannelNumbers(chosen)));
            return;
        }
        const std::vector<int> changed = SetChannelTones(p, chosen, tone);
        const QString name = tone == 0 ? QStringLiteral("Без тона") : ToneTextFromNumber(tone);
        p.statusLine =
            changed.empty()
                ? QStringLiteral("Тон «%1»: ни один канал не изменился").arg(name)
                : QStringLiteral("Тон «%1»: каналы %2").arg(name, ChannelNumbers(changed));
        if (!withoutCtcss.empty())
            p.statusLine += QStringLiteral("; каналы %1 без детектирования по CTSS пропущены")
                                .arg(ChannelNumbers(withoutCtcss));
    });
}

void ChannelTableEditor::Move(int by) {
    if (form_->ExchangeRunning()) return;
    form_->RunAction(QStringLiteral("перемещение канала"), [this, by] {
        ProgramState& p = form_->State();
        const int from = p.ctl.SelectedChannel();
        if (MoveChannel(p, from, by))
            p.statusLine = QStringLiteral("Канал %1 перемещён на место %2")
                               .arg(from + 1, 2, 10, QChar(u'0'))
                               .arg(from + by + 1, 2, 10, QChar(u'0'));
    });
}

bool ChannelTableEditor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    QTableWidget* table = form_->StringGrid1;
    if (watched == table->viewport() && event->type() == QEvent::MouseButtonPress) {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        pressedOnCurrent_ =
            table->currentRow() >= 0 && table->indexAt(at).row() == table->currentRow();
    } else if (watched == table && event->type() == QEvent::KeyPress && !Editing(table)) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QModelIndex at = table->currentIndex();
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (!at.isValid() || !plain) return QObject::eventFilter(watched, event);
        // Enter opens a frequency cell as F2 and a double-click do; Space turns a scan or masking
        // mark over as its check box does.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            FrequencyColumn(at.column())) {
            table->edit(at);
            return true;
        }
        if (key->key() == Qt::Key_Space &&
            (at.column() == Column::Scan || at.column() == Column::Masking)) {
            Toggle(at.row(), at.column());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace belvan
