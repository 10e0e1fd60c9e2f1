// The channel plan of a started program, as the plan's tests edit it.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "plan/channel_editing.h"
#include "scripted_operator.h"

namespace belvan::testing {

// The record's ten bytes as "04 00 FF FF ...".
inline std::string RecordHex(const ChannelEntry& entry) {
    std::string out;
    for (std::uint8_t byte : entry.ToBytes()) {
        char part[4];
        std::snprintf(part, sizeof part, "%02X ", byte);
        out += part;
    }
    out.pop_back();
    return out;
}

class PlanTest : public ::testing::Test {
  protected:
    void SetUp() override { StartPlanWith(p, op); }

    void Receive(const QString& mhz, const QString& khz) {
        Pick(p, mhz, khz);
        FillReceive(p);
    }
    void Transmit(const QString& mhz, const QString& khz) {
        Pick(p, mhz, khz);
        FillTransmit(p);
    }
    const QString& Cell(int channel, int column) const { return p.ctl.Cell(channel + 1, column); }
    // The codes of channel 1.
    void ExpectCodes(std::uint16_t rx, std::uint16_t tx) {
        EXPECT_EQ(p.Channel(0).rxCode, rx);
        EXPECT_EQ(p.Channel(0).txCode, tx);
    }
    // The channel's row from the receive to the step column, cell by cell.
    void ExpectRow(int channel, const std::array<const char*, Column::Step>& cells) const {
        for (int column = Column::Receive; column <= Column::Step; ++column)
            EXPECT_EQ(Text(Cell(channel, column)), cells[column - Column::Receive])
                << "channel " << channel + 1 << " column " << column;
    }
    // The scan and masking boxes and the detection buttons (CTCSS or carrier) as given.
    void ExpectMarkControls(bool scan, bool masking, bool ctcss) const {
        EXPECT_EQ(p.ctl.CheckBox1, scan);
        EXPECT_EQ(p.ctl.CheckBox2, masking);
        EXPECT_EQ(p.ctl.RadioButton6, ctcss);
        EXPECT_EQ(p.ctl.RadioButton8, !ctcss);
    }
    void ExpectRowEmpty(int channel) const {
        for (int column = Column::Receive; column <= Column::Step; ++column)
            EXPECT_TRUE(Cell(channel, column).isEmpty())
                << "channel " << channel + 1 << " column " << column << ": "
                << Text(Cell(channel, column));
    }

    PlanState p;
    ScriptedOperator op;
};

}  // namespace belvan::testing
