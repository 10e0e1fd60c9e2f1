// The radio simulator's exchanges through its real pseudo-terminal: read requests answered at the
// line rate, write frames kept or refused, and the faults that spoil, delay or drop an answer.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <algorithm>
#include <chrono>

#include "files/settings_file.h"
#include "link/radio_frame.h"
#include "radio_sim_fixture.h"

namespace belvan {
namespace {

using testing::Line;
using testing::RadioSimTest;

TEST_F(RadioSimTest, ReadRequestIsAnsweredWithOThenAFrameCarryingTheHeldImage) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const Bytes answer = ReadRequest();
    ASSERT_EQ(answer.size(), 1u + kDataFrameSize);
    EXPECT_EQ(answer[0], kAcknowledge);
    const DataFrame frame = FrameOf(answer, 1);
    EXPECT_EQ(frame[FrameOffset::start], kDataFrameStart);
    EXPECT_EQ(frame[FrameOffset::checksumA], ChecksumA(frame));
    EXPECT_EQ(frame[FrameOffset::checksumB], ChecksumB(frame));
    EXPECT_TRUE(std::all_of(frame.begin() + FrameOffset::filler,
                            frame.begin() + FrameOffset::checksumA,
                            [](std::uint8_t byte) { return byte == kFiller; }));
    EXPECT_EQ(ImageFromFrame(frame), HeldImage());
    EXPECT_TRUE(line_->ReceiveFor(200).empty()) << "nothing follows the frame";
    EXPECT_TRUE(sim_.Log().contains(QStringLiteral("RX 21 FF 00 00 20")));

    // The plan it starts with is the documented one.
    const ParameterImage image = ImageFromFrame(frame);
    const auto first = image.Record(0).ToBytes();
    EXPECT_EQ(Bytes(first.begin(), first.end()),
              (Bytes{0x0D, 0x00, 0x40, 0x01, 0x42, 0x01, 0x07, 0x00, 0x00, 0x00}));
    const auto last = image.Record(kChannelCount - 1).ToBytes();
    EXPECT_EQ(Bytes(last.begin(), last.end()),
              (Bytes{0x04, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(image.SettingsWord(SettingsOffset::waitTime), 400);
    EXPECT_EQ(image.SettingsWord(SettingsOffset::maxTransmitTime), 3600);
    EXPECT_EQ(image.SettingsWord(SettingsOffset::transmitOffTime), 600);
}

TEST_F(RadioSimTest, AnswerComesAtTheLineRateWithTheFrameAfterTheLatency) {
    ASSERT_NO_FATAL_FAILURE(Start({QStringLiteral("--latency"), QStringLiteral("300")}));
    const Line::Arrival answer = TimedReadRequest(3000, 1000);
    ASSERT_EQ(answer.bytes.size(), 1u + kDataFrameSize);
    EXPECT_EQ(answer.bytes[0], kAcknowledge);
    EXPECT_EQ(ImageFromFrame(FrameOf(answer.bytes, 1)), HeldImage());
    // 300 ms of silence after the 'O'; then 260 bytes of about 1.04 ms each, 270 ms in all.
    EXPECT_GE(answer.at[1] - answer.at[0], milliseconds(250));
    EXPECT_GE(answer.at[kDataFrameSize] - answer.at[1], milliseconds(200));
}

TEST_F(RadioSimTest, SplitFaultsPauseHalfWayThroughTheFrame) {
    for (const bool paced : {true, false}) {
        ASSERT_NO_FATAL_FAILURE(Start(paced ? QStringList() : QStringList{"--no-pacing"}));
        const DataFrame good = BuildDataFrame(HeldImage(), 0x00);
        for (const int pause : {5, 20}) {
            SCOPED_TRACE(::testing::Message() << "split" << pause << (paced ? "" : " unpaced"));
            ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("fault split%1").arg(pause)));
            // Byte 130 of the frame comes after the pause. A busy machine can make this side
            // read byte 129 late, which hides the pause: the longest of three reads counts.
            const std::size_t second = 1 + kDataFrameSize / 2;
            Clock::duration longest{};
            for (int attempt = 0; attempt < 3 && longest < milliseconds(pause - 1); ++attempt) {
                const Line::Arrival answer = TimedReadRequest(2000, 300);
                ASSERT_EQ(answer.bytes.size(), 1u + kDataFrameSize);
                EXPECT_EQ(answer.bytes[0], kAcknowledge);
                EXPECT_TRUE(std::equal(answer.bytes.begin() + 1, answer.bytes.end(), good.begin()));
                longest = std::max(longest, answer.at[second] - answer.at[second - 1]);
            }
            EXPECT_GE(longest, milliseconds(pause - 1));
        }
    }
}

TEST_F(RadioSimTest, WriteChangesTheImageOnlyWithTheSecondFrame) {
    ASSERT_NO_FATAL_FAILURE(Start({QStringLiteral("--save"), TempPath("saved.ctrch")}));
    const ParameterImage before = HeldImage();
    const ParameterImage wanted = AnotherImage(before);

    EXPECT_EQ(SendFrame(wanted, kFirstWriteFrame), Bytes{kAcknowledge});
    EXPECT_EQ(HeldImage(), before);
    EXPECT_FALSE(QFileInfo::exists(TempPath("saved.ctrch")));

    EXPECT_EQ(SendFrame(wanted, kSecondWriteFrame), Bytes{kAcknowledge});
    EXPECT_EQ(HeldImage(), wanted);
    EXPECT_TRUE(sim_.WaitForLog(QStringLiteral("WRITE kept")));

    // The kept image is what the next read brings back, and what was saved.
    const Bytes answer = ReadRequest();
    ASSERT_EQ(answer.size(), 1u + kDataFrameSize);
    EXPECT_EQ(ImageFromFrame(FrameOf(answer, 1)), wanted);
    const auto saved = ReadSettingsFile(TempPath("saved.ctrch"));
    ASSERT_TRUE(saved.has_value()) << saved.error().text.toStdString();
    EXPECT_EQ(ImageFromFileBytes(*saved), wanted);
}

TEST_F(RadioSimTest, WriteFramesThatDoNotFitAreRefusedAndChangeNothing) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const ParameterImage before = HeldImage();
    const ParameterImage wanted = AnotherImage(before);

