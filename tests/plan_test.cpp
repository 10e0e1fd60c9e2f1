// The channel plan as the operator edits it: frequency texts and lists, start-up, the fills,
// the mark cells, showing and clearing channels, the tone boxes. The step rules: step_rules_test.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>

#include "plan/channel_editing.h"
#include "plan/frequency.h"
#include "plan/step_rules.h"
#include "plan_fixture.h"
#include "scripted_operator.h"

namespace belvan {
namespace {

using testing::Pick;
using testing::PlanTest;
using testing::RecordHex;
using testing::ScriptedOperator;
using testing::ShownMessage;
using testing::Text;

// --- Frequency texts and lists -----------------------------------------------------------------

TEST(FrequencyText, EdgesOfTheBand) {
    EXPECT_EQ(Text(FrequencyText(0)), "146000");
    EXPECT_EQ(Text(FrequencyText(1)), "146012,5");
    EXPECT_EQ(Text(FrequencyText(2)), "146025");
    EXPECT_EQ(Text(FrequencyText(2318)), "174975");
    EXPECT_EQ(Text(FrequencyText(2319)), "174987,5");
}

TEST(FrequencyText, EveryCodeReadsBackFromItsCell) {
    for (int code = 0; code <= kHighestCode; ++code) {
        const QString cell =
            QStringLiteral("    ") + FrequencyText(static_cast<std::uint16_t>(code));
        const auto back = CodeFromFrequencyText(cell);
        ASSERT_TRUE(back.has_value()) << Text(cell);
        ASSERT_EQ(*back, code) << Text(cell);
    }
}

TEST(FrequencyText, CodeIsTruncatedAndNonsenseGivesNothing) {
    // (kHz - 146000) x 0.08, truncated: 146020 kHz lies between codes 1 and 2.
    EXPECT_EQ(CodeFromFrequencyText(QStringLiteral("146020")), 1);
    EXPECT_EQ(CodeFromFrequencyText(QStringLiteral("146024,9")), 1);
    EXPECT_EQ(CodeFromFrequencyText(QStringLiteral("150025")), 322);
    EXPECT_FALSE(CodeFromFrequencyText(QString()).has_value());
    EXPECT_FALSE(CodeFromFrequencyText(QStringLiteral("    ")).has_value());
    EXPECT_FALSE(CodeFromFrequencyText(QStringLiteral("abc")).has_value());
    EXPECT_FALSE(CodeFromFrequencyText(QStringLiteral("146012,")).has_value());
    EXPECT_FALSE(CodeFromFrequencyText(QStringLiteral("145000")).has_value());
}

TEST(FrequencyLists, KhzListsOfBothSteps) {
    const QStringList fine = KhzItems(GridStep::Step12_5);
    ASSERT_EQ(fine.size(), 80);
    EXPECT_EQ(Text(fine[0]), "000");
    EXPECT_EQ(Text(fine[1]), "012,5");
    EXPECT_EQ(Text(fine[2]), "025");
    EXPECT_EQ(Text(fine[8]), "100");
    EXPECT_EQ(Text(fine[79]), "987,5");

    const QStringList coarse = KhzItems(GridStep::Step25);
    ASSERT_EQ(coarse.size(), 40);
    EXPECT_EQ(Text(coarse[0]), "000");
    EXPECT_EQ(Text(coarse[1]), "025");
    EXPECT_EQ(Text(coarse[39]), "975");
    // The 25 kHz grid is every second point of the 12.5 kHz grid.
    for (int i = 0; i < coarse.size(); ++i) EXPECT_EQ(coarse[i], fine[2 * i]) << i;

    const QStringList mhz = MhzItems();
    ASSERT_EQ(mhz.size(), 29);
    EXPECT_EQ(Text(mhz.front()), "146");
    EXPECT_EQ(Text(mhz.back()), "174");
}

// --- Start-up ------------------------------------------------------------------------------------

TEST_F(PlanTest, StartUpState) {
    EXPECT_TRUE(op.shown.empty());
    for (int c = 0; c < kChannelCount; ++c)
        EXPECT_EQ(RecordHex(p.Channel(c)), "04 00 FF FF FF FF 00 00 00 00") << "channel " << c + 1;

    EXPECT_EQ(p.ctl.ListBox1.index, 0);
    EXPECT_EQ(Text(p.ctl.ListBox2.Selected()), "146");
    EXPECT_EQ(p.ctl.ListBox3.items.size(), 40);
    EXPECT_EQ(Text(p.ctl.ListBox3.Selected()), "000");
    EXPECT_TRUE(p.ctl.RadioButton2);
    EXPECT_FALSE(p.ctl.RadioButton1);
    EXPECT_FALSE(p.ctl.CheckBox1);
    EXPECT_FALSE(p.ctl.CheckBox2);
    for (const ComboState& box : p.ctl.toneBoxes) {
        EXPECT_FALSE(box.enabled);
        EXPECT_TRUE(box.text.isEmpty());
    }

    const char* const headings[] = {" №",    "  На прием", "На передачу", "Скан.",
                                    "Маск.", "CTSS",       "Несущ.",      "Шаг"};
    for (int column = 0; column < kGridColumns; ++column)
        EXPECT_EQ(Text(p.ctl.Cell(0, column)), headings[column]);
    for (int c = 0; c < kChannelCount; ++c) {
        EXPECT_EQ(p.ctl.Cell(c + 1, Column::Number),
                  QStringLiteral("%1").arg(c + 1, 2, 10, QChar(u'0')));
        ExpectRowEmpty(c);
        EXPECT_FALSE(p.ctl.channelMarks[c]);
    }
}

TEST_F(PlanTest, StartUpSelectsCarrierDetection) {
    EXPECT_TRUE(p.ctl.RadioButton8);
    EXPECT_FALSE(p.ctl.RadioButton6);
}

// --- Fills
// -----------------------------------------------------------------------------------------

TEST_F(PlanTest, FillWholeKhzSetsCodeInUseAndMark) {
    ListBox1Click(p, 2);
    Receive(QStringLiteral("150"), QStringLiteral("025"));
    const ChannelEntry& entry = p.Channel(2);
    EXPECT_EQ(Text(Cell(2, Column::Receive)), "    150025");
    EXPECT_EQ(entry.rxCode, 322);
    EXPECT_EQ(entry.txCode, NoFrequency);
    EXPECT_TRUE(entry.Has(ChannelFlag::InUse));
    EXPECT_TRUE(p.ctl.channelMarks[2]);
    // One frequency only: no mark cells yet.
    for (int column = Column::Scan; column <= Column::Step; ++column)
        EXPECT_TRUE(Cell(2, column).isEmpty()) << column;

    Transmit(QStringLiteral("150"), QStringLiteral("000"));
    EXPECT_EQ(Text(Cell(2, Column::Transmit)), "    150000");
    EXPECT_EQ(entry.txCode, 320);
    EXPECT_EQ(Text(Cell(2, Column::Scan)), "    -");
    EXPECT_EQ(Text(Cell(2, Column::Ctcss)), "   -");
    EXPECT_EQ(Text(Cell(2, Column::Carrier)), "     +");
    EXPECT_EQ(Text(Cell(2, Column::Step)), " 25");
    EXPECT_TRUE(p.ctl.RadioButton8);
    EXPECT_TRUE(entry.Has(ChannelFlag::DetectCarrier));
    EXPECT_TRUE(entry.Has(ChannelFlag::Step25));
    EXPECT_TRUE(op.shown.empty());
    // Other channels are untouched.
    ExpectRowEmpty(1);
    EXPECT_EQ(RecordHex(p.Channel(1)), "04 00 FF FF FF FF 00 00 00 00");
}

TEST_F(PlanTest, FillHalfKhzClearsInUseAndLeavesMark) {
    SelectStepButton(p, false);
    ASSERT_EQ(p.ctl.ListBox3.items.size(), 80);

    Receive(QStringLiteral("146"), QStringLiteral("012,5"));
    EXPECT_EQ(Text(Cell(0, Column::Receive)), "    146012,5");
    EXPECT_EQ(p.Channel(0).rxCode, 1);
    EXPECT_FALSE(p.Channel(0).Has(ChannelFlag::InUse));
    EXPECT_FALSE(p.ctl.channelMarks[0]);  // was hidden, stays hidden

    Receive(QStringLiteral("146"), QStringLiteral("025"));
    EXPECT_TRUE(p.Channel(0).Has(ChannelFlag::InUse));
    EXPECT_TRUE(p.ctl.channelMarks[0]);

    Receive(QStringLiteral("174"), QStringLiteral("987,5"));
    EXPECT_EQ(p.Channel(0).rxCode, 2319);
    EXPECT_FALSE(p.Channel(0).Has(ChannelFlag::InUse));
    EXPECT_TRUE(p.ctl.channelMarks[0]);  // was shown, stays shown
}

TEST_F(PlanTest, BothColumnsFromOnePick) {
    Pick(p, QStringLiteral("146"), QStringLiteral("025"));
    FillReceive(p);
    FillTransmit(p);
    ExpectCodes(2, 2);
    EXPECT_EQ(Text(Cell(0, Column::Receive)), "    146025");
    EXPECT_EQ(Text(Cell(0, Column::Transmit)), "    146025");
}

TEST_F(PlanTest, RequireChannel) {
    EXPECT_TRUE(RequireChannel(p));
    EXPECT_TRUE(op.shown.empty());

    p.ctl.ListBox1.index = -1;
    EXPECT_FALSE(RequireChannel(p));
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.Last().kind, ShownMessage::Message);
    EXPECT_EQ(Text(op.Last().text), "Укажите номер канала");
    EXPECT_EQ(Text(op.Last().caption), "Ошибка");
    EXPECT_EQ(op.Last().icon, MessageIcon::Error);
}

// --- Mark cells and the event rule -------------------------------------------------------------

TEST_F(PlanTest, ScanAndMaskMarksFollowTheBoxes) {
    Receive(QStringLiteral("150"), QStringLiteral("000"));
    // Only one frequency: the flag follows the box, the cell stays empty.
    SetCheckBox1(p, true);
    EXPECT_TRUE(p.Channel(0).Has(ChannelFlag::Scan));
    EXPECT_TRUE(Cell(0, Column::Scan).isEmpty());
    SetCheckBox1(p, false);
    EXPECT_FALSE(p.Channel(0).Has(ChannelFlag::Scan));

    Transmit(QStringLiteral("150"), QStringLiteral("025"));
    SetCheckBox1(p, true);
    EXPECT_EQ(Text(Cell(0, Column::Scan)), "    +");
    SetCheckBox2(p, true);
    EXPECT_EQ(Text(Cell(0, Column::Masking)), "    +");
    EXPECT_TRUE(p.Channel(0).Has(ChannelFlag::Masking));
    SetCheckBox2(p, false);
    EXPECT_EQ(Text(Cell(0, Column::Masking)), "    -");
    EXPECT_FALSE(p.Channel(0).Has(ChannelFlag::Masking));
    SetCheckBox1(p, false);
    EXPECT_EQ(Text(Cell(0, Column::Scan)), "    -");
    EXPECT_FALSE(p.Channel(0).Has(ChannelFlag::Scan));
}

TEST_F(PlanTest, SettersRunHandlersOnlyOnAChange) {
    SetCheckBox1(p, true);
    SetCheckBox2(p, true);
    ASSERT_TRUE(p.Channel(0).Has(ChannelFlag::Scan));
    // Another channel selected without a click: the boxes keep their state, and setting them to
    // the same state again runs nothing.
    p.ctl.ListBox1.index = 4;
    SetCheckBox1(p, true);
    SetCheckBox2(p, true);
    EXPECT_FALSE(p.Channel(4).Has(ChannelFlag::Scan));
    EXPECT_FALSE(p.Channel(4).Has(ChannelFlag::Masking));

    SelectRadioButton6(p);
    ASSERT_TRUE(p.Channel(4).Has(ChannelFlag::DetectCtcss));
    p.ctl.ListBox1.index = 5;
    SelectRadioButton6(p);  // already selected
    EXPECT_FALSE(p.Channel(5).Has(ChannelFlag::DetectCtcss));
}

TEST_F(PlanTest, DetectionModeAndToneBox) {
    ListBox1Click(p, 3);
    Receive(QStringLiteral("160"), QStringLiteral("100"));
    Transmit(QStringLiteral("160"), QStringLiteral("125"));

    SelectRadioButton6(p);
    EXPECT_TRUE(p.ctl.RadioButton6);
    EXPECT_FALSE(p.ctl.RadioButton8);
    EXPECT_EQ(Text(Cell(3, Column::Ctcss)), "   +");
    EXPECT_EQ(Text(Cell(3, Column::Carrier)), "     -");
    EXPECT_TRUE(p.Channel(3).Has(ChannelFlag::DetectCtcss));
    EXPECT_FALSE(p.Channel(3).Has(ChannelFlag::DetectCarrier));
    EXPECT_TRUE(p.ctl.toneBoxes[3].enabled);
    EXPECT_FALSE(p.ctl.toneBoxes[2].enabled);

    p.ctl.toneBoxes[3].Select(7);
    ASSERT_EQ(Text(p.ctl.toneBoxes[3].text), "07 - 85,4");

    SelectRadioButton8(p);
    EXPECT_EQ(Text(Cell(3, Column::Ctcss)), "   -");
    EXPECT_EQ(Text(Cell(3, Column::Carrier)), "     +");
    EXPECT_FALSE(p.Channel(3).Has(ChannelFlag::DetectCtcss));
    EXPECT_TRUE(p.Channel(3).Has(ChannelFlag::DetectCarrier));
    EXPECT_FALSE(p.ctl.toneBoxes[3].enabled);
    EXPECT_TRUE(p.ctl.toneBoxes[3].text.isEmpty());
}

TEST_F(PlanTest, DetectionModeWithOneFrequencyLeavesToneBoxOff) {
    ListBox1Click(p, 6);
    Transmit(QStringLiteral("160"), QStringLiteral("100"));
    SelectRadioButton6(p);
    EXPECT_TRUE(p.Channel(6).Has(ChannelFlag::DetectCtcss));
    EXPECT_TRUE(Cell(6, Column::Ctcss).isEmpty());
    EXPECT_TRUE(Cell(6, Column::Carrier).isEmpty());
    EXPECT_FALSE(p.ctl.toneBoxes[6].enabled);
}

TEST_F(PlanTest, ToneBoxesFollowTheCtcssCells) {
    p.ctl.Cell(3, Column::Ctcss) = QStringLiteral("   +");
    p.ctl.Cell(4, Column::Ctcss) = QStringLiteral("    +");  // not the text the tool writes
    p.ctl.Cell(5, Column::Ctcss) = QStringLiteral("   -");
    p.ctl.toneBoxes[2].enabled = true;
    p.ctl.toneBoxes[2].Select(12);
    p.ctl.toneBoxes[3].enabled = true;
    p.ctl.toneBoxes[3].Select(40);
    p.ctl.toneBoxes[4].enabled = true;
    p.ctl.toneBoxes[4].Select(5);

    UpdateToneBoxes(p);
    EXPECT_FALSE(p.ctl.toneBoxes[0].enabled);
    EXPECT_TRUE(p.ctl.toneBoxes[2].enabled);
    EXPECT_EQ(Text(p.ctl.toneBoxes[2].text), "12 - 100,0");  // enabling keeps the text
    EXPECT_FALSE(p.ctl.toneBoxes[3].enabled);
    EXPECT_TRUE(p.ctl.toneBoxes[3].text.isEmpty());
    EXPECT_EQ(p.ctl.toneBoxes[3].index, 0);
    EXPECT_FALSE(p.ctl.toneBoxes[4].enabled);
    EXPECT_TRUE(p.ctl.toneBoxes[4].text.isEmpty());
}

// --- Showing and clearing channels ---------------------------------------------------------------

TEST_F(PlanTest, ShowEmptyChannelChangesNothing) {
    SetCheckBox1(p, true);
    const Controls before = p.ctl;
    const ChannelPlan planBefore = p.plan;
    ShowChannel(p, 9);
    ShowChannel(p, -1);
    ShowChannel(p, kChannelCount);
    EXPECT_EQ(p.plan, planBefore);
    EXPECT_EQ(p.ctl.StringGrid1, before.StringGrid1);
    EXPECT_EQ(p.ctl.CheckBox1, before.CheckBox1);
    EXPECT_EQ(p.ctl.channelMarks, before.channelMarks);
}

TEST_F(PlanTest, ShowChannelWritesRowAndControls) {
    ChannelEntry& entry = p.Channel(5);
    entry.flags = ChannelFlag::Scan | ChannelFlag::Masking | ChannelFlag::Step25;
    entry.rxCode = 320;
    entry.txCode = 323;
    ListBox1Click(p, 5);

    // The masking cell is "    +": the masking box changed, and its handler rewrote the cell
    // ShowChannel had written. Neither detection bit: carrier detection is selected.
    ExpectRow(5, {"    150000", "    150037,5", "    +", "    +", "   -", "     +", " 25"});
    ExpectMarkControls(true, true, false);
    EXPECT_TRUE(p.ctl.RadioButton2);
    EXPECT_TRUE(p.ctl.channelMarks[5]);
    EXPECT_TRUE(entry.Has(ChannelFlag::DetectCarrier));

    // A 12.5 kHz channel with CTCSS detection and one frequency.
    ChannelEntry& fine = p.Channel(8);
    fine.flags = ChannelFlag::DetectCtcss;
    fine.rxCode = NoFrequency;
    fine.txCode = 1;
    ListBox1Click(p, 8);
    ExpectRow(8, {"", "    146012,5", "    -", "     -", "   +", "     -", " 12,5"});
    ExpectMarkControls(false, false, true);
    EXPECT_TRUE(p.ctl.RadioButton1);
    EXPECT_EQ(p.ctl.ListBox3.items.size(), 80);
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(PlanTest, ShowChannelUnderGuardRunsNoHandlers) {
    ASSERT_TRUE(p.ctl.RadioButton2);
    ChannelEntry& entry = p.Channel(7);
    entry.flags = ChannelFlag::Scan | ChannelFlag::Masking | ChannelFlag::DetectCtcss;
    entry.rxCode = 100;
    entry.txCode = 101;
    const ChannelEntry shownBefore = entry;
    const ChannelEntry selectedBefore = p.Channel(0);

    p.BulkUpdateGuard = true;
    ShowChannel(p, 7);
    p.BulkUpdateGuard = false;

    EXPECT_EQ(Text(Cell(7, Column::Scan)), "    +");
    EXPECT_EQ(Text(Cell(7, Column::Masking)), "     +");
    EXPECT_EQ(Text(Cell(7, Column::Ctcss)), "   +");
    EXPECT_EQ(Text(Cell(7, Column::Step)), " 12,5");
    EXPECT_TRUE(p.ctl.CheckBox1);
    EXPECT_TRUE(p.ctl.RadioButton6);
    // The step buttons and the kHz list stay as they were.
    EXPECT_TRUE(p.ctl.RadioButton2);
    EXPECT_FALSE(p.ctl.RadioButton1);
    EXPECT_EQ(p.ctl.ListBox3.items.size(), 40);
    // The handlers did not touch the selected channel (channel 1) nor the shown one.
    EXPECT_EQ(p.Channel(0), selectedBefore);
    EXPECT_EQ(entry, shownBefore);
    ExpectRowEmpty(0);
}

TEST_F(PlanTest, ClearSelectedChannel) {
    ListBox1Click(p, 2);
    Receive(QStringLiteral("150"), QStringLiteral("000"));
    Transmit(QStringLiteral("150"), QStringLiteral("025"));
    SetCheckBox1(p, true);
    SetCheckBox2(p, true);
    SelectRadioButton6(p);
    ChannelEntry& entry = p.Channel(2);
    entry.flags |= ChannelFlag::Unused;
    entry.reserved = 0x55;
    entry.toneNumber = 7;
    ASSERT_TRUE(entry.Has(ChannelFlag::InUse));

    ClearSelectedChannel(p);
    EXPECT_EQ(RecordHex(entry), "05 00 FF FF FF FF 00 00 00 00");
    ExpectRowEmpty(2);
    EXPECT_EQ(Text(Cell(2, Column::Number)), "03");
    EXPECT_FALSE(p.ctl.channelMarks[2]);

    // Without InUse before, the flags become the 25 kHz step alone.
    entry.flags = ChannelFlag::Scan | ChannelFlag::DetectCarrier;
    ClearSelectedChannel(p);
    EXPECT_EQ(entry.flags, ChannelFlag::Step25);

    p.ctl.ListBox1.index = -1;
    p.Channel(3).rxCode = 5;
    ClearSelectedChannel(p);
    EXPECT_EQ(p.Channel(3).rxCode, 5);
}

TEST_F(PlanTest, ClearAllChannelsKeepsReservedBytes) {
    for (int c = 0; c < kChannelCount; ++c) {
        ChannelEntry& entry = p.Channel(c);
        entry.flags = static_cast<std::uint8_t>(c % 2 == 0 ? 0xFF : 0xFE);
        entry.reserved = static_cast<std::uint8_t>(0x10 + c);
        entry.rxCode = static_cast<std::uint16_t>(c * 2);
        entry.txCode = static_cast<std::uint16_t>(c * 2 + 1);
        entry.toneNumber = static_cast<std::uint16_t>(c + 1);
        p.ctl.Cell(c + 1, Column::Receive) = QStringLiteral("x");
        p.ctl.Cell(c + 1, Column::Step) = QStringLiteral("y");
        SetChannelMark(p, c, true);
    }
    ClearAllChannels(p);
    for (int c = 0; c < kChannelCount; ++c) {
        const ChannelEntry& entry = p.Channel(c);
        EXPECT_EQ(entry.flags, c % 2 == 0 ? 0x05 : 0x04) << c;
        EXPECT_EQ(entry.reserved, 0x10 + c);
        EXPECT_EQ(entry.rxCode, NoFrequency);
        EXPECT_EQ(entry.txCode, NoFrequency);
        EXPECT_EQ(entry.toneNumber, 0);
        ExpectRowEmpty(c);
        EXPECT_FALSE(p.ctl.channelMarks[c]);
    }
}

// --- Small rules
// -----------------------------------------------------------------------------------

TEST(DigitKeyFilter, DigitsBackspaceAndEnterPass) {
    for (char16_t key = u'0'; key <= u'9'; ++key) EXPECT_EQ(DigitKeyFilter(QChar(key)), QChar(key));
    EXPECT_EQ(DigitKeyFilter(QChar(8)), QChar(8));
    EXPECT_EQ(DigitKeyFilter(QChar(13)), QChar(13));
    for (char16_t key :
         {u'a', u'Z', u'Я', u',', u'-', u' ', u'/', u':', char16_t(9), char16_t(127)})
        EXPECT_EQ(DigitKeyFilter(QChar(key)), QChar(0)) << int(key);
}

TEST_F(PlanTest, RefreshInUseFlagsReadsTheReceiveCells) {
    SelectStepButton(p, false);
    ListBox1Click(p, 0);
    Receive(QStringLiteral("146"), QStringLiteral("025"));
    ListBox1Click(p, 1);
    Receive(QStringLiteral("146"), QStringLiteral("012,5"));
    ListBox1Click(p, 2);
    Transmit(QStringLiteral("146"), QStringLiteral("025"));
    ListBox1Click(p, 3);
    Receive(QStringLiteral("146"), QStringLiteral("000"));

    // Flags set the wrong way round; the cells decide.
    p.Channel(0).Set(ChannelFlag::InUse, false);
    p.Channel(1).Set(ChannelFlag::InUse, true);
    p.Channel(2).Set(ChannelFlag::InUse, true);
    p.Channel(3).Set(ChannelFlag::InUse, false);
    p.Channel(4).Set(ChannelFlag::InUse, true);
    RefreshInUseFlags(p);
    EXPECT_TRUE(p.Channel(0).Has(ChannelFlag::InUse));
    EXPECT_FALSE(p.Channel(1).Has(ChannelFlag::InUse));
    EXPECT_FALSE(p.Channel(2).Has(ChannelFlag::InUse));
    EXPECT_TRUE(p.Channel(3).Has(ChannelFlag::InUse));
    EXPECT_FALSE(p.Channel(4).Has(ChannelFlag::InUse));
}

}  // namespace
}  // namespace belvan
