#include "texts.h"

#include <QDir>
#include <charconv>
#include <cstdlib>

namespace belvan {

QString ShownPath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString HexText(unsigned value, int digits) {
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QString FixedPointText(long long value, long long unit, int decimals, QChar point) {
    const unsigned long long magnitude = static_cast<unsigned long long>(std::llabs(value));
    const unsigned long long whole = magnitude / static_cast<unsigned long long>(unit);
    unsigned long long fraction = magnitude % static_cast<unsigned long long>(unit);
    // The fraction of `unit` scaled to `decimals` digits.
    unsigned long long scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    fraction = fraction * scale / static_cast<unsigned long long>(unit);
    // Written straight into one text: a channel list writes two of these for every channel.
    QString text;
    text.reserve(22 + decimals);
    auto append = [&text](unsigned long long number, int width) {
        char digits[24];
        const char* end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        for (auto length = end - digits; length < width; ++length) text += u'0';
        text += QLatin1StringView(digits, end);
    };
    if (value < 0) text += u'-';
    append(whole, 1);
    if (decimals > 0) {
        text += point;
        append(fraction, decimals);
    }
    return text;
}

QString DecimalText(unsigned long long numerator, unsigned long long denominator) {
    QString text = QString::number(numerator / denominator);
    if (numerator % denominator == 0) return text;
    QString fraction = QStringLiteral("%1").arg(numerator % denominator * 1000 / denominator, 3, 10,
                                                QLatin1Char('0'));
    while (fraction.endsWith(u'0')) fraction.chop(1);
    return text + u',' + (fraction.isEmpty() ? QStringLiteral("0") : fraction);
}

QString SecondsText(qint64 ms) {
    return QString::number(ms / 1000.0, 'f', 1).replace(u'.', u',') + QStringLiteral(" с");
}

QString CsvField(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString ListedAtMost(const QStringList& items, qsizetype shown, const QString& separator,
                     const QString& beforeRest) {
    QString text = items.mid(0, shown).join(separator);
    if (items.size() > shown)
        text += beforeRest + QStringLiteral("… и ещё %1").arg(items.size() - shown);
    return text;
}

}  // namespace belvan
