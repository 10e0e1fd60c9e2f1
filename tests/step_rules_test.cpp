// The step rules: switching a channel between the 12.5 and the 25 kHz grid, and the question
// asked when its frequencies do not lie on the coarser one.
#include <gtest/gtest.h>

#include "plan/channel_editing.h"
#include "plan/step_rules.h"
#include "plan_fixture.h"
#include "scripted_operator.h"

namespace belvan {
namespace {

using testing::PlanTest;
using testing::ShownMessage;
using testing::Text;

// --- Step rules
// ------------------------------------------------------------------------------------

const char* const kRoundingQuestion =
    "Внимание!!! В поле таблицы содержатся данные с более мелким шагом. \n"
    "Хотите округлить значение частот?\n"
    "'Да' - Чтобы округлить в большую сторону при пересчете.\n"
    "'Нет' - Чтобы удалить значение.\n"
    "'Отмена' - Чтобы отменить действие.";

class StepTest : public PlanTest {
  protected:
    // Channel 1 on the 12.5 kHz grid with both frequencies.
    void FineChannel(const QString& rxMhz, const QString& rxKhz, const QString& txMhz,
                     const QString& txKhz) {
        SelectStepButton(p, false);
        Receive(rxMhz, rxKhz);
        Transmit(txMhz, txKhz);
        ASSERT_TRUE(op.shown.empty());
        ASSERT_FALSE(p.Channel(0).Has(ChannelFlag::Step25));
        ASSERT_EQ(Text(Cell(0, Column::Step)), " 12,5");
    }
    // The 25 kHz step chosen, and the rounding question it asks answered.
    void ChooseCoarseStepAnswering(Answer answer) {
        op.answers = {answer};
        SelectStepButton(p, true);
        ExpectRoundingQuestion();
    }
    void ExpectRoundingQuestion() {
        ASSERT_EQ(op.shown.size(), 1u);
        EXPECT_EQ(op.Last().kind, ShownMessage::YesNoCancel);
        EXPECT_EQ(Text(op.Last().text), kRoundingQuestion);
        EXPECT_EQ(Text(op.Last().caption), "   Изменяемая частота была задана с шагом 12,5 МГц.");
        EXPECT_EQ(op.Last().icon, MessageIcon::Question);
    }
};

TEST_F(StepTest, YesRoundsHalfKhzUp) {
    FineChannel(QStringLiteral("146"), QStringLiteral("012,5"), QStringLiteral("146"),
                QStringLiteral("025"));
    ChooseCoarseStepAnswering(Answer::Yes);
    ExpectCodes(2, 2);
    EXPECT_EQ(Text(Cell(0, Column::Receive)), "    146025");
    EXPECT_EQ(Text(Cell(0, Column::Transmit)), "    146025");
    EXPECT_EQ(Text(Cell(0, Column::Step)), " 25");
    EXPECT_TRUE(p.Channel(0).Has(ChannelFlag::Step25));
    EXPECT_TRUE(p.ctl.RadioButton2);
    EXPECT_EQ(p.ctl.ListBox3.items.size(), 40);
    EXPECT_EQ(p.ctl.ListBox3.index, 0);
}

TEST_F(StepTest, YesRoundsTopOfBandDownAndTransmitAlone) {
    // Only the transmit frequency is on the half kHz: the question still comes.
    FineChannel(QStringLiteral("174"), QStringLiteral("950"), QStringLiteral("174"),
                QStringLiteral("987,5"));
    ChooseCoarseStepAnswering(Answer::Yes);
    ExpectCodes(2316, 2318);  // 174987,5 has no 25 kHz point above it in the band
    EXPECT_EQ(Text(Cell(0, Column::Receive)), "    174950");
    EXPECT_EQ(Text(Cell(0, Column::Transmit)), "    174975");
}

TEST_F(StepTest, NoRemovesTheFrequencies) {
    FineChannel(QStringLiteral("150"), QStringLiteral("037,5"), QStringLiteral("150"),
                QStringLiteral("050"));
    ChooseCoarseStepAnswering(Answer::No);
    ExpectCodes(NoFrequency, NoFrequency);
    ExpectRowEmpty(0);
    EXPECT_EQ(Text(Cell(0, Column::Number)), "01");
    EXPECT_TRUE(p.Channel(0).Has(ChannelFlag::Step25));
}

TEST_F(StepTest, CancelKeepsTheFineStep) {
    FineChannel(QStringLiteral("146"), QStringLiteral("012,5"), QStringLiteral("146"),
                QStringLiteral("025"));
    ChooseCoarseStepAnswering(Answer::Cancel);
    EXPECT_TRUE(p.ctl.RadioButton1);
    EXPECT_FALSE(p.ctl.RadioButton2);
    EXPECT_EQ(p.ctl.ListBox3.items.size(), 80);
    ExpectCodes(1, 2);
    EXPECT_FALSE(p.Channel(0).Has(ChannelFlag::Step25));
    EXPECT_EQ(Text(Cell(0, Column::Receive)), "    146012,5");
    EXPECT_EQ(Text(Cell(0, Column::Step)), " 12,5");
}

TEST_F(StepTest, ChangesThatAskNothing) {
    // Whole 25 kHz points: to 12.5 and back again, the codes stay.
    Receive(QStringLiteral("150"), QStringLiteral("025"));
    Transmit(QStringLiteral("150"), QStringLiteral("000"));
    SelectStepButton(p, false);
    EXPECT_EQ(p.ctl.ListBox3.items.size(), 80);
    EXPECT_FALSE(p.Channel(0).Has(ChannelFlag::Step25));
    EXPECT_EQ(Text(Cell(0, Column::Step)), " 12,5");
    SelectStepButton(p, true);
    EXPECT_TRUE(p.Channel(0).Has(ChannelFlag::Step25));
    EXPECT_EQ(Text(Cell(0, Column::Step)), " 25");
    ExpectCodes(322, 320);

    // A half kHz on a channel with one frequency only.
    ListBox1Click(p, 1);
    SelectStepButton(p, false);
    Receive(QStringLiteral("146"), QStringLiteral("012,5"));
    SelectStepButton(p, true);
    EXPECT_EQ(p.Channel(1).rxCode, 1);
    EXPECT_TRUE(p.Channel(1).Has(ChannelFlag::Step25));
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(StepTest, FineStepNeverChangesACode) {
    SelectStepButton(p, false);
    Receive(QStringLiteral("146"), QStringLiteral("012,5"));
    Transmit(QStringLiteral("174"), QStringLiteral("987,5"));
    p.ctl.ListBox3.index = 7;
    SelectStepButton(p, false);  // already selected: nothing happens
    EXPECT_EQ(p.ctl.ListBox3.index, 7);
    EXPECT_EQ(p.ctl.ListBox3.items.size(), 80);
    ExpectCodes(1, 2319);
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(StepTest, SelectedStepClickedAgainKeepsKhzSelection) {
    p.ctl.ListBox3.index = 5;
    SelectStepButton(p, true);
    EXPECT_EQ(p.ctl.ListBox3.index, 5);
    EXPECT_EQ(p.ctl.ListBox3.items.size(), 40);
}

}  // namespace
}  // namespace belvan
