// Writing a channel list: the 16 channels of an image as CHIRP's generic CSV.
#include <QStringList>

#include "channel_csv.h"
#include "channel_csv_shared.h"
#include "core/texts.h"
#include "plan/ctcss_table.h"
#include "plan/frequency.h"

namespace belvan {

using namespace csv;

namespace {

QString ToneComment(std::uint16_t number) {
    const QString numberText = ToneNumberText(number);
    if (number >= 1 && number <= kToneCount)
        return CsvComment::TonePrefix + numberText +
               QStringLiteral(" (%1 Гц)").arg(ToneHzText(number));
    return CsvComment::TonePrefix + numberText + QStringLiteral(" (нет в таблице)");
}

QString ExportRow(int channel, const ChannelEntry& e) {
    const bool rx = e.rxCode != NoFrequency;
    const bool tx = e.txCode != NoFrequency;
    const bool ctcss = e.Has(ChannelFlag::DetectCtcss);
    const bool carrier = e.Has(ChannelFlag::DetectCarrier);
    const bool tsql = ctcss && !carrier && e.toneNumber >= 1 && e.toneNumber <= kToneCount;
    QStringList comment;

    QString duplex;
    QString offset = MhzText(0, MhzStyle::File);
    if (rx && tx && e.txCode != e.rxCode) {
        duplex = QStringLiteral("split");
        offset = MhzText(HzOfCode(e.txCode), MhzStyle::File);
    } else if (rx && !tx) {
        duplex = QStringLiteral("off");
    } else if (!rx) {
        comment << CsvComment::TransmitOnly;
    }
    if (e.Has(ChannelFlag::Masking)) comment << CsvComment::Masking;
    if (!tsql) {
        if (ctcss && carrier)
            comment << CsvComment::BothDetections;
        else if (ctcss)
            comment << CsvComment::CtcssDetection;
        else if (!carrier)
            comment << CsvComment::NoDetection;
        if (e.toneNumber != 0)
            comment << ToneComment(e.toneNumber);
        else if (ctcss)
            comment << CsvComment::NoTone;
    }
    const bool step25 = e.Has(ChannelFlag::Step25);
    if (step25 && HasOddCode(e)) comment << CsvComment::Step25OffGrid;

    const QString tone = tsql ? ToneHzText(e.toneNumber, u'.') : QStringLiteral("88.5");
    const QStringList cells = {
        QString::number(channel + 1),
        QString(),
        MhzText(HzOfCode(rx ? e.rxCode : e.txCode), MhzStyle::File),
        duplex,
        offset,
        tsql ? QStringLiteral("TSQL") : QString(),
        tone,
        tone,
        QStringLiteral("023"),
        QStringLiteral("NN"),
        QStringLiteral("023"),
        QStringLiteral("Tone->Tone"),
        QStringLiteral("FM"),
        step25 ? QStringLiteral("25.00") : QStringLiteral("12.50"),
        e.Has(ChannelFlag::Scan) ? QString() : QStringLiteral("S"),
        QString(),
        comment.join(QStringLiteral("; ")),
        QString(),
        QString(),
        QString(),
        QString(),
    };
    QStringList fields;
    for (const QString& cell : cells) fields << CsvField(cell);
    return fields.join(u',');
}

}  // namespace

QByteArray ExportCsv(const ParameterImage& image) {
    QString text = kCsvHeader + QStringLiteral("\r\n");
    for (int c = 0; c < kChannelCount; ++c) {
        const ChannelEntry entry = image.Record(c);
        if (!entry.IsEmpty()) text += ExportRow(c, entry) + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

QStringList CsvExportLosses(const ParameterImage& image) {
    QStringList losses;
    for (int c = 0; c < kChannelCount; ++c) {
        const ChannelEntry e = image.Record(c);
        for (const std::uint16_t code : {e.rxCode, e.txCode}) {
            if (code == NoFrequency || code <= kHighestCode) continue;
            losses << QStringLiteral(
                          "канал %1: частота %2 МГц вне диапазона %3, при импорте "
                          "этот канал будет отклонён")
                          .arg(c + 1, 2, 10, QLatin1Char('0'))
                          .arg(MhzText(HzOfCode(code), MhzStyle::Message), kBandText);
            break;
        }
    }
    return losses;
}

}  // namespace belvan
