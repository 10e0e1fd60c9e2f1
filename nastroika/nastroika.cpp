#include "nastroika.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
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
#include "core/texts.h"
#include "form/port_advice.h"
#include "form_widgets.h"
#include "link/serial_line.h"
#include "plan/ctcss_table.h"
#include "qt_operator.h"

namespace belvan {

namespace {
// The form's requests to the link object, queued to its thread.
class QueuedLinkRequests : public LinkRequests {
  public:
    explicit QueuedLinkRequests(RadioLink* link) : link_(link) {}
    void OpenPort(const QString& portName) override {
        QMetaObject::invokeMethod(link_, [l = link_, portName] { l->OpenPort(portName); });
    }
    void Poll(quint64 ticket) override {
        QMetaObject::invokeMethod(link_, [l = link_, ticket] { l->Poll(ticket); });
    }
    void Read(quint64 id) override { jobs_.Read(id); }
    void Write(quint64 id, const ParameterImage& image) override { jobs_.Write(id, image); }
    void DiscardInput() override {
        QMetaObject::invokeMethod(link_, [l = link_] { l->DiscardInput(); });
    }

  private:
    RadioLink* link_;
    QueuedJobLink jobs_{link_};
};

void TakeCombo(const QComboBox* box, ComboState& state) {
    if (box->currentText() != state.text) state.SetText(box->currentText());
}

}  // namespace

TForm1::TForm1(const Options& options)
    : QWidget(nullptr),
      journal_(options.recoveryFolder.isEmpty() ? RecoveryFolder() : options.recoveryFolder) {
    setObjectName(QStringLiteral("Form1"));
    QScreen* shownOn = screen() ? screen() : QGuiApplication::primaryScreen();
    const Fit fit = FitFor(shownOn, options.extraHeight, font());
    if (fit.font != font()) setFont(fit.font);
    scale_ = fit.scale;
    if (options.op) {
        state_.op = options.op;
    } else {
        ownOperator_ = std::make_unique<QtOperator>(this);
        state_.op = ownOperator_.get();
    }
    link_ = std::make_unique<LinkThread>(options.lineFactory);
    requests_ = std::make_unique<QueuedLinkRequests>(link_->Link());
    state_.link.requests = requests_.get();
    BuildControls();
    BindEvents();
    ConnectLink();
    if (!options.port.isEmpty()) state_.ctl.ComboBox1.SetText(options.port);
    FormCreate(state_);
    lastOpenedPort_ = state_.ctl.ComboBox1.text;
    history_.MarkClean(state_);
    lastKept_ = history_.Clean();
    keepTimer_ = new QTimer(this);
    keepTimer_->setSingleShot(true);
    keepTimer_->setInterval(500);
    connect(keepTimer_, &QTimer::timeout, this, [this] { (void)KeepRecoveryNow(); });
    Repaint();
    setAcceptDrops(true);
    if (!options.file.isEmpty())
        QTimer::singleShot(0, this, [this, file = options.file] { LoadFile(file); });
}

TForm1::~TForm1() {
    // Destroying the controls moves the focus and emits signals; none may reach a half-destroyed
    // window, and nothing the link still sends either.
    Timer1->stop();
    disconnect(link_->Link(), nullptr, this, nullptr);
    for (QObject* child : findChildren<QObject*>()) disconnect(child, nullptr, this, nullptr);
    state_.link.requests = nullptr;
    link_.reset();
}

void TForm1::BindEvents() {
    auto click = [this](QAbstractButton* b, const QString& step, std::function<void()> handler) {
        connect(b, &QAbstractButton::clicked, this, [this, step, handler] { Run(step, handler); });
    };
    ProgramState& p = state_;

    connect(ComboBox1, &QComboBox::activated, this, [this](int index) {
        Run({}, [this, index] {
            state_.ctl.ComboBox1.SetText(ComboBox1->itemText(index));
            ComboBox1Change(state_);
            lastOpenedPort_ = state_.ctl.ComboBox1.text;
        });
    });
    // A typed name opens on Enter (again, if need be) or when the box loses focus after a
    // change; never half-typed.
    connect(ComboBox1->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { OpenTypedPort(true); });
    connect(ComboBox1->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { OpenTypedPort(false); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Tick(); });
    // A channel is shown once per click or keyboard move: when the row changes, or on the
    // click's release when the press landed on the row already current.
    connect(ListBox1, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!repainting_ && row >= 0) Run({}, [this, row] { ListBox1Click(state_, row); });
    });
    connect(ListBox1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const int row = ListBox1->row(item);
        if (!repainting_ && row >= 0 && static_cast<FormList*>(ListBox1)->pressedOnCurrent)
            Run({}, [this, row] { ListBox1Click(state_, row); });
    });
    // A row of the channel table chooses that channel as the channel list does; the table is
    // typed into and edits the channels of its selected rows.
    TableEditor = new ChannelTableEditor(this);

    click(Button1, QStringLiteral("заполнение частоты приёма"), [&p] {
        if (RequireChannel(p)) FillReceive(p);
    });
    click(Button2, QStringLiteral("заполнение частоты передачи"), [&p] {
        if (RequireChannel(p)) FillTransmit(p);
    });
    click(Button3, QStringLiteral("заполнение обеих частот"), [&p] {
        if (!RequireChannel(p)) return;
        FillReceive(p);
        FillTransmit(p);
    });
    connect(CheckBox1, &QCheckBox::clicked, this, [this](bool on) {
        Run(QStringLiteral("сканирование канала"), [this, on] { SetCheckBox1(state_, on); });
    });
    connect(CheckBox2, &QCheckBox::clicked, this, [this](bool on) {
        Run(QStringLiteral("маскирование канала"), [this, on] { SetCheckBox2(state_, on); });
    });
    // The radio-wide boxes and the tone boxes are taken in as they change: a choice from the
    // list, or a typed text once Enter is pressed or the box is left, is one step.
    auto edited = [this](QComboBox* box, const QString& step) {
        connect(box, &QComboBox::activated, this, [this, step] { Run(step, [] {}); });
        connect(box->lineEdit(), &QLineEdit::editingFinished, this,
                [this, step] { Run(step, [] {}); });
    };
    edited(ComboBox4, QStringLiteral("время ожидания"));
    edited(ComboBox29, QStringLiteral("максимальное время передачи"));
    edited(ComboBox30, QStringLiteral("время отключения передачи"));
    for (int i = 0; i < kChannelCount; ++i) {
        // A typed tone is read as the box is left: a tone number, or a frequency in Hz or tenths
        // of a Hz; the box then shows that tone's item. Any other text is refused and the box
        // shows what it held.
        const QString step = QStringLiteral("тон канала %1").arg(i + 1, 2, 10, QChar(u'0'));
        QComboBox* box = ToneBoxes[i];
        connect(box, &QComboBox::activated, this, [this, step] { Run(step, [] {}); });
        connect(box->lineEdit(), &QLineEdit::editingFinished, this, [this, box, i, step] {
            if (repainting_) return;
            const ComboState& held = state_.ctl.toneBoxes[i];
            const Result<int> tone = ToneOfBoxText(box->currentText(), i);
            if (tone && held.index == *tone && held.text == box->currentText()) return;
            if (!tone) {
                const QSignalBlocker quiet(box);
                box->setCurrentText(state_.ctl.toneBoxes[i].text);
                ShowError(state_.Operator(), tone.error().text);
                return;
            }
            Run(step, [this, i, tone] { state_.ctl.toneBoxes[i].Select(*tone); });
        });
    }
    for (int i = 0; i < 8; ++i)
        edited(KeyBoxes[i], QStringLiteral("функция F%1 %2").arg(i < 4 ? 1 : 2).arg(i % 4 + 1));
    connect(CheckBox3, &QCheckBox::clicked, this,
            [this] { Run(QStringLiteral("клонирование"), [] {}); });
    connect(CheckBox6, &QCheckBox::clicked, this,
            [this] { Run(QStringLiteral("приоритетное сканирование"), [] {}); });
    click(RadioButton6, QStringLiteral("обнаружение по CTSS"), [&p] { SelectRadioButton6(p); });
    click(RadioButton8, QStringLiteral("обнаружение по несущей"), [&p] { SelectRadioButton8(p); });
    click(RadioButton1, QStringLiteral("шаг 12,5 кГц"), [&p] { SelectStepButton(p, false); });
    click(RadioButton2, QStringLiteral("шаг 25 кГц"), [&p] { SelectStepButton(p, true); });
    click(RadioButton9, QStringLiteral("рабочий режим"), [&p] {
        p.ctl.RadioButton9 = true;
        p.ctl.RadioButton10 = p.ctl.RadioButton11 = p.ctl.RadioButton12 = false;
    });
    click(Button7, QStringLiteral("очистка канала"), [&p] { ClearSelectedChannel(p); });
    click(Button8, QStringLiteral("очистка всех каналов"), [&p] { ClearAllChannels(p); });
    click(Button9, QStringLiteral("сброс режима"), [&p] { ResetSettingsControls(p); });
    connect(Button11, &QPushButton::clicked, this, [this] { SaveSettings(); });
    connect(Button12, &QPushButton::clicked, this, [this] { LoadSettings(); });
    // "Выход" closes the window the form stands in (the main window with its menu bar).
    connect(Button4, &QPushButton::clicked, this, [this] { window()->close(); });
    click(Button5, {}, [this] {
        Button5Click(state_);
        readBegun_ = true;
    });
    click(Button6, {}, [&p] { Button6Click(p); });

    // The box holds the focus and hands its keys to its line edit: both are filtered.
    for (QComboBox* box : ToneBoxes) digitBoxes_ << box << box->lineEdit();
    digitBoxes_ << ComboBox4 << ComboBox4->lineEdit();
    for (QObject* box : digitBoxes_) box->installEventFilter(this);
}

