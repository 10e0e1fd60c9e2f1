// The exchanges, the read rule and the watch over an in-memory line: every row of the failure
// table, split replies and lost lines, on the line's own clock, so nothing sleeps.
#include <gtest/gtest.h>

#include "link/connection_watch.h"
#include "link/radio_exchange.h"
#include "link/serial_line.h"
#include "memory_line.h"
#include "memory_radio.h"

namespace belvan {
namespace {

QByteArray Bytes(const DataFrame& frame) {
    return QByteArray(reinterpret_cast<const char*>(frame.data()), kDataFrameSize);
}

class ExchangeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        radio.held = DistinctBytesImage();
        radio.Attach(line);
        ASSERT_TRUE(line.Open());
    }
    MemoryLine line;
    MemoryRadio radio;
};

TEST_F(ExchangeTest, ReadSendsTheRequestAndEndsAsSoonAsTheFrameIsIn) {
    std::vector<LinkProgress> seen;
    const ReadResult read =
        ReadParameters(line, 0, [&](const LinkProgress& at) { seen.push_back(at); });
    ASSERT_EQ(read.outcome, ExchangeOutcome::Read);
    EXPECT_EQ(read.image, radio.held);
    EXPECT_EQ(read.replyByte, kAcknowledge);
    ASSERT_EQ(line.Writes().size(), 1u);
    EXPECT_EQ(line.Writes()[0], QByteArray::fromHex("21FF000020"));
    // 'O' and 260 bytes at 9600 baud: about 274 ms, not the 1700 ms pause.
    EXPECT_GE(line.NowMs(), 270);
    EXPECT_LE(line.NowMs(), 290);
    // The progress follows the bytes as they come, up to the end.
    ASSERT_GT(seen.size(), 20u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end(),
                               [](const auto& a, const auto& b) { return a.done < b.done; }));
    EXPECT_EQ(seen.back().done, 100);

    // A radio that takes its time is waited for up to 1700 ms after its 'O' and read the same.
    radio.latencyMs = 1400;
    const qint64 start = line.NowMs();
    EXPECT_EQ(ReadParameters(line, 0).outcome, ExchangeOutcome::Read);
    EXPECT_GE(line.NowMs() - start, 1400 + 270);
}

TEST_F(ExchangeTest, ReadRuleGapsUpToTenMillisecondsAreOneReply) {
    radio.splitAt = 130;
    radio.splitMs = 5;
    EXPECT_EQ(ReadParameters(line, 0).outcome, ExchangeOutcome::Read);

    // Within the 1700 ms after the 'O' the frame is collected whole, pauses and all; a pause of
    // 20 ms after that ends the read by the read rule, and the reply is short.
    radio.splitMs = 20;
    EXPECT_EQ(ReadParameters(line, 0).outcome, ExchangeOutcome::Read);
    radio.latencyMs = 1600;
    const ReadResult split = ReadParameters(line, 0);
    EXPECT_EQ(split.outcome, ExchangeOutcome::NoAnswer);
    EXPECT_EQ(split.frameBytes, 130);
    line.WaitUntilWaiting(kDataFrameSize, 200);  // the rest of that frame comes and goes
    radio.splitMs = 5;
    EXPECT_EQ(ReadParameters(line, 0).outcome, ExchangeOutcome::Read);

    // The read rule itself: 10 ms between two bytes still counts as one reply, 11 does not.
    MemoryLine bare;
    ASSERT_TRUE(bare.Open());
    bare.Arrive(5, "ab");
    bare.Arrive(15, "c");
    bare.Arrive(26, "d");
    EXPECT_EQ(bare.Read(10), QByteArray("abc"));
    // Nothing at all: the read gives up after 100 + n ms.
    const qint64 start = bare.NowMs();
    bare.Read(1);  // takes the "d"
    EXPECT_TRUE(bare.Read(5).isEmpty());
    EXPECT_GE(bare.NowMs() - start, 105);
}