    DataFrame corrupt = BuildDataFrame(wanted, kFirstWriteFrame);
    corrupt[FrameOffset::channels + 5] ^= 0x01;  // checksums no longer fit
    line_->Send(ToBytes(corrupt));
    EXPECT_EQ(line_->Receive(2, 1000, 200), Bytes{kRefusal});

    // A second frame alone, or one carrying another image than the first, is not kept.
    EXPECT_EQ(SendFrame(wanted, kSecondWriteFrame), Bytes{kRefusal});
    EXPECT_EQ(SendFrame(wanted, kFirstWriteFrame), Bytes{kAcknowledge});
    EXPECT_EQ(SendFrame(AnotherImage(wanted), kSecondWriteFrame), Bytes{kRefusal});
    EXPECT_EQ(HeldImage(), before);
}

TEST_F(RadioSimTest, SilentRadioAnswersNothing) {
    ASSERT_NO_FATAL_FAILURE(Start({QStringLiteral("--fault"), QStringLiteral("silent")}));
    EXPECT_TRUE(ReadRequest(500).empty());
    line_->Send(ToBytes(BuildDataFrame(AnotherImage(HeldImage()), kFirstWriteFrame)));
    EXPECT_TRUE(line_->ReceiveFor(400).empty());

    // Told to behave again, it answers.
    ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("fault none")));
    EXPECT_EQ(ReadRequest().size(), 1u + kDataFrameSize);
}