void TForm1::OpenTypedPort(bool again) {
    if (repainting_ || (!again && ComboBox1->currentText() == lastOpenedPort_)) return;
    lastOpenedPort_ = ComboBox1->currentText();
    Run({}, [this] {
        state_.ctl.ComboBox1.SetText(ComboBox1->currentText());
        ComboBox1Change(state_);
        lastOpenedPort_ = state_.ctl.ComboBox1.text;
    });
}

void TForm1::TakeOperatorInput() {
    Controls& c = state_.ctl;
    c.ComboBox1.text = ComboBox1->currentText();
    c.ListBox2.index = ListBox2->currentRow();
    c.ListBox3.index = ListBox3->currentRow();
    TakeCombo(ComboBox4, c.ComboBox4);
    TakeCombo(ComboBox29, c.ComboBox29);
    TakeCombo(ComboBox30, c.ComboBox30);
    for (int i = 0; i < kChannelCount; ++i) TakeCombo(ToneBoxes[i], c.toneBoxes[i]);
    for (int i = 0; i < 8; ++i) TakeCombo(KeyBoxes[i], c.keyBoxes[i]);
    c.CheckBox3 = CheckBox3->isChecked();
    c.CheckBox6 = CheckBox6->isChecked();
}

void TForm1::Run(const QString& step, const std::function<void()>& handler) {
    if (repainting_) return;
    if (handlerRunning_) {
        // Behind a message box or an exchange of another handler: that one ends first.
        deferred_.push_back([this, step, handler] { Run(step, handler); });
        return;
    }
    handlerRunning_ = true;
    // What the operator typed since the last handler belongs to this step.
    const EditedState before = EditedStateOf(state_);
    const QString fileBefore = lastFile_;
    keptAfterHandler_ = false;
    readBegun_ = readEnded_ = false;
    TakeOperatorInput();
    try {
        handler();
    } catch (const std::exception& error) {
        Repaint();
        ShowError(state_.Operator(), QString::fromStdString(error.what()));
    }
    handlerRunning_ = false;
    RecordStep(step, before, fileBefore);
    Repaint();
    emit editsChanged();
    if (!deferred_.empty()) {
        const auto next = deferred_.front();
        deferred_.erase(deferred_.begin());
        next();
    }
}