TEST_F(ExchangeTest, EveryReadFailureHasItsRow) {
    struct Row {
        const char* name;
        std::function<void(MemoryRadio&)> setUp;
        ExchangeOutcome outcome;
    };
    const Row rows[] = {
        {"silent", [](MemoryRadio& r) { r.readsAnswered = 0; }, ExchangeOutcome::NoAnswer},
        {"noise 10", [](MemoryRadio& r) { r.beforeAck = QByteArray(10, 'x'); },
         ExchangeOutcome::NoAnswer},
        {"checksum A",
         [](MemoryRadio& r) { r.spoil = [](DataFrame& f) { f[FrameOffset::checksumA] ^= 1; }; },
         ExchangeOutcome::ChecksumA},
        {"checksum B",
         [](MemoryRadio& r) { r.spoil = [](DataFrame& f) { f[FrameOffset::checksumB] ^= 1; }; },
         ExchangeOutcome::ChecksumB},
        {"short", [](MemoryRadio& r) { r.frameBytes = 259; }, ExchangeOutcome::NoAnswer},
        // A line held low: zeros pass both checksums but are no radio's answer.
        {"zeros", [](MemoryRadio& r) { r.spoil = [](DataFrame& f) { f.fill(0); }; },
         ExchangeOutcome::NoAnswer},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MemoryLine l;
        MemoryRadio r;
        r.held = DistinctBytesImage();
        row.setUp(r);
        r.Attach(l);
        ASSERT_TRUE(l.Open());
        const ReadResult read = ReadParameters(l, 0);
        EXPECT_EQ(read.outcome, row.outcome);
        EXPECT_FALSE(Succeeded(read.outcome));
        EXPECT_EQ(read.image, ParameterImage{});
    }
    // Stray bytes before the 'O' are skipped up to nine.
    radio.beforeAck = QByteArray(9, 'x');
    EXPECT_EQ(ReadParameters(line, 0).outcome, ExchangeOutcome::Read);
}

TEST_F(ExchangeTest, WriteSendsTwoFramesAndEveryRefusalHasItsRow) {
    const ParameterImage image = DistinctBytesImage();
    ASSERT_EQ(WriteParameters(line, image).outcome, ExchangeOutcome::Written);
    ASSERT_EQ(line.Writes().size(), 2u);
    const QByteArray first = line.Writes()[0], second = line.Writes()[1];
    EXPECT_EQ(first.left(4), QByteArray::fromHex("22FF0000"));
    EXPECT_EQ(second.left(4), QByteArray::fromHex("22FF0002"));
    EXPECT_EQ(first.mid(4, 255), second.mid(4, 255));
    EXPECT_EQ(std::uint8_t(second[259]), std::uint8_t(std::uint8_t(first[259]) + 2));
    EXPECT_EQ(first.mid(FrameOffset::filler, FrameOffset::fillerLength),
              QByteArray(FrameOffset::fillerLength, '\xFF'));
    ASSERT_EQ(radio.kept.size(), 1u);
    EXPECT_EQ(radio.kept[0], image);

    struct Row {
        QByteArray ackFirst, ackSecond;
        ExchangeOutcome outcome;
        std::size_t frames;
    };
    for (const Row& row : {Row{"E", "O", ExchangeOutcome::FirstFrameRefused, 1},
                           Row{"EO", "O", ExchangeOutcome::FirstFrameRefused, 1},
                           Row{"", "O", ExchangeOutcome::FirstFrameRefused, 1},
                           Row{"O", "E", ExchangeOutcome::SecondFrameRefused, 2},
                           Row{"O", "", ExchangeOutcome::SecondFrameRefused, 2},
                           // A doubled 'O' came before the second frame went out: it is no
                           // answer to that frame.
                           Row{"OO", "E", ExchangeOutcome::SecondFrameRefused, 2},
                           Row{"OO", "", ExchangeOutcome::SecondFrameRefused, 2},
                           Row{"OO", "O", ExchangeOutcome::Written, 2}}) {
        SCOPED_TRACE(row.ackFirst.toStdString() + "/" + row.ackSecond.toStdString());
        MemoryLine l;
        MemoryRadio r;
        r.held = DistinctBytesImage();
        r.ackFirst = row.ackFirst;
        r.ackSecond = row.ackSecond;
        r.Attach(l);
        ASSERT_TRUE(l.Open());
        EXPECT_EQ(WriteParameters(l, image).outcome, row.outcome);
        EXPECT_EQ(l.Writes().size(), row.frames);
    }
    // A line that takes nothing fails the write; no port at all too.
    MemoryLine refusing;
    ASSERT_TRUE(refusing.Open());
    refusing.SetRefuseWrites(true);
    EXPECT_EQ(WriteParameters(refusing, image).outcome, ExchangeOutcome::FirstFrameRefused);
    MemoryLine closed;
    EXPECT_EQ(WriteParameters(closed, image).outcome, ExchangeOutcome::FirstFrameRefused);
    EXPECT_EQ(ReadParameters(closed, 0).outcome, ExchangeOutcome::NoAnswer);
}

