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

namespace belvan {

namespace {
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

}  // namespace

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
                     int w, const QString& accessible, bool completes = false) {
        auto* c = new FormComboBox(parent, completes);
        named(c, name, accessible);
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
    ComboBox1->addItems(design.ComboBox1.items);
    // Wide enough for a device path such as /dev/ttyUSB0 or /dev/tty.usbserial-A50285BI.
    ComboBox1->setGeometry(S(8), S(12), S(170), comboHeight);
    // On Linux a screen reader names a drop-down box by the label whose buddy it is, on other
    // systems by its accessible name; a box without a label of its own gets one never shown.
    auto spokenLabel = [](QComboBox* box) {
        auto* l = new QLabel(box->accessibleName(), box->parentWidget());
        l->setBuddy(box);
        l->hide();
    };
    spokenLabel(ComboBox1);
    Label1 = label(this, "Label1", QString(), 184, 16);
    QFont portFont = Label1->font();
    portFont.setBold(true);
    Label1->setFont(portFont);
    Label39 = label(this, "Label39", QString(), 320, 16);
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
    // Tab goes on to the next control; the arrows move within the table.
    StringGrid1->setTabKeyNavigation(false);
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
        mark->setPalette(RedText(mark->palette()));
        QFont bold = mark->font();
        bold.setBold(true);
        mark->setFont(bold);
        mark->setToolTip(mark->accessibleName());
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
                  QStringLiteral("Функции F%1 : %2").arg(slot < 4 ? 1 : 2).arg(row + 1), true);
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
}

}  // namespace belvan