TEST_F(RadioSimTest, WriteFaultsRefuseDelayOrAlterTheWrite) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const ParameterImage before = HeldImage();
    const ParameterImage wanted = AnotherImage(before);

    ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("fault nak-first")));
    EXPECT_EQ(SendFrame(wanted, kFirstWriteFrame), Bytes{kRefusal});
    EXPECT_EQ(SendFrame(wanted, kSecondWriteFrame), Bytes{kRefusal});
    EXPECT_EQ(HeldImage(), before);

    ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("fault nak-second")));
    EXPECT_EQ(SendFrame(wanted, kFirstWriteFrame), Bytes{kAcknowledge});
    EXPECT_EQ(SendFrame(wanted, kSecondWriteFrame), Bytes{kRefusal});
    EXPECT_EQ(HeldImage(), before);

    ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("fault silent-second")));
    EXPECT_EQ(SendFrame(wanted, kFirstWriteFrame), Bytes{kAcknowledge});
    EXPECT_TRUE(SendFrame(wanted, kSecondWriteFrame).empty());
    EXPECT_EQ(HeldImage(), before);

    ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("fault other-then-ack")));
    EXPECT_EQ(SendFrame(wanted, kFirstWriteFrame), (Bytes{kRefusal, kAcknowledge}));
    EXPECT_EQ(SendFrame(wanted, kSecondWriteFrame), Bytes{kAcknowledge});
    EXPECT_EQ(HeldImage(), wanted);

    // Both frames acknowledged, yet what a read brings back differs from what was written:
    // channel 3's receive code is 2 higher.
    ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("fault changes-image")));
    const ParameterImage written = AnotherImage(wanted);
    EXPECT_EQ(SendFrame(written, kFirstWriteFrame), Bytes{kAcknowledge});
    EXPECT_EQ(SendFrame(written, kSecondWriteFrame), Bytes{kAcknowledge});
    ParameterImage changed = written;
    ChannelEntry third = changed.Record(2);
    third.rxCode = static_cast<std::uint16_t>(third.rxCode + 2);
    changed.SetRecord(2, third);
    const Bytes answer = ReadRequest();
    ASSERT_EQ(answer.size(), 1u + kDataFrameSize);
    EXPECT_EQ(ImageFromFrame(FrameOf(answer, 1)), changed);
    EXPECT_EQ(HeldImage(), changed);
}

TEST_F(RadioSimTest, DoubleAckAnswersTheFirstFrameTwiceAndRefusesTheSecond) {
    ASSERT_NO_FATAL_FAILURE(Start({QStringLiteral("--fault"), QStringLiteral("double-ack")}));
    const ParameterImage before = HeldImage();
    const ParameterImage wanted = AnotherImage(before);
    EXPECT_EQ(SendFrame(wanted, kFirstWriteFrame), (Bytes{kAcknowledge, kAcknowledge}));
    EXPECT_EQ(SendFrame(wanted, kSecondWriteFrame), Bytes{kRefusal});
    EXPECT_EQ(HeldImage(), before);
}

TEST_F(RadioSimTest, LateFrameComesAfterTheToolHasGivenUpWithAnnouncementBytesInIt) {
    ASSERT_NO_FATAL_FAILURE(Start({QStringLiteral("--fault"), QStringLiteral("late-frame")}));
    const Line::Arrival answer = TimedReadRequest(5000, 3000);
    ASSERT_EQ(answer.bytes.size(), 1u + kDataFrameSize);
    EXPECT_EQ(answer.bytes[0], kAcknowledge);
    // The tool reads a frame for at most about 2.1 s after the 'O'.
    EXPECT_GE(answer.at[1] - answer.at[0], milliseconds(2200));
    const DataFrame frame = FrameOf(answer.bytes, 1);
    EXPECT_EQ(frame[FrameOffset::checksumA], ChecksumA(frame));
    EXPECT_EQ(frame[FrameOffset::checksumB], ChecksumB(frame));
    EXPECT_EQ(ImageFromFrame(frame), HeldImage());
    EXPECT_GE(std::count(frame.begin(), frame.end(), kAnnouncementStart), kAnnouncementLength);
}