TEST_F(ExchangeTest, WhatARadioSendsLateIsDroppedAndNeverTakenForAnAnnouncement) {
    // The frame (which holds 0x10 bytes) comes long after the read gave up on it.
    radio.latencyMs = 2300;
    ASSERT_TRUE(Bytes(BuildDataFrame(radio.held, 0)).contains(char(kAnnouncementStart)));
    std::vector<LinkProgress> seen;
    const ReadResult late =
        ReadParameters(line, 0, [&](const LinkProgress& at) { seen.push_back(at); });
    EXPECT_EQ(late.outcome, ExchangeOutcome::NoAnswer);
    EXPECT_EQ(line.WaitUntilWaiting(1, 3000), 0) << "the late frame was left on the line";
    for (int tick = 0; tick < 300; ++tick) EXPECT_FALSE(PollRadioMessage(line));
    // The progress shows how far the read got, not a full bar.
    ASSERT_FALSE(seen.empty());
    EXPECT_LT(seen.back().done, 100);

    // An 'O' to the request that comes too late brings its frame after it: dropped as well.
    MemoryLine slow;
    slow.SetResponder([](MemoryLine& l, const QByteArray& written) {
        if (written.size() != 5) return;
        l.Arrive(l.NowMs() + 1200, "O");
        l.Arrive(l.NowMs() + 1300, Bytes(BuildDataFrame(DistinctBytesImage(), 0)), kMemoryByteMs);
    });
    ASSERT_TRUE(slow.Open());
    EXPECT_EQ(ReadParameters(slow, 0).outcome, ExchangeOutcome::NoAnswer);
    EXPECT_EQ(slow.WaitUntilWaiting(1, 3000), 0);

    // A short frame shows the part that came.
    MemoryLine cut;
    MemoryRadio r;
    r.held = DistinctBytesImage();
    r.frameBytes = 130;
    r.Attach(cut);
    ASSERT_TRUE(cut.Open());
    seen.clear();
    EXPECT_EQ(ReadParameters(cut, 0, [&](const LinkProgress& at) { seen.push_back(at); }).outcome,
              ExchangeOutcome::NoAnswer);
    ASSERT_FALSE(seen.empty());
    EXPECT_GE(seen.back().done, 50);
    EXPECT_LT(seen.back().done, 60);

    // A line that never falls quiet is given up on after a bounded time.
    MemoryLine noisy;
    ASSERT_TRUE(noisy.Open());
    noisy.Arrive(0, QByteArray(20000, 'x'), 1.0);
    EXPECT_EQ(ReadParameters(noisy, 0).outcome, ExchangeOutcome::NoAnswer);
    EXPECT_LT(noisy.NowMs(), 6000);
}

TEST_F(ExchangeTest, ALineLostDuringAnExchangeFailsItWithItsOwnOutcome) {
    line.HangUpAt(150);  // in the middle of the frame
    const ReadResult read = ReadParameters(line, 0);
    EXPECT_EQ(read.outcome, ExchangeOutcome::LineLost);
    EXPECT_LT(read.frameBytes, kDataFrameSize);
    EXPECT_TRUE(line.Lost());
    EXPECT_EQ(WriteParameters(line, DistinctBytesImage()).outcome, ExchangeOutcome::LineLost);

    MemoryLine writing;
    MemoryRadio r;
    r.held = DistinctBytesImage();
    r.Attach(writing);
    ASSERT_TRUE(writing.Open());
    writing.HangUpAt(100);  // before the first acknowledgement
    EXPECT_EQ(WriteParameters(writing, DistinctBytesImage()).outcome, ExchangeOutcome::LineLost);
    EXPECT_EQ(OutcomeText(ExchangeOutcome::LineLost),
              QStringLiteral("Связь с радиостанцией прервана: устройство отключено."));
}