void TForm1::RecordStep(const QString& step, const EditedState& before, const QString& fileBefore) {
    if (readBegun_) {
        // A read is two handlers, the request and the link's answer to its job: one step.
        beforeRead_ = before;
        fileBeforeRead_ = fileBefore;
    } else if (readEnded_) {
        if (beforeRead_) {
            history_.Record(QStringLiteral("чтение из радиостанции"), *beforeRead_,
                            EditedStateOf(state_));
            if (keptAfterHandler_)
                PlanKept(*beforeRead_, fileBeforeRead_, QStringLiteral("до чтения в %1"));
        }
        beforeRead_.reset();
    } else if (!step.isEmpty()) {
        history_.Record(step, before, EditedStateOf(state_));
    }
    if (keptAfterHandler_) PlanKept(before, fileBefore, QStringLiteral("до загрузки в %1"));
    keptAfterHandler_ = false;
    if (SnapshotOf(EditedStateOf(state_)) != lastKept_) ScheduleKeep();
}

void TForm1::PlanKept(const EditedState& replaced, const QString& replacedFile,
                      const QString& label) {
    keptAfterHandler_ = false;
    const PlanSnapshot was = SnapshotOf(replaced);
    const PlanSnapshot clean = history_.Clean();
    history_.MarkClean(state_);
    // Changes that were not kept anywhere and that the new plan replaced stay restorable.
    if (was != clean && was.bytes != history_.Clean().bytes) {
        const QDateTime time = QDateTime::currentDateTime();
        const Status aside = journal_.KeepAside(
            was.bytes,
            {time, replacedFile, label.arg(time.toString(QStringLiteral("HH:mm"))), clean.bytes});
        if (!aside)
            state_.statusLine = QStringLiteral("Прежний план не сохранён для восстановления: %1")
                                    .arg(aside.error().text);
    }
    journal_.Safe(history_.Clean().bytes);
    (void)KeepRecoveryNow();  // a failure shows in the status line
    emit recoveryChanged();
}

