// The channel table's logic without a display: frequencies typed in MHz or kHz, and the edits of
// several channels at once (step, scan, masking, detection, clear, tone, moving a channel).
#include <gtest/gtest.h>

#include "all_functions.h"
#include "plan/several_channels.h"
#include "plan/typed_frequency.h"
#include "scripted_operator.h"

namespace belvan {
namespace {

using testing::Pick;
using testing::ScriptedOperator;
using testing::StartProgram;
using testing::Text;

TEST(TypedFrequency, ReadsMhzOrKhzAndRefusesWithTheReason) {
    const auto kFine = GridStep::Step12_5, kCoarse = GridStep::Step25;
    struct Case {
        const char* typed;
        GridStep step;
        int code;             // -1: refused
        const char* refusal;  // a part of the reason
    };
    const Case cases[] = {
        {"151,25", kCoarse, 420, ""},
        {"151.250", kCoarse, 420, ""},
        {"151250", kCoarse, 420, ""},
        {" 151 250 кГц ", kCoarse, 420, ""},
        {"151,25 МГц", kCoarse, 420, ""},
        {"151.25MHz", kCoarse, 420, ""},
        {"151,2500000", kCoarse, 420, ""},
        {"146", kCoarse, 0, ""},
        {"174,975", kCoarse, 2318, ""},
        {"174987,5", kFine, 2319, ""},
        {"146.0125", kFine, 1, ""},
        {"146.0125", kCoarse, -1, "не лежит на сетке шага 25 кГц"},
        {"174,9875", kCoarse, -1, "для неё выберите шаг «12,5 кГц.»"},
        {"151,253", kFine, -1, "Частота 151,253 МГц не лежит на сетке частот"},
        {"151,2500001", kFine, -1, "не лежит на сетке частот"},
        {"175", kFine, -1, "Частота 175,000 МГц вне диапазона радиостанции 146,000–174,9875 МГц"},
        {"145999", kFine, -1, "вне диапазона"},
        {"151250 МГц", kFine, -1, "вне диапазона"},
        {"151 кгц", kFine, -1, "вне диапазона"},
        {"abc", kFine, -1, "Частота «abc» не прочитана: введите её в МГц («151,25»)"},
        {"", kFine, -1, "не прочитана"},
        {"-151", kFine, -1, "не прочитана"},
        {"151,2,5", kFine, -1, "не прочитана"},
        {"１５１", kFine, -1, "не прочитана"},  // digits of another script
    };
    for (const Case& c : cases) {
        const Result<std::uint16_t> code = CodeOfTypedFrequency(QString::fromUtf8(c.typed), c.step);
        if (c.code >= 0) {
            ASSERT_TRUE(code) << c.typed << ": " << Text(code.error().text);
            EXPECT_EQ(*code, c.code) << c.typed;
        } else {
            ASSERT_FALSE(code) << c.typed;
            EXPECT_EQ(code.error().kind, ErrorKind::Value) << c.typed;
            EXPECT_TRUE(code.error().text.contains(QString::fromUtf8(c.refusal)))
                << c.typed << ": " << Text(code.error().text);
        }
    }
}

class ChannelTableTest : public ::testing::Test {
  protected:
    void SetUp() override { StartProgram(p, op); }

    // Channel c (0-based) with both frequencies from the lists.
    void Fill(int c, const QString& mhz, const QString& khz) {
        ListBox1Click(p, c);
        Pick(p, mhz, khz);
        FillReceive(p);
        FillTransmit(p);
    }
    const QString& Cell(int c, int column) const { return p.ctl.Cell(c + 1, column); }