TEST_F(ExchangeTest, TheWatchTakesOneByteATickAndTheWholeAnnouncement) {
    EXPECT_FALSE(PollRadioMessage(line));
    EXPECT_EQ(line.NowMs(), 0) << "a poll never waits for nothing";
    QByteArray announcement(kAnnouncementLength, '\x55');
    announcement[0] = char(kAnnouncementStart);
    line.Arrive(0, "\x11\x12" + announcement + "\x10", kMemoryByteMs);
    line.WaitUntilWaiting(kAnnouncementLength + 3, 100);
    EXPECT_FALSE(PollRadioMessage(line));
    EXPECT_FALSE(PollRadioMessage(line));
    EXPECT_TRUE(PollRadioMessage(line));
    // The rest of the announcement was read with it; what follows is left.
    EXPECT_EQ(line.Take(10), QByteArray("\x10"));
    // 23 bytes that are not an announcement are dropped one per tick.
    line.Arrive(line.NowMs(), QByteArray(kAnnouncementLength, '\x11'));
    line.WaitUntilWaiting(kAnnouncementLength, 1);
    for (int tick = 0; tick < kAnnouncementLength; ++tick) EXPECT_FALSE(PollRadioMessage(line));
    EXPECT_EQ(line.BytesWaiting(), 0);
}

// The in-memory line itself: pieces scheduled apart arrive in order of time, bytes due at the same
// time in the order they were scheduled, also when a piece is scheduled while others arrive.
TEST(MemoryLineTest, BytesArriveInOrderOfTimeAndOfScheduling) {
    struct Piece {
        qint64 atMs;
        QByteArray bytes;
        double spacingMs;
        bool afterFirstByte;  // scheduled once the first byte has arrived
    };
    const struct {
        const char* what;
        std::vector<Piece> pieces;
        QByteArray arrived;
    } cases[] = {
        {"one piece", {{5, "abc", kMemoryByteMs, false}}, "abc"},
        {"two pieces interleave", {{0, "ace", 2, false}, {1, "bdf", 2, false}}, "abcdef"},
        {"same time, order of scheduling", {{3, "x", 0, false}, {3, "y", 0, false}}, "xy"},
        {"the later piece scheduled first",
         {{9, "late", 1, false}, {0, "early", 1, false}},
         "earlylate"},
        {"scheduled while arriving", {{1, "ac", 10, false}, {5, "b", 0, true}}, "abc"},
    };
    for (const auto& c : cases) {
        MemoryLine line;
        line.Open();
        for (const Piece& piece : c.pieces)
            if (!piece.afterFirstByte) line.Arrive(piece.atMs, piece.bytes, piece.spacingMs);
        QByteArray arrived;
        while (arrived.size() < c.arrived.size() && line.NowMs() < 1000) {
            line.WaitForInput(1000);
            if (arrived.isEmpty())
                for (const Piece& piece : c.pieces)
                    if (piece.afterFirstByte) line.Arrive(piece.atMs, piece.bytes, piece.spacingMs);
            arrived += line.Take(100);
        }
        EXPECT_EQ(arrived, c.arrived) << c.what;
    }
}

TEST(PortTest, ComNamesMapToSerialDevicesOnLinuxOnly) {
#ifdef Q_OS_LINUX
    EXPECT_EQ(DeviceForPortName(QStringLiteral("COM1")), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(DeviceForPortName(QStringLiteral("COM12")), QStringLiteral("/dev/ttyS11"));
    EXPECT_EQ(DeviceForPortName(QStringLiteral("/dev/ttyUSB0")), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(DeviceForPortName(QStringLiteral("COM999")), QStringLiteral("/dev/ttyS998"));
    // Only COM and a number from 1 to 999 is a board's port; anything else is a device's name.
    for (const char* name :
         {"com1", "COM", "COM0", "COM01", "COM1000", "COM 1", "COM+1", "COM1 ", "COM١", "XCOM1"})
        EXPECT_EQ(DeviceForPortName(QString::fromUtf8(name)), QString::fromUtf8(name)) << name;
#else
    EXPECT_EQ(DeviceForPortName(QStringLiteral("COM3")), QStringLiteral("COM3"));
    EXPECT_EQ(DeviceForPortName(QStringLiteral("/dev/cu.usbserial-1")),
              QStringLiteral("/dev/cu.usbserial-1"));
#endif
}

}  // namespace
}  // namespace belvan
