// How the tool writes numbers, times, paths and CSV fields for the operator and in files, in one
// place. The decimal separator shown to the operator is the comma, whatever the system's locale.
#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

namespace belvan {

// A path as the system writes it ("C:\1\1.ctrch" on Windows).
QString ShownPath(const QString& path);

// `value` in upper-case hexadecimal, `digits` wide with leading zeros: (10, 2) -> "0A".
QString HexText(unsigned value, int digits);

// `value` / `unit` with exactly `decimals` decimals and `point` between: (146012500, 1000000, 6,
// '.') -> "146.012500". Negative values get a minus sign.
QString FixedPointText(long long value, long long unit, int decimals, QChar point);

// `numerator` / `denominator` as a whole number, or with up to three decimals after a comma,
// trailing zeros dropped: (1500, 1000) -> "1,5", (2000, 1000) -> "2".
QString DecimalText(unsigned long long numerator, unsigned long long denominator);

// A time taken, to a tenth of a second: 1540 -> "1,5 с".
QString SecondsText(qint64 ms);

// A long list cut short for a message: the first `shown` items joined by `separator`, then
// "… и ещё N" after `beforeRest` when N more are left out.
QString ListedAtMost(const QStringList& items, qsizetype shown, const QString& separator,
                     const QString& beforeRest);

// A field of a CSV row: quoted, with quotes doubled, when it holds a comma, a quote or a line end.
QString CsvField(const QString& text);

}  // namespace belvan
