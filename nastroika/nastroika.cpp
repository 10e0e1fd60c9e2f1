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

#include "qt_operator.h"

namespace belvan {

namespace {
// The port box offers COM1 and COM2 first, then every serial port the system reports; the list
// is refreshed each time it opens.
class PortComboBox : public QComboBox {
  public:
    using QComboBox::QComboBox;
    void showPopup() override {
        const QString text = currentText();
        QStringList names{QStringLiteral("COM1"), QStringLiteral("COM2")};
        for (const QString& name : SystemPortNames())
            if (!names.contains(name)) names << name;
        {
            const QSignalBlocker blocker(this);
            clear();
            addItems(names);
            setCurrentIndex(static_cast<int>(names.indexOf(text)));
            setEditText(text);
        }
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

// Relative luminance contrast of two colours, 1 (none) to 21.
double Contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QIcon ToolIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.setBrush(QColor(0, 0, 128));
    painter.drawRect(4, 5, 8, 10);   // the radio's body
    painter.drawLine(10, 0, 10, 5);  // its antenna
    painter.fillRect(6, 7, 4, 3, QColor(0, 192, 0));
    return QIcon(pixmap);
}

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

  private:
    RadioLink* link_;
};

void PaintCombo(QComboBox* box, const ComboState& state) {
    const QSignalBlocker blocker(box);
    if (box->currentIndex() != state.index) box->setCurrentIndex(state.index);
    if (box->currentText() != state.text) box->setEditText(state.text);
    box->setEnabled(state.enabled);
}

void TakeCombo(const QComboBox* box, ComboState& state) {
    if (box->currentText() != state.text) state.SetText(box->currentText());
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

namespace {
// The form was laid out for a font in which "Сохранить настройки" is about 100 pixels wide;
// positions and sizes grow with the font actually used, so no caption is clipped.
double ScaleOf(const QFont& font) {
    return std::clamp(
        QFontMetricsF(font).horizontalAdvance(QStringLiteral("Сохранить настройки")) / 100.0, 1.0,
        3.0);
}
// The smallest font the form shrinks to: about the 11-pixel character cell it was designed for.
constexpr int kMinimumPixelSize = 9;
}  // namespace

TForm1::Fit TForm1::FitFor(const QScreen* screen, int extraHeight, QFont font) {
    Fit fit{font, ScaleOf(font), true};
    if (!screen) return fit;
    const QSize room =
        screen->availableGeometry().size() - kFrameAllowance - QSize(0, std::max(0, extraHeight));
    auto fits = [&](double scale) {
        return qRound(kDesignSize.width() * scale) <= room.width() &&
               qRound(kDesignSize.height() * scale) <= room.height();
    };
    if (fits(fit.scale)) return fit;
    int pixels = QFontInfo(font).pixelSize();
    while (--pixels >= kMinimumPixelSize) {
        font.setPixelSize(pixels);
        fit = {font, ScaleOf(font), true};
        if (fits(fit.scale)) return fit;
    }
    fit.fits = false;
    return fit;
}

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
    state_.link = requests_.get();
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
    state_.link = nullptr;
    link_.reset();
}

int TForm1::S(int pixels) const {
    return qRound(pixels * scale_);
}

void TForm1::BuildControls() {
    setWindowTitle(state_.ctl.caption);
    setWindowIcon(ToolIcon());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(S(kDesignSize.width()), S(kDesignSize.height()));
    // The form is painted in the system's button-face colour (that of scroll bars), unless the
    // window text would not read on it.
    QPalette colours = palette();
    const QColor face = colours.color(QPalette::Button);
    if (Contrast(face, colours.color(QPalette::WindowText)) >= 4.5) {
        colours.setColor(QPalette::Window, face);
        setPalette(colours);
    }

    QComboBox probe;
    probe.setFont(font());
    const int comboHeight = std::max(S(21), probe.sizeHint().height());
    auto named = [](QWidget* widget, const char* name, const QString& accessible = {}) {
        widget->setObjectName(QString::fromLatin1(name));
        if (!accessible.isEmpty()) widget->setAccessibleName(accessible);
    };
    auto place = [this](QWidget* widget, int x, int y, int w, int h) {
        widget->setGeometry(S(x), S(y), S(w), S(h));
    };
    auto label = [&](QWidget* parent, const char* name, const QString& text, int x, int y) {
        auto* l = new QLabel(text, parent);
        named(l, name);
        l->move(S(x), S(y));
        l->adjustSize();
        return l;
    };
    auto button = [&](QWidget* parent, const char* name, const QString& text, int x, int y, int w,
                      int h) {
        auto* b = new QPushButton(text, parent);
        named(b, name);
        place(b, x, y, w, h);
        b->setMinimumHeight(0);
        return b;
    };
    auto combo = [&](QWidget* parent, const char* name, const QStringList& items, int x, int y,
                     int w, const QString& accessible) {
        auto* c = new QComboBox(parent);
        named(c, name, accessible);
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->addItems(items);
        c->setGeometry(S(x), S(y), S(w), comboHeight);
        c->setMaxVisibleItems(12);
        return c;
    };
    auto group = [&](QWidget* parent, const char* name, const QString& title, int x, int y, int w,
                     int h) {
        auto* g = new QGroupBox(title, parent);
        named(g, name, title);  // else a nested group would take its parent's title
        place(g, x, y, w, h);
        return g;
    };
    auto check = [&](QWidget* parent, const char* name, const QString& text, int x, int y) {
        auto* c = new QCheckBox(text, parent);
        named(c, name);
        c->move(S(x), S(y));
        c->adjustSize();
        return c;
    };
    auto radio = [&](QWidget* parent, const char* name, const QString& text, int x, int y) {
        auto* r = new QRadioButton(text, parent);
        named(r, name);
        // Auto-exclusive, so a screen reader announces a radio button in its group; the logic
        // keeps the groups exclusive and Repaint paints them from its state.
        r->setAutoExclusive(true);
        r->move(S(x), S(y));
        r->adjustSize();
        return r;
    };
    const Controls& design = state_.ctl;

    // Top strip.
    ComboBox1 = new PortComboBox(this);
    named(ComboBox1, "ComboBox1", QStringLiteral("Порт"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->addItems(design.ComboBox1.items);
    ComboBox1->setGeometry(S(8), S(12), S(90), comboHeight);
    // On Linux a screen reader names a drop-down box by the label whose buddy it is, on other
    // systems by its accessible name; a box without a label of its own gets one never shown.
    auto spokenLabel = [](QComboBox* box) {
        auto* l = new QLabel(box->accessibleName(), box->parentWidget());
        l->setBuddy(box);
        l->hide();
    };
    spokenLabel(ComboBox1);
    Label1 = label(this, "Label1", QString(), 104, 16);
    QFont portFont = Label1->font();
    portFont.setBold(true);
    Label1->setFont(portFont);
    Label39 = label(this, "Label39", QString(), 272, 16);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kWatchIntervalMs);

    // Channel area.
    Label2 = label(this, "Label2", QStringLiteral("№"), 14, 40);
    Label3 = label(this, "Label3", QStringLiteral("МГц."), 44, 40);
    Label4 = label(this, "Label4", QStringLiteral("КГц."), 96, 40);
    auto list = [&](const char* name, const QStringList& items, int x, int w, int h,
                    const QString& accessible) {
        auto* l = new FormList(this);
        named(l, name, accessible);
        l->addItems(items);
        l->setSelectionMode(QAbstractItemView::SingleSelection);
        l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        place(l, x, 56, w, h);
        return l;
    };
    ListBox1 = list("ListBox1", design.ListBox1.items, 4, 32, 257, QStringLiteral("Номер канала"));
    ListBox2 =
        list("ListBox2", design.ListBox2.items, 40, 44, 257, QStringLiteral("Частота, МГц."));
    ListBox3 =
        list("ListBox3", design.ListBox3.items, 88, 57, 257, QStringLiteral("Частота, КГц."));

    StringGrid1 = new QTableWidget(kGridRows - 1, kGridColumns, this);
    named(StringGrid1, "StringGrid1", QStringLiteral("Таблица каналов"));
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionMode(QAbstractItemView::NoSelection);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->horizontalHeader()->setSectionsMovable(false);
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->verticalHeader()->setMinimumSectionSize(1);
    StringGrid1->verticalHeader()->setDefaultSectionSize(S(16));
    StringGrid1->horizontalHeader()->setFixedHeight(S(16) + 2);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    static const int kColumnWidths[kGridColumns] = {21, 73, 74, 33, 39, 36, 41, 33};
    for (int column = 0; column < kGridColumns; ++column) {
        StringGrid1->setColumnWidth(column, S(kColumnWidths[column]));
        StringGrid1->setHorizontalHeaderItem(column, new QTableWidgetItem);
        for (int row = 0; row < kGridRows - 1; ++row)
            StringGrid1->setItem(row, column, new QTableWidgetItem);
    }
    int gridWidth = 2 * StringGrid1->frameWidth();
    for (int column = 0; column < kGridColumns; ++column)
        gridWidth += StringGrid1->columnWidth(column);
    const int gridHeight = 2 * StringGrid1->frameWidth() +
                           StringGrid1->horizontalHeader()->height() + (kGridRows - 1) * S(16);
    StringGrid1->setGeometry(S(160), S(40), gridWidth, gridHeight);

    for (int c = 0; c < kChannelCount; ++c) {
        auto* mark = new QLabel(QStringLiteral("X"), this);
        const QByteArray name = "Label" + QByteArray::number(6 + c);
        named(mark, name.constData(),
              QStringLiteral("Канал %1 задан").arg(c + 1, 2, 10, QChar(u'0')));
        mark->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
        mark->adjustSize();
        const int rowTop = StringGrid1->y() + StringGrid1->frameWidth() +
                           StringGrid1->horizontalHeader()->height() + c * S(16);
        mark->move(StringGrid1->x() - mark->width() - 2, rowTop + (S(16) - mark->height()) / 2);
        mark->hide();
        ChannelMarks[static_cast<std::size_t>(c)] = mark;
    }

    // Left column.
    GroupBox2 = group(this, "GroupBox2", QStringLiteral("Заполнение таблицы : "), 4, 320, 149, 65);
    Button1 = button(GroupBox2, "Button1", QStringLiteral("Прием"), 6, 18, 64, 19);
    Button2 = button(GroupBox2, "Button2", QStringLiteral("Передача"), 74, 18, 70, 19);
    Button3 = button(GroupBox2, "Button3", QStringLiteral("Обе колонки"), 6, 40, 138, 19);
    GroupBox6 = group(this, "GroupBox6", QStringLiteral(" Очистка таблицы : "), 4, 400, 149, 65);
    Button7 = button(GroupBox6, "Button7", QStringLiteral("Очистить канал"), 6, 18, 138, 19);
    Button8 = button(GroupBox6, "Button8", QStringLiteral("Очистить все"), 6, 40, 138, 19);
    Button11 = button(this, "Button11", QStringLiteral("Сохранить настройки"), 4, 496, 149, 19);
    Button12 = button(this, "Button12", QStringLiteral("Загрузить настройки"), 4, 520, 149, 19);
    Button6 = button(this, "Button6", QStringLiteral("Записать"), 4, 576, 72, 19);
    Button5 = button(this, "Button5", QStringLiteral("Прочитать"), 80, 576, 73, 19);
    ExchangeStage = new QLabel(this);
    named(ExchangeStage, "ExchangeStage");
    ExchangeStage->setWordWrap(true);
    place(ExchangeStage, 4, 544, 160, 30);
    ExchangeStage->hide();
    ExchangeProgress = new QProgressBar(this);
    named(ExchangeProgress, "ExchangeProgress", QStringLiteral("Обмен с радиостанцией"));
    place(ExchangeProgress, 4, 576, 149, 19);
    ExchangeProgress->hide();

    // Current channel.
    GroupBox4 = group(this, "GroupBox4", QStringLiteral(" Настройка текущего канала : "), 536, 35,
                      169, 281);
    CheckBox1 = check(GroupBox4, "CheckBox1", QStringLiteral("Сканировать частоту"), 8, 24);
    CheckBox2 = check(GroupBox4, "CheckBox2", QStringLiteral("Включить маскирование"), 8, 44);
    GroupBox12 =
        group(GroupBox4, "GroupBox12", QStringLiteral(" Детектирование : "), 8, 72, 153, 57);
    RadioButton6 = radio(GroupBox12, "RadioButton6", QStringLiteral("По CTSS"), 8, 18);
    RadioButton8 = radio(GroupBox12, "RadioButton8", QStringLiteral("По несущей"), 8, 36);
    GroupBox1 =
        group(GroupBox4, "GroupBox1", QStringLiteral(" Шаг сетки частот : "), 8, 136, 153, 57);
    RadioButton1 = radio(GroupBox1, "RadioButton1", QStringLiteral("12,5 кГц."), 8, 18);
    RadioButton2 = radio(GroupBox1, "RadioButton2", QStringLiteral("25 кГц."), 8, 36);
    Button4 = button(GroupBox4, "Button4", QStringLiteral("Выход"), 100, 252, 61, 19);

    // Radio-wide parameters.
    GroupBox5 = group(this, "GroupBox5", QStringLiteral("Параметры работы радиостанции : "), 168,
                      326, 537, 283);
    ComboBox4 = combo(GroupBox5, "ComboBox4", design.ComboBox4.items, 8, 24, 46,
                      QStringLiteral("Время ожидания (сек.)"));
    Label25 = label(GroupBox5, "Label25", QStringLiteral("Время ожидания (сек.)"), 58, 28);
    Label25->setBuddy(ComboBox4);
    ComboBox29 = combo(GroupBox5, "ComboBox29", design.ComboBox29.items, 8, 52, 46,
                       QStringLiteral("Макс. время передачи(мин.)"));
    Label37 = label(GroupBox5, "Label37", QStringLiteral("Макс. время передачи(мин.)"), 58, 56);
    Label37->setBuddy(ComboBox29);
    ComboBox30 = combo(GroupBox5, "ComboBox30", design.ComboBox30.items, 8, 80, 46,
                       QStringLiteral("Время откл. передачи (сек.)"));
    Label38 = label(GroupBox5, "Label38", QStringLiteral("Время откл. передачи (сек.)"), 58, 84);
    Label38->setBuddy(ComboBox30);

    GroupBox8 = group(GroupBox5, "GroupBox8", QStringLiteral("CTSS (Гц)"), 216, 8, 313, 140);
    static const char* const kColumnLabels[4] = {"Label5", "Label26", "Label27", "Label28"};
    static const char16_t* const kColumnTexts[4] = {u"1 - 4", u"5 - 8", u"9 - 12", u"13 - 16"};
    for (int column = 0; column < 4; ++column) {
        QLabel* heading = label(GroupBox8, kColumnLabels[column],
                                QString::fromUtf16(kColumnTexts[column]), 24 + 76 * column, 16);
        (column == 0 ? Label5 : column == 1 ? Label26 : column == 2 ? Label27 : Label28) = heading;
    }
    for (int c = 0; c < kChannelCount; ++c) {
        const QByteArray name = "ComboBox" + QByteArray::number(5 + c);
        QComboBox* box =
            combo(GroupBox8, name.constData(), design.toneBoxes[0].items, 6 + 76 * (c / 4),
                  34 + 25 * (c % 4), 73,
                  QStringLiteral("CTSS (Гц), канал %1").arg(c + 1, 2, 10, QChar(u'0')));
        box->setEnabled(false);
        spokenLabel(box);
        ToneBoxes[static_cast<std::size_t>(c)] = box;
    }

    GroupBox10 = group(GroupBox5, "GroupBox10", QStringLiteral(" Функции F1 :"), 8, 156, 140, 121);
    GroupBox11 =
        group(GroupBox5, "GroupBox11", QStringLiteral(" Функции F2 :"), 152, 156, 140, 121);
    for (int slot = 0; slot < 8; ++slot) {
        QGroupBox* parent = slot < 4 ? GroupBox10 : GroupBox11;
        const int row = slot % 4;
        QLabel* number = label(parent, "", QString::number(row + 1), 4, 24 + 24 * row);
        const QByteArray name = "ComboBox" + QByteArray::number(21 + slot);
        KeyBoxes[static_cast<std::size_t>(slot)] =
            combo(parent, name.constData(), design.keyBoxes[static_cast<std::size_t>(slot)].items,
                  14, 20 + 24 * row, 121,
                  QStringLiteral("Функции F%1 : %2").arg(slot < 4 ? 1 : 2).arg(row + 1));
        number->setBuddy(KeyBoxes[static_cast<std::size_t>(slot)]);
    }
    CheckBox3 = check(GroupBox5, "CheckBox3", QStringLiteral("Клонирование"), 300, 158);
    CheckBox6 = check(GroupBox5, "CheckBox6", QStringLiteral("Приор. сканир."), 300, 178);
    RadioButton9 = radio(GroupBox5, "RadioButton9", QStringLiteral("Рабочий режим"), 412, 158);
    RadioButton10 = radio(GroupBox5, "RadioButton10", QStringLiteral("Тест"), 412, 176);
    RadioButton11 = radio(GroupBox5, "RadioButton11", QStringLiteral("Прогон"), 412, 194);
    RadioButton12 = radio(GroupBox5, "RadioButton12", QStringLiteral("Настройка"), 412, 212);
    for (QRadioButton* hidden : {RadioButton10, RadioButton11, RadioButton12}) hidden->hide();
    Button9 = button(GroupBox5, "Button9", QStringLiteral("Сбросить режим"), 300, 252, 130, 19);

    // What the operator types into the port, time and tone boxes stays exactly as typed: no
    // inline completion to the first item it starts. The key boxes, read by list position,
    // keep it.
    for (QComboBox* typed : {ComboBox1, ComboBox4, ComboBox29, ComboBox30})
        typed->setCompleter(nullptr);
    for (QComboBox* tone : ToneBoxes) tone->setCompleter(nullptr);
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

void TForm1::Repaint() {
    repainting_ = true;
    const Controls& c = state_.ctl;
    setWindowTitle(c.caption);
    {
        const QSignalBlocker blocker(ComboBox1);
        if (ComboBox1->currentText() != c.ComboBox1.text) ComboBox1->setEditText(c.ComboBox1.text);
    }
    Label1->setText(c.Label1);
    Label1->setStyleSheet(c.label1Red ? QStringLiteral("color: red;") : QString());
    Label1->setToolTip(c.label1Reason);
    Label1->adjustSize();
    Label39->setText(c.Label39);
    Label39->adjustSize();
    const bool watch = c.Timer1 && !ExchangeRunning();
    if (watch && !Timer1->isActive()) Timer1->start();
    if (!watch && Timer1->isActive()) Timer1->stop();

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
