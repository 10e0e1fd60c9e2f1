#include "typed_frequency.h"

#include <QRegularExpression>

#include "channel_editing.h"
#include "controls.h"
#include "plan_state.h"

namespace belvan {

namespace {
constexpr long long kHighestHz = kLowestHz + kGridHz * kHighestCode;

Error Refused(const QString& text) {
    return Error{ErrorKind::Value, text};
}

// The number of Hz in `whole`,`fraction` units of `unitHz` (1000000 or 1000); nothing when the
// fraction has digits finer than a Hz other than zeros.
std::optional<long long> HzOf(const QString& whole, QString fraction, long long unitHz) {
    const int places = unitHz == 1000000 ? 6 : 3;
    if (fraction.size() > places) {
        if (fraction.mid(places).contains(QRegularExpression(QStringLiteral("[^0]"))))
            return std::nullopt;
        fraction.truncate(places);
    }
    fraction = fraction.leftJustified(places, u'0');
    return whole.toLongLong() * unitHz + fraction.toLongLong();
}
}  // namespace

Result<std::uint16_t> CodeOfTypedFrequency(const QString& text, GridStep step) {
    static const QRegularExpression form(
        QStringLiteral("^([0-9]{1,9})(?:[,.]([0-9]*))?(мгц|кгц|mhz|khz)?\\.?$"));
    QString typed = text.toLower();
    typed.remove(QRegularExpression(QStringLiteral("\\s")));
    const QRegularExpressionMatch match = form.match(typed);
    if (!match.hasMatch())
        return Refused(QStringLiteral("Частота «%1» не прочитана: введите её в МГц («151,25») "
                                      "или в кГц («151250»).")
                           .arg(text.trimmed()));
    const QString unit = match.captured(3);
    const bool mhz =
        unit.isEmpty() ? match.captured(1).toLongLong() < 1000 : unit == u"мгц" || unit == u"mhz";
    const std::optional<long long> hz =
        HzOf(match.captured(1), match.captured(2), mhz ? 1000000 : 1000);
    const QString shown = hz ? MhzText(*hz, MhzStyle::Message) : text.trimmed();
    if (hz && (*hz < kLowestHz || *hz > kHighestHz))
        return Refused(
            QStringLiteral("Частота %1 МГц вне диапазона радиостанции %2.").arg(shown, kBandText));
    if (!hz || (*hz - kLowestHz) % kGridHz != 0)
        return Refused(QStringLiteral("Частота %1 МГц не лежит на сетке частот: частоты "
                                      "радиостанции идут через 12,5 кГц.")
                           .arg(shown));
    const auto code = static_cast<std::uint16_t>((*hz - kLowestHz) / kGridHz);
    if (step == GridStep::Step25 && code % 2 != 0)
        return Refused(QStringLiteral("Частота %1 МГц не лежит на сетке шага 25 кГц; для неё "
                                      "выберите шаг «12,5 кГц.».")
                           .arg(shown));
    return code;
}

bool FillTypedFrequency(PlanState& p, int column, const QString& text) {
    if (!RequireChannel(p)) return false;
    const GridStep step = p.ctl.RadioButton1 ? GridStep::Step12_5 : GridStep::Step25;
    const Result<std::uint16_t> code = CodeOfTypedFrequency(text, step);
    if (!code) {
        ShowError(p.Operator(), code.error().text);
        return false;
    }
    // The choice in the lists: tenths of a kHz above the band's start, split into whole MHz and
    // the kHz item of the step's list.
    const int tenths = 125 * *code;
    p.ctl.ListBox2.index = tenths / 10000;
    p.ctl.ListBox3.index = tenths % 10000 / (step == GridStep::Step25 ? 250 : 125);
    if (column == Column::Transmit)
        FillTransmit(p);
    else
        FillReceive(p);
    return true;
}

}  // namespace belvan