void TForm1::ScheduleKeep() {
    if (!keepTimer_->isActive()) keepTimer_->start();
}

Status TForm1::KeepRecoveryNow() {
    keepTimer_->stop();
    const QString failureBefore = journal_.Failure();
    lastKept_ = SnapshotOf(EditedStateOf(state_));
    const Status kept =
        journal_.Keep(lastKept_.bytes, lastKept_ != history_.Clean(),
                      {QDateTime::currentDateTime(), lastFile_, {}, history_.Clean().bytes});
    if (journal_.Failure() != failureBefore) emit recoveryChanged();
    return kept;
}

void TForm1::RestoreRecovered(const QString& stem) {
    if (ExchangeRunning()) return;
    Run(QStringLiteral("восстановление плана"), [this, stem] {
        const QString captionBefore = state_.ctl.caption;
        const auto entries = journal_.Offered();
        const auto entry = std::find_if(entries.begin(), entries.end(),
                                        [&](const RecoveryEntry& e) { return e.stem == stem; });
        const QString source = entry == entries.end() ? QString() : entry->info.source;
        const FileOutcome restored = TakeInSettingsFile(state_, journal_.Read(stem),
                                                        RecoveryPlanPath(journal_.Folder(), stem));
        UpdateToneBoxes(state_);
        if (!restored.Succeeded()) return;
        // The plan belongs to the file it came from, if any; a recovery file is no plan's own.
        state_.ctl.caption =
            source.isEmpty() ? captionBefore : kFileCaptionPrefix + ShownPath(source);
        if (!source.isEmpty()) lastFile_ = source;
        journal_.TakeOver(stem);
        state_.statusLine = QStringLiteral("План восстановлен");
    });
    emit recoveryChanged();
}

Status TForm1::DiscardRecovered(const QString& stem) {
    const Status discarded = journal_.Discard(stem);
    emit recoveryChanged();
    return discarded;
}

void TForm1::Undo() {
    if (ExchangeRunning()) return;
    Run({}, [this] { history_.Undo(state_); });
}

void TForm1::Redo() {
    if (ExchangeRunning()) return;
    Run({}, [this] { history_.Redo(state_); });
}

void TForm1::CopyChannel() {
    Run({}, [this] {
        if (!RequireChannel(state_)) return;
        if (auto copied = CopySelectedChannel(state_)) {
            copied_ = copied;
            state_.statusLine = QStringLiteral("Канал %1 скопирован")
                                    .arg(state_.ctl.SelectedChannel() + 1, 2, 10, QChar(u'0'));
        } else {
            ShowError(state_.Operator(), QStringLiteral("Канал пуст: копировать нечего"));
        }
    });
}

void TForm1::PasteChannel() {
    if (!copied_) return;
    Run(QStringLiteral("вставка канала"), [this] {
        if (RequireChannel(state_)) PasteIntoSelectedChannel(state_, *copied_);
    });
}

void TForm1::SaveSettings() {
    Run({}, [this] {
        if (const FileOutcome saved = SaveSettingsFile(state_); saved.Succeeded()) {
            keptAfterHandler_ = true;
            lastFile_ = saved.path;
        }
    });
}

