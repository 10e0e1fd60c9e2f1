// The programming station's watch over an in-memory line, on the line's own clock: what counts as
// a radio announcing itself, how junk is drained, and when an announcement is a new radio.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "link/connection_watch.h"
#include "link/radio_frame.h"
#include "memory_line.h"

namespace belvan {
namespace {

constexpr double kByteMs = 10.0 / 9.6;  // one byte at 9600 baud

QByteArray Announcement() {
    QByteArray bytes(kAnnouncementLength, '\x42');
    bytes[0] = char(kAnnouncementStart);
    return bytes;
}

// What the polls of a stretch of time found.
struct Heard {
    int newRadios = 0;
    int sameRadio = 0;                 // SameRadio and LineBusy
    std::vector<qint64> newRadioAt;    // line time of each new radio
    std::vector<StationEvent> events;  // every announcement, in order
};

class StationWatchTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(line.Open()); }

    // Polls one after the other, as the station does, until the line's clock reaches `untilMs`.
    Heard PollUntil(qint64 untilMs) {
        Heard heard;
        while (line.NowMs() < untilMs) {
            const qint64 before = line.NowMs();
            const StationEvent event = PollStation(line, watch);
            if (event != StationEvent::Nothing) heard.events.push_back(event);
            switch (event) {
                case StationEvent::NewRadio:
                    ++heard.newRadios;
                    heard.newRadioAt.push_back(line.NowMs());
                    break;
                case StationEvent::SameRadio:
                case StationEvent::LineBusy:
                    ++heard.sameRadio;
                    break;
                case StationEvent::Nothing:
                    break;
            }
            EXPECT_GT(line.NowMs(), before) << "every poll listens";
        }
        return heard;
    }

    // Announcement at `atMs`, paced at the line rate; returns when its last byte arrives.
    qint64 Announce(qint64 atMs) {
        line.Arrive(atMs, Announcement(), kByteMs);
        return atMs + static_cast<qint64>((kAnnouncementLength - 1) * kByteMs) + 1;
    }

    MemoryLine line;
    StationWatch watch;
};

TEST_F(StationWatchTest, LineNoiseIsNeverARadioAndIsDrainedAsItComes) {
    // About 50 random bytes a second for a minute, a quarter of them 0x10.
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> spacing(5, 35), byte(0, 255), pick(0, 3);
    qint64 at = 0;
    int sent = 0;
    while (at < 60000) {
        at += spacing(random);
        line.Arrive(at, QByteArray(1, char(pick(random) == 0 ? kAnnouncementStart : byte(random))));
        ++sent;
    }
    ASSERT_GT(sent, 2000);
    const Heard heard = PollUntil(61000);
    EXPECT_EQ(heard.newRadios, 0);
    EXPECT_EQ(heard.sameRadio, 0);
    EXPECT_EQ(line.BytesWaiting(), 0);

    // A radio on the line that has gone quiet is heard at once.
    const qint64 end = Announce(62000);
    const Heard radio = PollUntil(63000);
    ASSERT_EQ(radio.newRadios, 1);
    EXPECT_LE(radio.newRadioAt[0], end + kReadGapMs + 2);
}

TEST_F(StationWatchTest, OnlyTwentyThreeBytesInOneMessageStartingWith0x10AreAnAnnouncement) {
    QByteArray shortOne = Announcement().left(kAnnouncementLength - 1);
    QByteArray longOne = Announcement() + '\x42';
    QByteArray otherStart = Announcement();
    otherStart[0] = '\x11';
    line.Arrive(100, shortOne, kByteMs);
    line.Arrive(300, longOne, kByteMs);
    line.Arrive(500, otherStart, kByteMs);
    // A pause of 15 ms in the middle: two messages of 12 and 11 bytes.
    line.Arrive(700, Announcement().left(12), kByteMs);
    line.Arrive(700 + 12 + 15, Announcement().mid(12), kByteMs);
    // Junk glued to the front of an announcement makes one longer message.
    line.Arrive(900, QByteArray(5, '\x33') + Announcement(), kByteMs);
    EXPECT_EQ(PollUntil(1200).newRadios, 0);
    EXPECT_EQ(line.BytesWaiting(), 0);

    // The real thing, arriving just before a poll would have ended, is taken whole.
    const qint64 start = line.NowMs();
    line.Arrive(start + kStationListenMs - 5, Announcement(), kByteMs);
    EXPECT_EQ(PollStation(line, watch), StationEvent::NewRadio);
}

TEST_F(StationWatchTest, JunkBeforeAnAnnouncementIsDrainedAtOnce) {
    // 300 bytes of junk at the line rate, a short pause, then the radio.
    line.Arrive(0, QByteArray(300, '\x10'), kByteMs);
    const qint64 end = Announce(300 * kByteMs + 20);
    const Heard heard = PollUntil(2000);
    ASSERT_EQ(heard.newRadios, 1);
    EXPECT_LE(heard.newRadioAt[0], end + kReadGapMs + 2) << "taken as soon as it ended";

    // Junk that piled up unread is taken in one poll too.
    line.Arrive(line.NowMs(), QByteArray(400, '\x55'));
    line.WaitForInput(1);
    EXPECT_EQ(PollStation(line, watch), StationEvent::Nothing);
    EXPECT_EQ(line.BytesWaiting(), 0);
}

