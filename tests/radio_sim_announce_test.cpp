// The radio simulator's announcements through its real pseudo-terminal: on demand, on open, over
// and over, a radio swapped in, line noise and chatter; never into an exchange.
#include <termios.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

#include "files/settings_file.h"
#include "link/radio_frame.h"
#include "radio_sim_fixture.h"

namespace belvan {
namespace {

using testing::RadioSimTest;

TEST_F(RadioSimTest, LineNoiseIsRandomBytesAndNothingElse) {
    // Even with announcements on, nothing but noise comes.
    ASSERT_NO_FATAL_FAILURE(Start({QStringLiteral("--fault"), QStringLiteral("line-noise")}, true));
    const ParameterImage before = HeldImage();
    const Bytes noise = line_->ReceiveFor(2000);
    EXPECT_GE(noise.size(), 30u) << "about 50 bytes a second";
    EXPECT_LE(noise.size(), 300u);
    EXPECT_GT(std::count(noise.begin(), noise.end(), kAnnouncementStart), 0);
    EXPECT_GT(
        std::count_if(noise.begin(), noise.end(),
                      [](std::uint8_t b) { return b != kAnnouncementStart && b != kAcknowledge; }),
        0);

    // No radio answers a read request or takes a write.
    const auto request = BuildCommandFrame(kReadRequest, 0x00);
    line_->Send(Bytes(request.begin(), request.end()));
    EXPECT_TRUE(sim_.WaitForLog(QStringLiteral("QUIET read request (line-noise)")));
    const ParameterImage wanted = AnotherImage(before);
    line_->Send(ToBytes(BuildDataFrame(wanted, kFirstWriteFrame)));
    line_->Send(ToBytes(BuildDataFrame(wanted, kSecondWriteFrame)));
    EXPECT_TRUE(sim_.WaitForLog(QStringLiteral("QUIET write frame (line-noise)")));
    EXPECT_EQ(HeldImage(), before);
    EXPECT_FALSE(sim_.Log().contains(QStringLiteral("ANNOUNCE")));
}

TEST_F(RadioSimTest, AnnounceRepeatAnnouncesEveryTenthOfASecondButNotIntoAnExchange) {
    ASSERT_NO_FATAL_FAILURE(Start({QStringLiteral("--fault"), QStringLiteral("announce-repeat")}));
    const Bytes heard = line_->ReceiveFor(1000);
    ASSERT_GE(heard.size(), 5u * kAnnouncementLength) << "about ten a second";
    // The line may have been opened half-way through one; from the first start byte on, one
    // announcement after the other.
    const auto first = std::find(heard.begin(), heard.end(), kAnnouncementStart) - heard.begin();
    std::size_t count = 0;
    for (auto at = static_cast<std::size_t>(first); at + kAnnouncementLength <= heard.size();
         at += kAnnouncementLength, ++count)
        EXPECT_EQ(heard[at], kAnnouncementStart) << "announcement at byte " << at;
    EXPECT_GE(count, 5u);

    // A read request gets its answer after any announcement already on its way, then quiet.
    const auto request = BuildCommandFrame(kReadRequest, 0x00);
    line_->Send(Bytes(request.begin(), request.end()));
    const Bytes answer = line_->Receive(1 + kDataFrameSize + kAnnouncementLength, 3000, 100);
    ASSERT_GE(answer.size(), 1u + kDataFrameSize);
    ASSERT_LT(answer.size(), 1u + kDataFrameSize + kAnnouncementLength);
    const std::size_t ack = answer.size() - 1 - kDataFrameSize;
    EXPECT_EQ(answer[ack], kAcknowledge);
    EXPECT_EQ(ImageFromFrame(FrameOf(answer, ack + 1)), HeldImage());
    // Left alone again, it goes on announcing, whole announcements one after the other.
    const Bytes after = line_->Receive(3 * kAnnouncementLength, 3000, 1000);
    ASSERT_EQ(after.size(), 3u * kAnnouncementLength);
    for (std::size_t at = 0; at < after.size(); at += kAnnouncementLength)
        EXPECT_EQ(after[at], kAnnouncementStart) << "announcement at byte " << at;
}

TEST_F(RadioSimTest, ChatterIsAStrayByteEverySecondButNeverInAnExchange) {
    ASSERT_NO_FATAL_FAILURE(Start({QStringLiteral("--fault"), QStringLiteral("chatter")}));
    const Bytes heard = line_->ReceiveFor(2600);
    EXPECT_TRUE(heard.size() == 2 || heard.size() == 3) << heard.size() << " bytes";
    EXPECT_EQ(std::count(heard.begin(), heard.end(), 0x55), std::ptrdiff_t(heard.size()));

    // A read request gets its answer clean, no stray byte before or inside it.
    const Bytes answer = ReadRequest();
    ASSERT_EQ(answer.size(), 1u + kDataFrameSize);
    EXPECT_EQ(answer[0], kAcknowledge);
    EXPECT_EQ(ImageFromFrame(FrameOf(answer, 1)), HeldImage());
}

TEST_F(RadioSimTest, AnnouncesOnDemandWithTwentyThreeBytesStartingWith0x10) {
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_TRUE(line_->ReceiveFor(400).empty()) << "--no-announce keeps it quiet on open";

    ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("announce")));
    const Bytes got = line_->Receive(kAnnouncementLength + 1, 1000);
    ASSERT_EQ(got.size(), static_cast<std::size_t>(kAnnouncementLength));
    EXPECT_EQ(got[0], kAnnouncementStart);
    EXPECT_EQ(std::count(got.begin(), got.end(), kAcknowledge), 0);

