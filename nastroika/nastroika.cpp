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

#include "form_widgets.h"
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
    void Read() override {
        QMetaObject::invokeMethod(link_, [l = link_] { l->Read(); });
    }
    void Write(const ParameterImage& image) override {
        QMetaObject::invokeMethod(link_, [l = link_, image] { l->Write(image); });
    }
    void DiscardInput() override {
        QMetaObject::invokeMethod(link_, [l = link_] { l->DiscardInput(); });
    }

  private:
    RadioLink* link_;
};

void TakeCombo(const QComboBox* box, ComboState& state) {
    if (box->currentText() != state.text) state.SetText(box->currentText());
}

}  // namespace

TForm1::TForm1(const Options& options) : QWidget(nullptr) {
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
    auto click = [this](QAbstractButton* b, std::function<void()> handler) {
        connect(b, &QAbstractButton::clicked, this, [this, handler] { Run(handler); });
    };
    ProgramState& p = state_;

    connect(ComboBox1, &QComboBox::activated, this, [this](int index) {
        Run([this, index] {
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
        if (!repainting_ && row >= 0) Run([this, row] { ListBox1Click(state_, row); });
    });
    connect(ListBox1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const int row = ListBox1->row(item);
        if (!repainting_ && row >= 0 && static_cast<FormList*>(ListBox1)->pressedOnCurrent)
            Run([this, row] { ListBox1Click(state_, row); });
    });

    click(Button1, [&p] {
        if (RequireChannel(p)) FillReceive(p);
    });
    click(Button2, [&p] {
        if (RequireChannel(p)) FillTransmit(p);
    });
    click(Button3, [&p] {
        if (!RequireChannel(p)) return;
        FillReceive(p);
        FillTransmit(p);
    });
    connect(CheckBox1, &QCheckBox::clicked, this,
            [this](bool on) { Run([this, on] { SetCheckBox1(state_, on); }); });
    connect(CheckBox2, &QCheckBox::clicked, this,
            [this](bool on) { Run([this, on] { SetCheckBox2(state_, on); }); });
    click(RadioButton6, [&p] { SelectRadioButton6(p); });
    click(RadioButton8, [&p] { SelectRadioButton8(p); });
    click(RadioButton1, [&p] { SelectStepButton(p, false); });
    click(RadioButton2, [&p] { SelectStepButton(p, true); });
    click(RadioButton9, [&p] {
        p.ctl.RadioButton9 = true;
        p.ctl.RadioButton10 = p.ctl.RadioButton11 = p.ctl.RadioButton12 = false;
    });
    click(Button7, [&p] { ClearSelectedChannel(p); });
    click(Button8, [&p] { ClearAllChannels(p); });
    click(Button9, [&p] { ResetSettingsControls(p); });
    click(Button11, [&p] { SaveSettingsFile(p); });
    click(Button12, [&p] { Button12Click(p); });
    // "Выход" closes the window the form stands in (the main window with its menu bar).
    connect(Button4, &QPushButton::clicked, this, [this] { window()->close(); });
    click(Button5, [&p] { Button5Click(p); });
    click(Button6, [&p] { Button6Click(p); });

    // The box holds the focus and hands its keys to its line edit: both are filtered.
    for (QComboBox* box : ToneBoxes) digitBoxes_ << box << box->lineEdit();
    digitBoxes_ << ComboBox4 << ComboBox4->lineEdit();
    for (QObject* box : digitBoxes_) box->installEventFilter(this);
}

void TForm1::OpenTypedPort(bool again) {
    if (repainting_ || (!again && ComboBox1->currentText() == lastOpenedPort_)) return;
    lastOpenedPort_ = ComboBox1->currentText();
    Run([this] {
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

void TForm1::Run(const std::function<void()>& handler) {
    if (repainting_) return;
    if (handlerRunning_) {
        // Behind a message box or an exchange of another handler: that one ends first.
        deferred_.push_back(handler);
        return;
    }
    handlerRunning_ = true;
    TakeOperatorInput();
    try {
        handler();
    } catch (const std::exception& error) {
        Repaint();
        ShowError(state_.Operator(), QString::fromStdString(error.what()));
    }
    handlerRunning_ = false;
    Repaint();
    if (!deferred_.empty()) {
        const auto next = deferred_.front();
        deferred_.erase(deferred_.begin());
        Run(next);
    }
}

void TForm1::ConnectLink() {
    RadioLink* link = link_->Link();
    connect(link, &RadioLink::portStateChanged, this, [this](const PortState& port) {
        RunLinkAnswer([this, port] { PortStateChanged(state_, port); });
    });
    connect(link, &RadioLink::polled, this, [this](quint64 ticket, bool announced) {
        RunLinkAnswer([this, ticket, announced] { PollFinished(state_, ticket, announced); });
    });
    connect(link, &RadioLink::progress, this, &TForm1::ShowProgress);
    connect(link, &RadioLink::readFinished, this, [this](const ReadResult& result) {
        Run([this, result] { ReadFinished(state_, result); });
    });
    connect(link, &RadioLink::writeFinished, this, [this](const WriteResult& result) {
        Run([this, result] { WriteFinished(state_, result); });
    });
}

void TForm1::Timer1Tick() {
    RunLinkAnswer([this] { Timer1Timer(state_); });
}

void TForm1::RunLinkAnswer(const std::function<void()>& handler) {
    if (!handlerRunning_) {
        Run(handler);
        return;
    }
    // Behind a message box: only the port, the watch and the two labels change.
    handler();
    Label1->setText(state_.ctl.Label1);
    Label1->setStyleSheet(state_.ctl.label1Red ? QStringLiteral("color: red;") : QString());
    Label1->setToolTip(state_.ctl.label1Reason);
    Label1->adjustSize();
    Label39->setText(state_.ctl.Label39);
    Label39->adjustSize();
    const bool watch = state_.ctl.Timer1 && !ExchangeRunning();
    if (watch != Timer1->isActive()) watch ? Timer1->start() : Timer1->stop();
}

void TForm1::LoadFile(const QString& path) {
    Run([this, path] {
        LoadSettingsFromPath(state_, path);
        UpdateToneBoxes(state_);
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
