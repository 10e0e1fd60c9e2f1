#include "channel_editing.h"

#include "frequency.h"
#include "number_text.h"
#include "plan_state.h"
#include "step_rules.h"

namespace belvan {

namespace {
QString& Cell(PlanState& p, int channel, int column) {
    return p.ctl.Cell(channel + 1, column);
}

// Writes a mark cell only while the channel has both frequencies.
void WriteMarkIfComplete(PlanState& p, int channel, int column, const QString& text) {
    if (p.Channel(channel).HasBothFrequencies()) Cell(p, channel, column) = text;
}

// The fill of one frequency column: the cell is written, then read back for the code and the
// receive-frequency mark.
void FillFrequency(PlanState& p, int column, std::uint16_t ChannelEntry::*code) {
    const int c = p.ctl.SelectedChannel();
    QString& cell = Cell(p, c, column);
    cell = CellPrefix + p.ctl.ListBox2.Selected() + p.ctl.ListBox3.Selected();
    ChannelEntry& entry = p.Channel(c);
    entry.*code = CodeFromFrequencyText(cell).value_or(NoFrequency);
    const auto whole = ReadWholeNumber(cell);
    if (whole && *whole != 0) {
        SetChannelMark(p, c, true);
        entry.Set(ChannelFlag::InUse, true);
    } else {
        // A half kHz (146012,5) does not read as a whole number: the mark stays as it was.
        entry.Set(ChannelFlag::InUse, false);
    }
    RefreshChannelMarks(p);
}

void ClearChannel(PlanState& p, int c, bool clearReserved) {
    for (int column = Column::Receive; column <= Column::Step; ++column) Cell(p, c, column).clear();
    ChannelEntry& entry = p.Channel(c);
    entry.flags &= static_cast<std::uint8_t>(~(ChannelFlag::Scan | ChannelFlag::Masking |
                                               ChannelFlag::DetectCtcss |
                                               ChannelFlag::DetectCarrier | ChannelFlag::Unused));
    entry.flags |= ChannelFlag::Step25;  // InUse waits for the next recomputation
    if (clearReserved) entry.reserved = 0;
    entry.rxCode = NoFrequency;
    entry.txCode = NoFrequency;
    entry.toneNumber = 0;
    SetChannelMark(p, c, false);
}
}  // namespace

void SetCheckBox1(PlanState& p, bool on) {
    if (p.ctl.CheckBox1 == on) return;
    p.ctl.CheckBox1 = on;
    UpdateScanMark(p);
}

void SetCheckBox2(PlanState& p, bool on) {
    if (p.ctl.CheckBox2 == on) return;
    p.ctl.CheckBox2 = on;
    UpdateMaskMark(p);
}

void SelectRadioButton6(PlanState& p) {
    if (p.ctl.RadioButton6) return;
    p.ctl.RadioButton6 = true;
    p.ctl.RadioButton8 = false;
    ApplyDetectionMode(p);
}

void SelectRadioButton8(PlanState& p) {
    if (p.ctl.RadioButton8) return;
    p.ctl.RadioButton8 = true;
    p.ctl.RadioButton6 = false;
    ApplyDetectionMode(p);
}

void SelectStepButton(PlanState& p, bool step25) {
    if (step25 ? p.ctl.RadioButton2 : p.ctl.RadioButton1) return;
    p.ctl.RadioButton2 = step25;
    p.ctl.RadioButton1 = !step25;
    StepChanged(p);
}

bool RequireChannel(PlanState& p) {
    if (p.ctl.SelectedChannel() >= 0) return true;
    ShowError(p.Operator(), QStringLiteral("Укажите номер канала"));
    return false;
}

void FillReceive(PlanState& p) {
    FillFrequency(p, Column::Receive, &ChannelEntry::rxCode);
}

void FillTransmit(PlanState& p) {
    FillFrequency(p, Column::Transmit, &ChannelEntry::txCode);
}

void RefreshChannelMarks(PlanState& p) {
    UpdateScanMark(p);
    UpdateMaskMark(p);
    ApplyDetectionMode(p);
    ApplyStepChange(p);
}

void UpdateScanMark(PlanState& p) {
    if (p.BulkUpdateGuard) return;
    const int c = p.ctl.SelectedChannel();
    if (c < 0) return;
    p.Channel(c).Set(ChannelFlag::Scan, p.ctl.CheckBox1);
    WriteMarkIfComplete(p, c, Column::Scan, p.ctl.CheckBox1 ? CellText::ScanOn : CellText::ScanOff);
}

void UpdateMaskMark(PlanState& p) {
    if (p.BulkUpdateGuard) return;
    const int c = p.ctl.SelectedChannel();
    if (c < 0) return;
    p.Channel(c).Set(ChannelFlag::Masking, p.ctl.CheckBox2);
    WriteMarkIfComplete(p, c, Column::Masking,
                        p.ctl.CheckBox2 ? CellText::MaskOn : CellText::MaskOff);
}

void ApplyDetectionMode(PlanState& p) {
    if (p.BulkUpdateGuard) return;
    const int c = p.ctl.SelectedChannel();
    if (c >= 0) {
        p.Channel(c).Set(ChannelFlag::DetectCtcss, p.ctl.RadioButton6);
        WriteMarkIfComplete(p, c, Column::Ctcss,
                            p.ctl.RadioButton6 ? CellText::CtcssOn : CellText::CtcssOff);
        p.Channel(c).Set(ChannelFlag::DetectCarrier, p.ctl.RadioButton8);
        WriteMarkIfComplete(p, c, Column::Carrier,
                            p.ctl.RadioButton8 ? CellText::CarrierOn : CellText::CarrierOff);
    }
    UpdateToneBoxes(p);
}

void ShowChannel(PlanState& p, int c) {
    if (c < 0 || c >= kChannelCount) return;
    // Every flag is read at the moment its step handles it: the handlers run by the control
    // changes below may rewrite the selected channel's flags in between.
    auto has = [&](std::uint8_t bit) { return p.Channel(c).Has(bit); };
    const ChannelEntry& entry = p.Channel(c);
    if (entry.IsEmpty()) return;

    Cell(p, c, Column::Receive) =
        entry.rxCode == NoFrequency ? QString() : CellPrefix + FrequencyText(entry.rxCode);
    Cell(p, c, Column::Transmit) =
        entry.txCode == NoFrequency ? QString() : CellPrefix + FrequencyText(entry.txCode);

    const bool scan = has(ChannelFlag::Scan);
    Cell(p, c, Column::Scan) = scan ? CellText::ScanOn : CellText::ScanOff;
    SetCheckBox1(p, scan);

    const bool masking = has(ChannelFlag::Masking);
    Cell(p, c, Column::Masking) = masking ? CellText::MaskShownOn : CellText::MaskShownOff;
    SetCheckBox2(p, masking);

    if (has(ChannelFlag::DetectCtcss)) {
        Cell(p, c, Column::Ctcss) = CellText::CtcssOn;
        SelectRadioButton6(p);
    } else {
        Cell(p, c, Column::Ctcss) = CellText::CtcssOff;
        p.ctl.RadioButton6 = false;
    }

    if (has(ChannelFlag::DetectCarrier)) {
        Cell(p, c, Column::Carrier) = CellText::CarrierOn;
        SelectRadioButton8(p);
    } else {
        Cell(p, c, Column::Carrier) = CellText::CarrierOff;
        p.ctl.RadioButton8 = false;
    }

    if (!p.ctl.RadioButton8 && !p.ctl.RadioButton6) {
        SelectRadioButton8(p);
        Cell(p, c, Column::Carrier) = CellText::CarrierOn;
    }

    const bool step25 = has(ChannelFlag::Step25);
    Cell(p, c, Column::Step) = step25 ? CellText::Step25 : CellText::Step12_5;
    if (!p.BulkUpdateGuard) SelectStepButton(p, step25);

    SetChannelMark(p, c, true);
}

void ClearSelectedChannel(PlanState& p) {
    const int c = p.ctl.SelectedChannel();
    if (c < 0) return;
    ClearChannel(p, c, true);
}

void ClearAllChannels(PlanState& p) {
    for (int c = 0; c < kChannelCount; ++c) ClearChannel(p, c, false);
}

void SetChannelMark(PlanState& p, int c, bool visible) {
    p.ctl.channelMarks[static_cast<std::size_t>(c)] = visible;
}

void UpdateToneBoxes(PlanState& p) {
    for (int c = 0; c < kChannelCount; ++c)
        SetToneBoxEnabled(p, c, Cell(p, c, Column::Ctcss) == CellText::CtcssOn);
}

void SetToneBoxEnabled(PlanState& p, int channel, bool enabled) {
    ComboState& box = p.ctl.toneBoxes[static_cast<std::size_t>(channel)];
    box.enabled = enabled;
    if (!enabled) {
        box.Select(0);
        box.SetText(QString());
    }
}

bool ReceiveCellInUse(const Controls& ctl, int channel) {
    const auto value = ReadWholeNumber(ctl.Cell(channel + 1, Column::Receive));
    return value && *value != 0;
}

void RefreshInUseFlags(PlanState& p) {
    for (int c = 0; c < kChannelCount; ++c)
        p.Channel(c).Set(ChannelFlag::InUse, ReceiveCellInUse(p.ctl, c));
}

QChar DigitKeyFilter(QChar key) {
    if (key == QChar(13) || key == QChar(8)) return key;
    if (key >= u'0' && key <= u'9') return key;
    return QChar(0);
}

void ListBox1Click(PlanState& p, int index) {
    p.ctl.ListBox1.index = index;
    ShowChannel(p, index);
}

void StartPlan(PlanState& p) {
    static const char16_t* const kHeadings[kGridColumns] = {
        u" №", u"  На прием", u"На передачу", u"Скан.", u"Маск.", u"CTSS", u"Несущ.", u"Шаг"};
    for (int column = 0; column < kGridColumns; ++column)
        p.ctl.Cell(0, column) = QString::fromUtf16(kHeadings[column]);
    for (int row = 1; row < kGridRows; ++row)
        p.ctl.Cell(row, Column::Number) = QStringLiteral("%1").arg(row, 2, 10, QChar(u'0'));

    p.ctl.ListBox1.index = 0;
    StepChanged(p);  // RadioButton2Click, with "25 кГц." selected
    p.ctl.ListBox1.index = 0;
    p.ctl.ListBox2.index = 0;
    ClearAllChannels(p);
}

}  // namespace belvan
