#include "step_rules.h"

#include "channel_editing.h"
#include "frequency.h"
#include "plan_state.h"

namespace belvan {

namespace {
const QString kRoundingCaption =
    QStringLiteral("   Изменяемая частота была задана с шагом 12,5 МГц.");
const QString kRoundingQuestion = QStringLiteral(
    "Внимание!!! В поле таблицы содержатся данные с более мелким шагом. \n"
    "Хотите округлить значение частот?\n"
    "'Да' - Чтобы округлить в большую сторону при пересчете.\n"
    "'Нет' - Чтобы удалить значение.\n"
    "'Отмена' - Чтобы отменить действие.");

// The next point of the 25 kHz grid above an odd code. The top of the band has none above it
// inside the band, so 174 987,5 kHz goes down to 174 975 kHz instead of out of the band.
std::uint16_t RoundUpTo25(std::uint16_t code) {
    if (code % 2 == 0) return code;
    if (code == kHighestCode) return kHighestCode25;
    return static_cast<std::uint16_t>(code + 1);
}
}  // namespace

void StepChanged(PlanState& p) {
    RebuildKhzList(p);
    ApplyStepChange(p);
}

void RebuildKhzList(PlanState& p) {
    p.ctl.ListBox3.items = KhzItems(p.ctl.RadioButton1 ? GridStep::Step12_5 : GridStep::Step25);
    p.ctl.ListBox3.index = 0;
}

void ApplyStepChange(PlanState& p) {
    const int c = p.ctl.SelectedChannel();
    if (c < 0) return;
    ChannelEntry& entry = p.Channel(c);
    auto& row = p.ctl.StringGrid1[static_cast<std::size_t>(c + 1)];

    if (p.ctl.RadioButton1) {
        entry.Set(ChannelFlag::Step25, false);
        if (entry.HasBothFrequencies()) row[Column::Step] = CellText::Step12_5;
        return;
    }
    if (!p.ctl.RadioButton2) return;

    entry.Set(ChannelFlag::Step25, true);
    if (!entry.HasBothFrequencies()) return;

    const bool halfStep =
        row[Column::Receive].contains(u',') || row[Column::Transmit].contains(u',');
    if (halfStep) {
        switch (p.Operator().AskYesNoCancel(kRoundingQuestion, kRoundingCaption,
                                            MessageIcon::Question)) {
            case Answer::Yes:
                entry.rxCode = RoundUpTo25(entry.rxCode);
                entry.txCode = RoundUpTo25(entry.txCode);
                break;
            case Answer::No:
                entry.rxCode = NoFrequency;
                entry.txCode = NoFrequency;
                for (int column = Column::Receive; column <= Column::Step; ++column)
                    row[column].clear();
                break;
            case Answer::Cancel:
                SelectStepButton(p, false);
                break;
        }
    }
    ShowChannel(p, c);
    if (p.Channel(c).HasBothFrequencies())
        row[Column::Step] =
            p.Channel(c).Has(ChannelFlag::Step25) ? CellText::Step25 : CellText::Step12_5;
}

}  // namespace belvan
