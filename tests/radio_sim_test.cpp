// The radio simulator, driven through its real pseudo-terminal the way the tool drives the radio:
// the device opened raw at 9600, commands and frames written, answers read with timeouts.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <memory>
#include <vector>

#include "files/settings_file.h"
#include "link/radio_frame.h"
#include "radio_sim_process.h"

namespace belvan {
namespace {

using belvan::testing::RadioSimProcess;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::uint8_t kRefusal = 0x45;  // 'E'

Bytes ToBytes(const DataFrame& frame) {
    return Bytes(frame.begin(), frame.end());
}

DataFrame FrameOf(const Bytes& bytes, std::size_t from) {
    DataFrame frame{};
    std::copy(bytes.begin() + static_cast<long>(from),
              bytes.begin() + static_cast<long>(from) + kDataFrameSize, frame.begin());
    return frame;
}

// The client's end of the line, opened the way the tool opens the radio's port.
class Line {
  public:
    explicit Line(const QString& path) {
        fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0) return;
        termios settings{};
        tcgetattr(fd_, &settings);
        cfmakeraw(&settings);
        cfsetispeed(&settings, B9600);
        cfsetospeed(&settings, B9600);
        tcsetattr(fd_, TCSANOW, &settings);
        tcflush(fd_, TCIOFLUSH);
    }
    void SetSpeed(speed_t speed) {
        termios settings{};
        tcgetattr(fd_, &settings);
        cfsetispeed(&settings, speed);
        cfsetospeed(&settings, speed);
        tcsetattr(fd_, TCSANOW, &settings);
    }
    ~Line() {
        if (fd_ >= 0) ::close(fd_);
    }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    bool HungUp() const { return hungUp_; }

    // Writes all bytes; fails the test if the line refuses them for a second.
    void Send(const Bytes& bytes) {
        const auto deadline = Clock::now() + std::chrono::seconds(1);
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t count = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (count > 0) {
                done += static_cast<std::size_t>(count);
                continue;
            }
            if (count < 0 && errno != EAGAIN) hungUp_ = true;
            ASSERT_FALSE(hungUp_) << "the line hung up while sending";
            ASSERT_LT(Clock::now(), deadline) << "the line took no more bytes";
            pollfd writable{fd_, POLLOUT, 0};
            ::poll(&writable, 1, 50);
        }
    }

    // Bytes as they came, each with the time it was read.
    struct Arrival {
        Bytes bytes;
        std::vector<Clock::time_point> at;
    };

    // Reads until `count` bytes have come, the line falls quiet for quietMs after at least one
    // byte, or timeoutMs pass; returns what came.
    Bytes Receive(std::size_t count, int timeoutMs, int quietMs = 300) {
        return ReceiveTimed(count, timeoutMs, quietMs).bytes;
    }

    Arrival ReceiveTimed(std::size_t count, int timeoutMs, int quietMs = 300) {
        Arrival arrival;
        Bytes& bytes = arrival.bytes;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (bytes.size() < count && !hungUp_) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0) break;
            pollfd readable{fd_, POLLIN, 0};
            const int wait = bytes.empty() ? static_cast<int>(left)
                                           : static_cast<int>(std::min<long>(left, quietMs));
            if (::poll(&readable, 1, wait) == 0) {
                if (!bytes.empty()) break;
                continue;
            }
            std::uint8_t buffer[512];
            const ssize_t got = ::read(fd_, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (got > 0) {
                bytes.insert(bytes.end(), buffer, buffer + got);
                arrival.at.resize(bytes.size(), Clock::now());
            } else if (got == 0 || errno != EAGAIN) {
                hungUp_ = true;  // the other side closed the line
            }
        }
        return arrival;
    }

    // Everything that comes within ms, stopping early only if the line hangs up.
    Bytes ReceiveFor(int ms) { return Receive(100000, ms, ms); }

  private:
    int fd_ = -1;
    bool hungUp_ = false;
};

class RadioSimTest : public ::testing::Test {
  protected:
    // Starts the simulator without automatic announcements and opens its line.
    void Start(QStringList arguments = {}, bool announce = false) {
        if (!announce) arguments.prepend(QStringLiteral("--no-announce"));
        const QString path = sim_.Start(arguments);
        ASSERT_FALSE(path.isEmpty()) << sim_.Error().toStdString();
        line_ = std::make_unique<Line>(path);
        ASSERT_TRUE(line_->IsOpen()) << path.toStdString();
    }

    void Command(const QString& command) {
        const auto reply = sim_.Command(command);
        ASSERT_TRUE(reply.ok) << command.toStdString() << ": " << reply.status.toStdString();
    }

    ParameterImage HeldImage() {
        const auto image = sim_.Image();
        EXPECT_TRUE(image.has_value());
        return image.value_or(ParameterImage{});
    }

    // Sends the read request; returns the answer ('O' and the frame when all is well).
    Bytes ReadRequest(int timeoutMs = 2000) { return TimedReadRequest(timeoutMs, 300).bytes; }

