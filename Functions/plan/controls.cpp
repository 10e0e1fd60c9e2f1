#include "controls.h"

#include "ctcss_table.h"
#include "frequency.h"

namespace belvan {

void ComboState::Select(int position) {
    index = position >= 0 && position < items.size() ? position : -1;
    text = index >= 0 ? items.at(index) : QString();  // at(): a shared list stays shared
}

void ComboState::SetText(const QString& newText) {
    text = newText;
    index = static_cast<int>(items.indexOf(newText));
}

QStringList KeyFunctionItems(bool shortNames) {
    return {QStringLiteral("--= нет функции =--"),
            QStringLiteral("ШП"),
            shortNames ? QStringLiteral("Маскир-ие") : QStringLiteral("Маскирование"),
            shortNames ? QStringLiteral("Сканир-ие") : QStringLiteral("Сканирование"),
            QStringLiteral("Мощность"),
            QStringLiteral("Настройка ШП"),
            QStringLiteral("Тон-700Гц"),
            QStringLiteral("Тон-1000Гц"),
            QStringLiteral("Тон-1400Гц"),
            QStringLiteral("Тон-1450Гц"),
            QStringLiteral("Тон-1853Гц"),
            QStringLiteral("Тон-2100Гц")};
}

namespace {
ComboState Box(QStringList items, const QString& text) {
    ComboState box;
    box.items = std::move(items);
    box.SetText(text);
    return box;
}
QStringList Numbers(int from, int to, int step) {
    QStringList items;
    for (int n = from; n <= to; n += step) items << QString::number(n);
    return items;
}
}  // namespace

Controls DesignControls() {
    Controls c;
    c.ComboBox1 = Box({QStringLiteral("COM1"), QStringLiteral("COM2")}, QStringLiteral("COM1"));
    for (int n = 1; n <= kChannelCount; ++n)
        c.ListBox1.items << QStringLiteral("%1").arg(n, 2, 10, QChar(u'0'));
    c.ListBox2.items = MhzItems();
    c.ListBox3.items = KhzItems(GridStep::Step25);
    c.ComboBox4 = Box(Numbers(1, 10, 1), QStringLiteral("1"));
    c.ComboBox29 = Box(Numbers(1, 10, 1), QStringLiteral("1"));
    c.ComboBox30 = Box(Numbers(10, 90, 10), QStringLiteral("20"));
    for (auto& tone : c.toneBoxes) {
        tone = Box(ToneBoxItems(), QString());
        tone.enabled = false;
    }
    for (int slot = 0; slot < 8; ++slot) {
        // ComboBox26 .. ComboBox28 (F2 slots 2 to 4) carry the short names.
        c.keyBoxes[slot] = Box(KeyFunctionItems(slot >= 5), QStringLiteral("--= нет функции =--"));
    }
    return c;
}

}  // namespace belvan
