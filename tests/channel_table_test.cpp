// The channel table's logic without a display: frequencies typed in MHz or kHz, and one command
// for several channels at once.
#include <gtest/gtest.h>

#include "plan/channel_editing.h"
#include "plan/several_channels.h"
#include "plan/typed_frequency.h"
#include "scripted_operator.h"

namespace belvan {
namespace {

TEST(TypedFrequency, ReadsMhzOrKhzAndRefusesWithTheReason) {
    const auto kFine = GridStep::Step12_5, kCoarse = GridStep::Step25;
    const struct {
        const char* typed;
        GridStep step;
        int code;         // -1: refused, for the reason `why`
        const char* why;  // (a part of it)
    } cases[] = {
        {"151,25", kCoarse, 420, ""},
        {" 151 250 кГц ", kCoarse, 420, ""},
        {"174987,5", kFine, 2319, ""},
        {"146.0125", kCoarse, -1,
         "Частота 146,0125 МГц не лежит на сетке шага 25 кГц; для неё "
         "выберите шаг «12,5 кГц.»."},
        {"151,2500001", kFine, -1, "Частота 151,2500001 МГц не лежит на сетке частот"},
        {"175", kFine, -1, "Частота 175,000 МГц вне диапазона радиостанции 146,000–174,9875 МГц."},
        {"151250 МГц", kFine, -1, "вне диапазона"},
        {"abc", kFine, -1, "Частота «abc» не прочитана: введите её в МГц («151,25») или в кГц"},
    };
    for (const auto& c : cases) {
        const Result<std::uint16_t> code = CodeOfTypedFrequency(QString::fromUtf8(c.typed), c.step);
        EXPECT_EQ(code ? int{*code} : -1, c.code) << c.typed;
        EXPECT_TRUE(code || code.error().text.contains(QString::fromUtf8(c.why)))
            << c.typed << ": " << code.error().text.toStdString();
    }
}

// Each command changes the chosen channels that have a frequency as the channel controls would,
// and leaves the selected channel, the controls and the channels not chosen as they were.
TEST(SeveralChannels, ACommandChangesTheChosenChannelsAndNothingElse) {
    const struct {  // the cell that shows it in the two chosen channels with frequencies
        ChannelChange change;
        int column;
        const char* cell;
        std::vector<int> changed;
    } cases[] = {
        {ChannelChange::ScanOn, Column::Scan, "+", {0, 1}},
        {ChannelChange::ScanOff, Column::Scan, "-", {}},
        {ChannelChange::MaskingOn, Column::Masking, "+", {0, 1}},
        {ChannelChange::DetectCtcss, Column::Ctcss, "+", {0, 1}},
        {ChannelChange::Step12_5, Column::Step, "12,5", {0, 1}},
        {ChannelChange::Clear, Column::Receive, "", {0, 1, 3}},
    };
    for (const auto& c : cases) {
        testing::ScriptedOperator op;
        PlanState p;
        testing::StartPlanWith(p, op);
        for (const int channel : {0, 1, 5}) {
            ListBox1Click(p, channel);
            testing::Pick(p, QStringLiteral("150"), p.ctl.ListBox3.items[channel + 1]);
            FillReceive(p);
            FillTransmit(p);
        }
        // The selected channel 4 is empty: the controls go on showing channel 6, masked.
        SetCheckBox2(p, true);
        ListBox1Click(p, 3);
        p.Channel(3).reserved = 0x5A;
        const PlanState before = p;

        EXPECT_EQ(ChangeChannels(p, {0, 1, 3}, c.change), c.changed) << c.cell;
        for (const int row : {1, 2})
            EXPECT_EQ(p.ctl.Cell(row, c.column).trimmed().toStdString(), c.cell);
        EXPECT_EQ(p.Channel(5), before.plan[5]) << c.cell;
        EXPECT_EQ(p.Channel(3).reserved, c.change == ChannelChange::Clear ? 0 : 0x5A);
        EXPECT_TRUE(p.ctl.SelectedChannel() == 3 && p.ctl.CheckBox2 && op.shown.empty());
        EXPECT_TRUE(p.ctl.RadioButton2 == before.ctl.RadioButton2 &&
                    p.ctl.ListBox3 == before.ctl.ListBox3);
    }
}

}  // namespace
}  // namespace belvan