    ProgramState p;
    ScriptedOperator op;
};

// A typed frequency is the same choice in the lists and the same fill, with its questions.
TEST_F(ChannelTableTest, ATypedFrequencyFillsAsTheListsAndTheirButtonsDo) {
    struct Case {
        bool fineStep;
        int column;
        const char* typed;
        const char* cell;  // the cell afterwards
        const char* mhz;   // the lists afterwards
        const char* khz;
        const char* error;  // the error shown, if any
    };
    const Case cases[] = {
        {false, Column::Receive, "151,25", "    151250", "151", "250", ""},
        {false, Column::Transmit, "160500", "    160500", "160", "500", ""},
        {true, Column::Receive, "146.0125", "    146012,5", "146", "012,5", ""},
        {false, Column::Receive, "146.0125", "", "146", "000",
         "Частота 146,0125 МГц не лежит на сетке шага 25 кГц; для неё выберите шаг «12,5 кГц.»."},
        {false, Column::Transmit, "180", "", "146", "000",
         "Частота 180,000 МГц вне диапазона радиостанции 146,000–174,9875 МГц."},
    };
    for (const Case& c : cases) {
        ProgramState fresh;
        StartProgram(fresh, op);
        op.Clear();
        if (c.fineStep) SelectStepButton(fresh, false);
        const bool filled = FillTypedFrequency(fresh, c.column, QString::fromUtf8(c.typed));
        EXPECT_EQ(filled, *c.error == 0) << c.typed;
        EXPECT_EQ(Text(fresh.ctl.Cell(1, c.column)), c.cell) << c.typed;
        EXPECT_EQ(Text(fresh.ctl.ListBox2.Selected()), c.mhz) << c.typed;
        EXPECT_EQ(Text(fresh.ctl.ListBox3.Selected()), c.khz) << c.typed;
        if (*c.error) {
            ASSERT_EQ(op.shown.size(), 1u) << c.typed;
            EXPECT_EQ(Text(op.Last().text), c.error);
            EXPECT_EQ(op.Last().caption, kErrorCaption);
            EXPECT_TRUE(fresh.Channel(0).IsEmpty());
        } else {
            EXPECT_TRUE(op.shown.empty()) << c.typed;
        }
    }

    // The second frequency of a channel whose first one is off the 25 kHz grid asks to round.
    SelectStepButton(p, false);
    ASSERT_TRUE(FillTypedFrequency(p, Column::Receive, QStringLiteral("146012,5")));
    SelectStepButton(p, true);
    op.answers = {Answer::Yes};
    ASSERT_TRUE(FillTypedFrequency(p, Column::Transmit, QStringLiteral("146,025")));
    EXPECT_EQ(op.Last().kind, testing::ShownMessage::YesNoCancel);
    EXPECT_EQ(p.Channel(0).rxCode, 2);
    EXPECT_EQ(p.Channel(0).txCode, 2);
}

// Each command changes the chosen channels that have a frequency, as the channel controls would,
// and leaves the selected channel, the channel controls and every other channel as they were.
TEST_F(ChannelTableTest, ACommandChangesEveryChosenChannelAndLeavesTheRestAsTheyWere) {
    struct Case {
        ChannelChange change;
        int column;        // the cell that shows it
        const char* cell;  // its text without blanks
        std::uint8_t set;  // flags set and clear in the chosen channels
        std::uint8_t clear;
        bool changes;  // the two filled channels change
    };
    const Case cases[] = {
        {ChannelChange::ScanOn, Column::Scan, "+", ChannelFlag::Scan, 0, true},
        {ChannelChange::ScanOff, Column::Scan, "-", 0, ChannelFlag::Scan, false},
        {ChannelChange::MaskingOn, Column::Masking, "+", ChannelFlag::Masking, 0, true},
        {ChannelChange::MaskingOff, Column::Masking, "-", 0, ChannelFlag::Masking, false},
        {ChannelChange::DetectCtcss, Column::Ctcss, "+", ChannelFlag::DetectCtcss,
         ChannelFlag::DetectCarrier, true},
        {ChannelChange::DetectCarrier, Column::Carrier, "+", ChannelFlag::DetectCarrier,
         ChannelFlag::DetectCtcss, false},
        {ChannelChange::Step12_5, Column::Step, "12,5", 0, ChannelFlag::Step25, true},
        {ChannelChange::Step25, Column::Step, "25", ChannelFlag::Step25, 0, false},
        {ChannelChange::Clear, Column::Receive, "", ChannelFlag::Step25, ChannelFlag::Scan, true},
    };
    for (const Case& c : cases) {
        const int row = static_cast<int>(&c - cases);
        ProgramState q;
        StartProgram(q, op);
        auto fill = [&q](int channel, const char* khz) {
            ListBox1Click(q, channel);
            Pick(q, QStringLiteral("150"), QString::fromLatin1(khz));
            FillReceive(q);
            FillTransmit(q);
        };
        fill(0, "025");
        fill(1, "050");
        fill(5, "075");
        // The selected channel 4 is empty: the controls show channel 6, masked.
        SetCheckBox2(q, true);
        ListBox1Click(q, 3);
        q.Channel(3).reserved = 0x5A;
        const Controls controlsBefore = q.ctl;
        const ChannelPlan planBefore = q.plan;

        const std::vector<int> changed = ChangeChannels(q, {0, 1, 3}, c.change);

        const std::vector<int> expected = c.change == ChannelChange::Clear
                                              ? std::vector<int>{0, 1, 3}
                                          : c.changes ? std::vector<int>{0, 1}
                                                      : std::vector<int>{};
        EXPECT_EQ(changed, expected) << row;
        for (int channel : {0, 1}) {
            EXPECT_EQ(Text(q.ctl.Cell(channel + 1, c.column).trimmed()), c.cell)
                << row << ", channel " << channel + 1;
            EXPECT_EQ(q.Channel(channel).flags & (c.set | c.clear), c.set)
                << row << ", channel " << channel + 1;
        }
        EXPECT_EQ(q.plan[5], planBefore[5]) << row << ": channel 6 was not chosen";
        EXPECT_EQ(q.Channel(3).reserved, c.change == ChannelChange::Clear ? 0 : 0x5A) << row;
        EXPECT_EQ(q.ctl.SelectedChannel(), 3) << row;
        EXPECT_EQ(q.ctl.CheckBox1, controlsBefore.CheckBox1) << row;
        EXPECT_TRUE(q.ctl.CheckBox2) << row;
        EXPECT_EQ(q.ctl.RadioButton2, controlsBefore.RadioButton2) << row;
        EXPECT_EQ(q.ctl.ListBox3, controlsBefore.ListBox3) << row;
        EXPECT_TRUE(op.shown.empty()) << row;
    }
}

TEST_F(ChannelTableTest, TonesGoToTheChannelsDetectedByCtcssAndMoveWithTheirChannel) {
    Fill(0, QStringLiteral("150"), QStringLiteral("025"));
    Fill(1, QStringLiteral("150"), QStringLiteral("050"));
    ListBox1Click(p, 0);
    SelectRadioButton6(p);  // channel 1 by CTCSS, channel 2 by carrier

    EXPECT_EQ(SetChannelTones(p, {0, 1}, 12), std::vector<int>{0});
    EXPECT_EQ(Text(p.ctl.toneBoxes[0].text), "12 - 100,0");
    EXPECT_EQ(p.ctl.toneBoxes[0].index, 12);
    EXPECT_TRUE(p.ctl.toneBoxes[1].text.isEmpty());
    EXPECT_EQ(SetChannelTones(p, {0}, 12), std::vector<int>{});

    // Channel 1 goes down: its record, row, mark and tone; the selection follows it.
    const ChannelEntry first = p.Channel(0), second = p.Channel(1);
    ASSERT_TRUE(MoveChannel(p, 0, +1));
    EXPECT_EQ(p.Channel(1), first);
    EXPECT_EQ(p.Channel(0), second);
    EXPECT_EQ(Text(Cell(1, Column::Receive)), "    150025");
    EXPECT_EQ(Text(Cell(0, Column::Receive)), "    150050");
    EXPECT_EQ(Text(Cell(1, Column::Ctcss)), "   +");
    EXPECT_EQ(Text(Cell(1, Column::Number)), "02");
    EXPECT_EQ(Text(p.ctl.toneBoxes[1].text), "12 - 100,0");
    EXPECT_TRUE(p.ctl.toneBoxes[1].enabled);
    EXPECT_FALSE(p.ctl.toneBoxes[0].enabled);
    EXPECT_EQ(p.ctl.SelectedChannel(), 1);

    // Nothing above the first channel nor below the last.
    const ChannelPlan plan = p.plan;
    EXPECT_FALSE(MoveChannel(p, 0, -1));
    EXPECT_FALSE(MoveChannel(p, 15, +1));
    EXPECT_FALSE(MoveChannel(p, -1, +1));
    EXPECT_EQ(p.plan, plan);
}

}  // namespace
}  // namespace belvan