TEST_F(StationWatchTest, AStreamWithoutGapsNeverHoldsAPollLongerThanItsLimit) {
    line.Arrive(0, QByteArray(3000, '\x10'), kByteMs);
    const qint64 first = line.NowMs();
    EXPECT_EQ(PollStation(line, watch), StationEvent::Nothing);
    EXPECT_LE(line.NowMs() - first, kStationLongestPollMs + kReadGapMs + 2);
    const qint64 end = Announce(3000 * kByteMs + 20);
    const Heard heard = PollUntil(5000);
    ASSERT_EQ(heard.newRadios, 1);
    EXPECT_LE(heard.newRadioAt[0], end + kReadGapMs + 2);
}

TEST_F(StationWatchTest, ARadioIsCountedOnceUntilTheLineGoesQuiet) {
    // Announcing every 0.1 s for five seconds: one radio.
    for (qint64 at = 0; at < 5000; at += 100) Announce(at);
    Heard heard = PollUntil(5000);
    EXPECT_EQ(heard.newRadios, 1);
    EXPECT_GE(heard.sameRadio, 40);

    // Quiet for less than the quiet time: still the same radio.
    Announce(5000 + kStationQuietMs - 300);
    heard = PollUntil(5000 + kStationQuietMs);
    EXPECT_EQ(heard.newRadios, 0);
    EXPECT_EQ(heard.sameRadio, 1);

    // Quiet for the whole quiet time: the next announcement is the next radio.
    const qint64 next = line.NowMs() + kStationQuietMs + 100;
    Announce(next);
    heard = PollUntil(next + 500);
    EXPECT_EQ(heard.newRadios, 1);
    EXPECT_EQ(heard.sameRadio, 0);
}

TEST_F(StationWatchTest, JunkAfterAJobNeverKeepsTheRadioThere) {
    // Whatever else comes after a job, the radio announcing 3 s after it is a new one.
    const struct {
        const char* what;
        std::function<void(qint64 jobEnd)> junk;
    } cases[] = {
        {"a stray byte every second",
         [&](qint64 end) {
             for (qint64 at = end + 400; at < end + 3000; at += 1000)
                 line.Arrive(at, QByteArray(1, '\x55'));
         }},
        {"a late frame full of 0x10",
         [&](qint64 end) {
             QByteArray frame(kDataFrameSize, char(kAnnouncementStart));
             frame[0] = char(kDataFrameStart);
             line.Arrive(end + 1500, frame, kByteMs);
         }},
        {"line noise",
         [&](qint64 end) {
             std::mt19937 random(7);
             for (qint64 at = end + 100; at < end + 2900; at += 5 + random() % 30)
                 line.Arrive(at, QByteArray(1, char(random())));
         }},
    };
    for (const auto& [what, junk] : cases) {
        const qint64 end = line.NowMs();
        watch.JobEnded(end);
        junk(end);
        const qint64 announced = Announce(end + 3000);
        const Heard heard = PollUntil(announced + 200);
        EXPECT_EQ(heard.events, std::vector{StationEvent::NewRadio}) << what;
    }
}

TEST_F(StationWatchTest, AnAnnouncementIsTakenWholeHoweverLateThePollRuns) {
    // A line whose reader is held up for 15 ms each time it finds nothing waiting.
    class LateLine : public MemoryLine {
      public:
        qint64 BytesWaiting() override {
            const qint64 waiting = MemoryLine::BytesWaiting();
            if (waiting == 0) Advance(15);
            return waiting;
        }
    } late;
    ASSERT_TRUE(late.Open());
    late.Arrive(100, Announcement(), kByteMs);
    StationEvent heard = StationEvent::Nothing;
    while (heard == StationEvent::Nothing && late.NowMs() < 1000) heard = PollStation(late, watch);
    EXPECT_EQ(heard, StationEvent::NewRadio);
}

TEST_F(StationWatchTest, ALostLineEndsThePollAndAFreshWatchCountsTheRadioAgain) {
    Announce(50);
    EXPECT_EQ(PollUntil(500).newRadios, 1);
    line.Arrive(600, Announcement().left(10), kByteMs);
    line.HangUpAt(605);
    EXPECT_EQ(PollStation(line, watch), StationEvent::Nothing);
    EXPECT_TRUE(line.Lost());

    // Opened again (as the link does with a fresh line and a fresh watch): a new radio.
    ASSERT_TRUE(line.Open());
    watch = {};
    Announce(line.NowMs() + 50);
    EXPECT_EQ(PollUntil(line.NowMs() + 500).newRadios, 1);
}

}  // namespace
}  // namespace belvan