void TForm1::Save() {
    if (lastFile_.isEmpty()) {
        SaveSettings();
        return;
    }
    Run({}, [this] {
        if (SaveSettingsTo(state_, lastFile_).Succeeded()) {
            keptAfterHandler_ = true;
            state_.statusLine = QStringLiteral("Сохранено в файл «%1»").arg(ShownPath(lastFile_));
        }
    });
}

void TForm1::LoadSettings() {
    Run(QStringLiteral("загрузка настроек"), [this] {
        const FileOutcome loaded = LoadSettingsFile(state_);
        UpdateToneBoxes(state_);
        if (loaded.Succeeded()) {
            keptAfterHandler_ = true;
            lastFile_ = loaded.path;
        }
    });
}

void TForm1::ConnectLink() {
    RadioLink* link = link_->Link();
    connect(link, &RadioLink::portStateChanged, this, [this](const PortState& port) {
        RunLinkAnswer([this, port] {
            PortStateChanged(state_, port);
            UpdateAdvice();
            emit editsChanged();
        });
    });
    connect(link, &RadioLink::polled, this, [this](quint64 ticket, bool announced) {
        RunLinkAnswer([this, ticket, announced] { PollFinished(state_, ticket, announced); });
    });
    connect(link, &RadioLink::progress, this, [this](quint64 id, const LinkProgress& at) {
        if (state_.link.jobs.Awaits(id)) ShowProgress(at);
    });
    connect(link, &RadioLink::readFinished, this, [this](quint64 id, const ReadResult& result) {
        Run({},
            [this, id, result] { JobAnswered(ReadFinished(state_, id, result), result.outcome); });
    });
    connect(link, &RadioLink::writeFinished, this, [this](quint64 id, const WriteResult& result) {
        Run({},
            [this, id, result] { JobAnswered(WriteFinished(state_, id, result), result.outcome); });
    });
}

void TForm1::JobAnswered(const std::optional<JobOutcome>& ended, ExchangeOutcome exchange) {
    if (ended && PlanIsTheRadios(*ended)) keptAfterHandler_ = true;
    readEnded_ = ended && ended->kind == JobKind::Read;
    UpdateAdvice();
    if (exchange == ExchangeOutcome::NoAnswer) advice_ = NoAnswerAdvice();
}

void TForm1::UpdateAdvice() {
    // The advice stands while the port is not open.
    advice_ = state_.ctl.label1Red ? PortAdvice(state_.ctl.ComboBox1.text, state_.link.portFailure,
                                                state_.link.systemPorts)
                                   : QString();
}

void TForm1::Timer1Tick() {
    RunLinkAnswer([this] { Timer1Timer(state_); });
}

void TForm1::RunLinkAnswer(const std::function<void()>& handler) {
    if (!handlerRunning_) {
        Run({}, handler);
        return;
    }
    // Behind a message box: only the port, the watch and the two labels change.
    handler();
    PaintPortStrip();
}

void TForm1::LoadFile(const QString& path) {
    Run(QStringLiteral("загрузка настроек"), [this, path] {
        const FileOutcome loaded = LoadSettingsFromPath(state_, path);
        UpdateToneBoxes(state_);
        if (loaded.Succeeded()) {
            keptAfterHandler_ = true;
            lastFile_ = path;
        }
    });
}

namespace {
// The channel-settings file in a drag, when it carries exactly one.
QString DraggedSettingsFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
    const QString path = data->urls().constFirst().toLocalFile();
    return path.endsWith(kSettingsFileExtension, Qt::CaseInsensitive) ? path : QString();
}
}  // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (!ExchangeRunning() && !handlerRunning_ && !DraggedSettingsFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    const QString path = DraggedSettingsFile(event->mimeData());
    if (ExchangeRunning() || handlerRunning_ || path.isEmpty()) return;
    event->acceptProposedAction();
    LoadFile(path);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (ExchangeRunning()) {
        // The exchange ends first; the radio must not be left half-written.
        closeWhenDone_ = true;
        event->ignore();
        return;
    }
    event->accept();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && digitBoxes_.contains(watched)) {
        // Of the typed characters only digits, Backspace and Enter reach the box; keys that
        // type nothing (Tab, Delete, arrows, shortcuts) keep their work.
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const bool shortcut = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
        if (!text.isEmpty() && text.at(0).isPrint() && !shortcut &&
            DigitKeyFilter(text.at(0)).isNull())
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace belvan
