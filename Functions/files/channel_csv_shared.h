// What the writing and the reading of CSV channel lists share: frequencies in Hz, the band the
// radio covers and its 12.5 kHz grid. Only the CSV files include it.
#pragma once

#include <QLatin1Char>
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "plan/channel_entry.h"

namespace belvan::csv {

inline constexpr long long kLowestHz = 146000000LL;
inline constexpr long long kGridHz = 12500;
inline const QString kBandText = QStringLiteral("146,000–174,9875 МГц");

inline long long HzOfCode(std::uint16_t code) {
    return kLowestHz + kGridHz * code;
}

// 146012500 -> "146,0125": the operator's way, at least three decimals.
inline QString MhzShown(long long hz) {
    const QString sign = hz < 0 ? QStringLiteral("-") : QString();
    const long long magnitude = std::llabs(hz);
    QString text = sign + QStringLiteral("%1,%2")
                              .arg(magnitude / 1000000)
                              .arg(magnitude % 1000000, 6, 10, QLatin1Char('0'));
    while (text.endsWith(QLatin1Char('0')) && text.size() - text.indexOf(u',') > 4) text.chop(1);
    return text;
}

// A frequency off the 25 kHz grid.
inline bool HasOddCode(const ChannelEntry& e) {
    return (e.rxCode != NoFrequency && e.rxCode % 2 != 0) ||
           (e.txCode != NoFrequency && e.txCode % 2 != 0);
}

}  // namespace belvan::csv
