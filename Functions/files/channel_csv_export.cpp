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

// Appends the channel's row and its line end. Only the comment can hold a comma or a quote: the
// other cells are numbers and the format's own words.
void AppendRow(QString& text, int channel, const ChannelEntry& e) {
    const bool rx = e.rxCode != NoFrequency;
    const bool tx = e.txCode != NoFrequency;
    const bool ctcss = e.Has(ChannelFlag::DetectCtcss);
    const bool carrier = e.Has(ChannelFlag::DetectCarrier);
    const bool tsql = ctcss && !carrier && e.toneNumber >= 1 && e.toneNumber <= kToneCount;
    QString comment;
    auto say = [&comment](const QString& phrase) {
        if (!comment.isEmpty()) comment += u"; ";
        comment += phrase;
    };

    QStringView duplex;
    long long offsetHz = 0;
    if (rx && tx && e.txCode != e.rxCode) {
        duplex = u"split";
        offsetHz = HzOfCode(e.txCode);
    } else if (rx && !tx) {
        duplex = u"off";
    } else if (!rx) {
        say(CsvComment::TransmitOnly);
    }
    if (e.Has(ChannelFlag::Masking)) say(CsvComment::Masking);
    if (!tsql) {
        if (ctcss && carrier)
            say(CsvComment::BothDetections);
        else if (ctcss)
            say(CsvComment::CtcssDetection);
        else if (!carrier)
            say(CsvComment::NoDetection);
        if (e.toneNumber != 0)
            say(ToneComment(e.toneNumber));
        else if (ctcss)
            say(CsvComment::NoTone);
    }
    const bool step25 = e.Has(ChannelFlag::Step25);
    if (step25 && HasOddCode(e)) say(CsvComment::Step25OffGrid);

    // A channel without a tone of its own gets CHIRP's default in both tone columns.
    auto appendTone = [&] {
        if (tsql)
            text += ToneHzText(e.toneNumber, u'.');
        else
            text += u"88.5";
    };
    text += QString::number(channel + 1);
    text += u",,";
    text += MhzText(HzOfCode(rx ? e.rxCode : e.txCode), MhzStyle::File);
    text += u',';
    text += duplex;
    text += u',';
    text += MhzText(offsetHz, MhzStyle::File);
    text += tsql ? QStringView(u",TSQL,") : QStringView(u",,");
    appendTone();
    text += u',';
    appendTone();
    text += u",023,NN,023,Tone->Tone,FM,";
    text += step25 ? QStringView(u"25.00,") : QStringView(u"12.50,");
    text += e.Has(ChannelFlag::Scan) ? QStringView(u",,") : QStringView(u"S,,");
    text += CsvField(comment);
    text += u",,,,\r\n";
}

}  // namespace

QByteArray ExportCsv(const ParameterImage& image) {
    // One text for the whole file, with room for the header and sixteen long rows.
    QString text;
    text.reserve(kCsvHeader.size() + 2 + kChannelCount * 160);
    text += kCsvHeader;
    text += u"\r\n";
    for (int c = 0; c < kChannelCount; ++c) {
        const ChannelEntry entry = image.Record(c);
        if (!entry.IsEmpty()) AppendRow(text, c, entry);
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