    Line::Arrival TimedReadRequest(int timeoutMs, int quietMs) {
        const auto request = BuildCommandFrame(kReadRequest, 0x00);
        line_->Send(Bytes(request.begin(), request.end()));
        return line_->ReceiveTimed(1 + kDataFrameSize, timeoutMs, quietMs);
    }

    Bytes SendFrame(const ParameterImage& image, std::uint8_t sequence) {
        line_->Send(ToBytes(BuildDataFrame(image, sequence)));
        return line_->Receive(2, 1000, 200);
    }

    QString TempPath(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    // The image with channel 12 and the wait time changed; each call gives a different one.
    static ParameterImage AnotherImage(ParameterImage image) {
        static std::uint16_t variant = 0;
        ++variant;
        ChannelEntry entry;
        entry.flags = ChannelFlag::InUse | ChannelFlag::Step25 | ChannelFlag::Scan;
        entry.rxCode = static_cast<std::uint16_t>(1000 + 2 * variant);
        entry.txCode = static_cast<std::uint16_t>(1002 + 2 * variant);
        entry.toneNumber = static_cast<std::uint16_t>(1 + variant % 51);
        image.SetRecord(11, entry);
        image.SetSettingsWord(SettingsOffset::waitTime, static_cast<std::uint16_t>(1000 + variant));
        return image;
    }

    QTemporaryDir dir_;
    RadioSimProcess sim_;
    std::unique_ptr<Line> line_;
};

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

TEST_F(RadioSimTest, ImageFilesRoundTrip) {
    const ParameterImage mine = AnotherImage(ParameterImage{});
    const QString original = TempPath("mine.ctrch");
    ASSERT_TRUE(WriteSettingsFile(original, BuildFileBytes(mine)).has_value());

    ASSERT_NO_FATAL_FAILURE(Start({QStringLiteral("--image"), original}));
    EXPECT_EQ(HeldImage(), mine);
    const Bytes answer = ReadRequest();
    ASSERT_EQ(answer.size(), 1u + kDataFrameSize);
    EXPECT_EQ(ImageFromFrame(FrameOf(answer, 1)), mine);

    // "save" writes the same bytes back; "image" loads another file.
    ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("save ") + TempPath("copy.ctrch")));
    QFile a(original), b(TempPath("copy.ctrch"));
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());

    const ParameterImage other = AnotherImage(mine);
    ASSERT_TRUE(WriteSettingsFile(TempPath("other.ctrch"), BuildFileBytes(other)).has_value());
    ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("image ") + TempPath("other.ctrch")));
    EXPECT_EQ(HeldImage(), other);
    EXPECT_FALSE(sim_.Command(QStringLiteral("image ") + TempPath("missing.ctrch")).ok);
    EXPECT_EQ(HeldImage(), other);
}

TEST_F(RadioSimTest, BadImageFileIsRefusedWithCode2) {
    FileBytes bytes = BuildFileBytes(ParameterImage{});
    bytes[kFileChecksumOffset] ^= 0xFF;
    ASSERT_TRUE(WriteSettingsFile(TempPath("bad.ctrch"), bytes).has_value());
    QFile shortFile(TempPath("short.ctrch"));
    ASSERT_TRUE(shortFile.open(QIODevice::WriteOnly));
    shortFile.write(QByteArray(100, '\0'));
    shortFile.close();

    for (const char* name : {"bad.ctrch", "short.ctrch"}) {
        RadioSimProcess sim;
        EXPECT_TRUE(sim.Start({QStringLiteral("--image"), TempPath(name)}).isEmpty());
        EXPECT_EQ(sim.WaitForExit(), 2) << name;
        EXPECT_TRUE(sim.Log().contains(QString::fromLatin1(name))) << sim.Log().toStdString();
    }
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

TEST_F(RadioSimTest, CommandsLinkAndEndOfInput) {
    const QString link = TempPath("radio");
    ASSERT_EQ(::symlink("/nonexistent", link.toLocal8Bit().constData()), 0);  // a stale one
    ASSERT_NO_FATAL_FAILURE(Start({QStringLiteral("--link"), link}));
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), sim_.DevicePath());

    EXPECT_FALSE(sim_.Command(QStringLiteral("fault bogus")).ok);
    EXPECT_FALSE(sim_.Command(QStringLiteral("fault silent 5")).ok);
    EXPECT_FALSE(sim_.Command(QStringLiteral("frobnicate")).ok);
    const auto dump = sim_.Command(QStringLiteral("dump"));
    ASSERT_TRUE(dump.ok);
    ASSERT_EQ(dump.lines.size(), 1);
    EXPECT_EQ(dump.lines.front().size(), 6 + 2 * kImageSize);

    // Without stdin it goes on serving the line; SIGTERM ends it and removes the link.
    sim_.CloseInput();
    EXPECT_EQ(ReadRequest().size(), 1u + kDataFrameSize);
    EXPECT_TRUE(sim_.IsRunning());
    sim_.Stop();
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

}  // namespace
}  // namespace belvan
