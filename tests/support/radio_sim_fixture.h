// The radio simulator driven through its real pseudo-terminal the way the tool drives the radio:
// the device opened raw at 9600, commands and frames written, answers read with timeouts.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/parameter_image.h"
#include "link/radio_frame.h"
#include "radio_sim_process.h"

namespace belvan::testing {

// The client's end of the line, opened the way the tool opens the radio's port.
class Line {
  public:
    using Bytes = std::vector<std::uint8_t>;
    using Clock = std::chrono::steady_clock;

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
    using Bytes = Line::Bytes;
    using Clock = Line::Clock;
    using milliseconds = std::chrono::milliseconds;

    static constexpr std::uint8_t kRefusal = 0x45;  // 'E'

    static Bytes ToBytes(const DataFrame& frame) { return Bytes(frame.begin(), frame.end()); }

    static DataFrame FrameOf(const Bytes& bytes, std::size_t from) {
        DataFrame frame{};
        std::copy(bytes.begin() + static_cast<long>(from),
                  bytes.begin() + static_cast<long>(from) + kDataFrameSize, frame.begin());
        return frame;
    }

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

}  // namespace belvan::testing
