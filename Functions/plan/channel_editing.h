// The operations by which the operator edits the 16 channels. Each keeps three things in step:
// the channel record, the channel's row of StringGrid1 and the current-channel controls.
#pragma once

#include <QChar>
#include <QString>

namespace belvan {

struct PlanState;
struct Controls;

// --- The event rule -------------------------------------------------------------------------
// Setting a check box from code runs its click handler when its state changes; selecting a
// radio button runs its handler when it was not selected before; deselecting runs nothing.
// Operator clicks go through the same setters.
void SetCheckBox1(PlanState& p, bool on);  // "Сканировать частоту" -> UpdateScanMark
void SetCheckBox2(PlanState& p, bool on);  // "Включить маскирование" -> UpdateMaskMark
void SelectRadioButton6(PlanState& p);             // "По CTSS" -> ApplyDetectionMode
void SelectRadioButton8(PlanState& p);             // "По несущей" -> ApplyDetectionMode
void SelectStepButton(PlanState& p, bool step25);  // RadioButton2 / RadioButton1 -> StepChanged

// --- Editing ---------------------------------------------------------------------------------
// True when a channel is selected; otherwise "Укажите номер канала" and false.
bool RequireChannel(PlanState& p);
// The selected MHz and kHz items become the selected channel's receive / transmit frequency.
void FillReceive(PlanState& p);
void FillTransmit(PlanState& p);
// Scan, masking, detection and step flags of the selected channel follow the controls.
void RefreshChannelMarks(PlanState& p);
void UpdateScanMark(PlanState& p);
void UpdateMaskMark(PlanState& p);
void ApplyDetectionMode(PlanState& p);
// Puts channel c into its row and into the current-channel controls (nothing for an empty one).
void ShowChannel(PlanState& p, int c);
// "Очистить канал": the selected channel, its reserved byte included.
void ClearSelectedChannel(PlanState& p);
// "Очистить все": all 16 channels, reserved bytes kept.
void ClearAllChannels(PlanState& p);
// The plan as the form's creation leaves it: the grid's headings and channel numbers, the first
// channel and the first frequency selected, the 25 kHz step's lists, every channel cleared.
void StartPlan(PlanState& p);
void SetChannelMark(PlanState& p, int c, bool visible);
// Each tone box is enabled exactly when its row's "CTSS" cell holds "   +".
void UpdateToneBoxes(PlanState& p);
// Disabling also selects the empty entry, so a disabled box encodes as tone 0.
void SetToneBoxEnabled(PlanState& p, int channel, bool enabled);
// Recomputes InUse of all channels from the receive cells.
void RefreshInUseFlags(PlanState& p);
// Whether the channel's receive cell reads as a whole number other than 0.
bool ReceiveCellInUse(const Controls& ctl, int channel);
// Key filter of the wait-time box and the tone boxes: digits, Backspace and Enter pass; every
// other character becomes the null character.
QChar DigitKeyFilter(QChar key);

// The selected channel changes by a click in the channel list.
void ListBox1Click(PlanState& p, int index);

}  // namespace belvan