TEST_F(RadioSimTest, ReadFaultsSpoilTheFrameAsAnnounced) {
    ASSERT_NO_FATAL_FAILURE(Start({QStringLiteral("--no-pacing")}));
    const DataFrame good = BuildDataFrame(HeldImage(), 0x00);

    // Frames whose checksums do not hold: A alone (checked to come over the held data), B alone,
    // both.
    const struct {
        const char* fault;
        bool checksumAHolds;
        bool checksumBHolds;
        bool checkHeldData;
    } spoilt[] = {{"fault bad-checksum-a", false, true, true},
                  {"fault bad-checksum-b", true, false, false},
                  {"fault garbage-frame", false, false, false}};
    for (const auto& c : spoilt) {
        ASSERT_NO_FATAL_FAILURE(Command(QString::fromLatin1(c.fault)));
        const Bytes answer = ReadRequest();
        ASSERT_EQ(answer.size(), 1u + kDataFrameSize) << c.fault;
        const DataFrame frame = FrameOf(answer, 1);
        EXPECT_EQ(frame[FrameOffset::checksumA] == ChecksumA(frame), c.checksumAHolds) << c.fault;
        EXPECT_EQ(frame[FrameOffset::checksumB] == ChecksumB(frame), c.checksumBHolds) << c.fault;
        if (c.checkHeldData) {
            EXPECT_TRUE(
                std::equal(frame.begin(), frame.begin() + FrameOffset::checksumA, good.begin()));
        }
    }

    ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("fault short-frame")));
    Bytes answer = ReadRequest();
    ASSERT_EQ(answer.size(), 1u + 200u) << "the default cut is 200 bytes";
    EXPECT_EQ(answer[0], kAcknowledge);
    EXPECT_TRUE(std::equal(answer.begin() + 1, answer.end(), good.begin()));

    ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("fault zero-frame")));
    answer = ReadRequest();
    ASSERT_EQ(answer.size(), 1u + kDataFrameSize);
    EXPECT_TRUE(
        std::all_of(answer.begin() + 1, answer.end(), [](std::uint8_t b) { return b == 0; }));

    ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("fault noise 5")));
    const auto request = BuildCommandFrame(kReadRequest, 0x00);
    line_->Send(Bytes(request.begin(), request.end()));
    answer = line_->Receive(5 + 1 + kDataFrameSize, 2000);
    ASSERT_EQ(answer.size(), 5u + 1u + kDataFrameSize);
    EXPECT_EQ(std::find(answer.begin(), answer.end(), kAcknowledge) - answer.begin(), 5);
    EXPECT_TRUE(std::equal(answer.begin() + 6, answer.end(), good.begin()));
}

TEST_F(RadioSimTest, LateRadioAcknowledgesAfterTheSetDelay) {
    ASSERT_NO_FATAL_FAILURE(
        Start({QStringLiteral("--fault=late"), QStringLiteral("--late-ms=600")}));
    const auto started = Clock::now();
    const Bytes answer = ReadRequest(3000);
    const auto took = Clock::now() - started;
    ASSERT_EQ(answer.size(), 1u + kDataFrameSize);
    EXPECT_EQ(answer[0], kAcknowledge);
    EXPECT_GE(took, std::chrono::milliseconds(550));
}

TEST_F(RadioSimTest, HangupClosesTheLineHalfWayThroughTheFrameAndEndsWithCode3) {
    ASSERT_NO_FATAL_FAILURE(Start({QStringLiteral("--fault"), QStringLiteral("hangup")}));
    const Bytes got = ReadRequest();
    EXPECT_EQ(got.size(), 1u + kDataFrameSize / 2);
    line_->ReceiveFor(500);
    EXPECT_TRUE(line_->HungUp());
    EXPECT_EQ(sim_.WaitForExit(), 3);
}

TEST_F(RadioSimTest, HangupOnWriteClosesTheLineAfterTheFirstFrame) {
    ASSERT_NO_FATAL_FAILURE(Start({QStringLiteral("--fault"), QStringLiteral("hangup")}));
    EXPECT_TRUE(SendFrame(AnotherImage(HeldImage()), kFirstWriteFrame).empty());
    EXPECT_TRUE(line_->HungUp());
    EXPECT_EQ(sim_.WaitForExit(), 3);
}

TEST_F(RadioSimTest, StrayBytesAndBrokenFramesAreDroppedAndTheLineRecovers) {
    ASSERT_NO_FATAL_FAILURE(Start());
    line_->Send({0x3F, 0x00});
    EXPECT_TRUE(sim_.WaitForLog(QStringLiteral("DROP 3F 00")));

    // Part of a frame, then silence: given up after about a second, nothing answered.
    const Bytes frame = ToBytes(BuildDataFrame(HeldImage(), kFirstWriteFrame));
    line_->Send(Bytes(frame.begin(), frame.begin() + 100));
    EXPECT_TRUE(sim_.WaitForLog(QStringLiteral("incomplete frame"), 3000));
    EXPECT_TRUE(line_->ReceiveFor(100).empty());

    EXPECT_EQ(ReadRequest().size(), 1u + kDataFrameSize);
}

}  // namespace
}  // namespace belvan
