#include "frequency.h"

#include "core/texts.h"

namespace belvan {

namespace {
// Frequencies are handled in tenths of a kHz, which keeps every point of both grids exact.
QString TenthsText(long long tenths) {
    const long long whole = tenths / 10;
    const long long tenth = tenths % 10;
    if (tenth == 0) return QString::number(whole);
    return QStringLiteral("%1,%2").arg(whole).arg(tenth);
}
}  // namespace

QString MhzText(long long hz, MhzStyle style) {
    switch (style) {
        case MhzStyle::File:
            return FixedPointText(hz, 1000000, 6, u'.');
        case MhzStyle::Column:
            return FixedPointText(hz, 1000000, 4, u',');
        case MhzStyle::Message:
            break;
    }
    QString text = FixedPointText(hz, 1000000, 6, u',');
    while (text.endsWith(u'0') && text.size() - text.indexOf(u',') > 4) text.chop(1);
    return text;
}

QString FrequencyText(std::uint16_t code) {
    return TenthsText(static_cast<long long>(kLowestKhz) * 10 + 125LL * code);
}

std::optional<std::uint16_t> CodeFromFrequencyText(const QString& text) {
    QString digits = text.trimmed();
    long long tenths = 0;
    const qsizetype comma = digits.indexOf(u',');
    QString whole = comma < 0 ? digits : digits.left(comma);
    QString fraction = comma < 0 ? QString() : digits.mid(comma + 1);
    if (whole.isEmpty() || whole.size() > 9 || fraction.size() > 1) return std::nullopt;
    if (comma >= 0 && fraction.isEmpty()) return std::nullopt;
    for (QChar ch : whole + fraction)
        if (ch < u'0' || ch > u'9') return std::nullopt;
    tenths = whole.toLongLong() * 10 + (fraction.isEmpty() ? 0 : fraction.toInt());
    // (kHz - 146000) x 0.08 == (tenths - 1460000) x 8 / 1000, truncated toward zero.
    const long long code = (tenths - static_cast<long long>(kLowestKhz) * 10) * 8 / 1000;
    if (code < 0 || code >= 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(code);
}

QStringList MhzItems() {
    QStringList items;
    for (int mhz = 146; mhz <= 174; ++mhz) items << QString::number(mhz);
    return items;
}

QStringList KhzItems(GridStep step) {
    const int count = step == GridStep::Step25 ? 40 : 80;
    const int stepTenths = step == GridStep::Step25 ? 250 : 125;
    QStringList items;
    for (int i = 0; i < count; ++i) {
        QString text = TenthsText(static_cast<long long>(i) * stepTenths);
        const int wholeDigits =
            static_cast<int>(text.contains(u',') ? text.size() - 2 : text.size());
        text = QString(3 - wholeDigits, u'0') + text;  // zero fill to three digits before the comma
        items << text;
    }
    return items;
}

}  // namespace belvan