    ASSERT_EQ(::kill(static_cast<pid_t>(sim_.ProcessId()), SIGUSR1), 0);
    const Bytes again = line_->Receive(kAnnouncementLength + 1, 1000);
    EXPECT_EQ(again, got);

    // After a completed write, as when the next radio is plugged in, on the same open line.
    const ParameterImage wanted = AnotherImage(HeldImage());
    EXPECT_EQ(SendFrame(wanted, kFirstWriteFrame), Bytes{kAcknowledge});
    EXPECT_EQ(SendFrame(wanted, kSecondWriteFrame), Bytes{kAcknowledge});
    ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("announce")));
    EXPECT_EQ(line_->Receive(kAnnouncementLength + 1, 1000), got);

    // The false announcement is as long but holds no 0x10 anywhere for a watch to take.
    ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("fault false-announce")));
    ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("announce")));
    const Bytes notOne = line_->Receive(kAnnouncementLength + 1, 1000);
    EXPECT_EQ(notOne.size(), static_cast<std::size_t>(kAnnouncementLength));
    EXPECT_EQ(std::count(notOne.begin(), notOne.end(), kAnnouncementStart), 0);
}

TEST_F(RadioSimTest, AnnouncesWhenAClientOpensTheLineButNeverIntoAnExchange) {
    // Opening purges the start-up announcement; sent in one piece, none of it can come after.
    ASSERT_NO_FATAL_FAILURE(Start({QStringLiteral("--no-pacing")}, true));
    const Bytes got = line_->Receive(kAnnouncementLength + 1, 1500);
    ASSERT_EQ(got.size(), static_cast<std::size_t>(kAnnouncementLength));
    EXPECT_EQ(got[0], kAnnouncementStart);

    // A client that talks at once after setting the speed gets its answer and nothing else,
    // not even once the exchange is over.
    line_->SetSpeed(B38400);
    EXPECT_TRUE(sim_.WaitForLog(QStringLiteral("LINE 38400 baud")));
    line_->SetSpeed(B9600);
    const Bytes answer = ReadRequest();
    ASSERT_EQ(answer.size(), 1u + kDataFrameSize);
    EXPECT_EQ(answer[0], kAcknowledge);
    EXPECT_TRUE(line_->ReceiveFor(2500).empty());
}

TEST_F(RadioSimTest, SwapPutsAnotherRadioOnTheLineThatAnnouncesAtOnce) {
    ASSERT_NO_FATAL_FAILURE(Start({QStringLiteral("--fault"), QStringLiteral("late-frame")}));
    const ParameterImage other = AnotherImage(HeldImage());
    ASSERT_TRUE(WriteSettingsFile(TempPath("other.ctrch"), BuildFileBytes(other)).has_value());
    // A read whose frame is still to come when the radio is unplugged.
    const auto request = BuildCommandFrame(kReadRequest, 0x00);
    line_->Send(Bytes(request.begin(), request.end()));
    ASSERT_EQ(line_->Receive(1, 1000, 100), Bytes{kAcknowledge});

    ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("swap ") + TempPath("other.ctrch")));
    const Bytes got = line_->Receive(kAnnouncementLength + 1, 1000);
    ASSERT_EQ(got.size(), std::size_t(kAnnouncementLength));
    EXPECT_EQ(got[0], kAnnouncementStart);
    EXPECT_EQ(HeldImage(), other);
    EXPECT_TRUE(line_->ReceiveFor(3000).empty()) << "the frame of the radio before never comes";
}

}  // namespace
}  // namespace belvan
