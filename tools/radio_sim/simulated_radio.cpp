#include "simulated_radio.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "radio_side_frame.h"

namespace belvan::sim {

namespace {

using std::chrono::milliseconds;

constexpr std::uint8_t kRefusal = 0x45;           // 'E': what the radio answers instead of 'O'
constexpr milliseconds kRefusalThenAck{30};       // gap between 'E' and 'O' (other-then-ack)
constexpr milliseconds kCommandByteTimeout{300};  // a command whose bytes stop coming is dropped
constexpr milliseconds kFrameTimeout{1000};       // a frame not complete by then is dropped
constexpr milliseconds kClientBusyAfterAnswer{2000};  // the client reads the frame ~1.7 s late
constexpr milliseconds kAnnounceAfterOpen{300};       // the client purges right after opening
constexpr milliseconds kHangUpAfterHalfFrame{200};
constexpr milliseconds kSplit5Gap{5};    // within the tool's 10 ms gap between two bytes
constexpr milliseconds kSplit20Gap{20};  // beyond it
constexpr long long kBitsPerByte = 10;   // start bit, eight data bits, stop bit
constexpr long long kLineRate = 9600;    // baud
constexpr int kChangedChannel = 2;       // changes-image: channel 3 ...
constexpr std::uint16_t kChangedBy = 2;  // ... keeps a receive code this much higher
constexpr milliseconds kSpeedCheckPeriod{50};
constexpr unsigned kIdleSpeed = 38400;
constexpr unsigned kClientSpeed = 9600;
constexpr milliseconds kLateFrameDelay{2500};  // late-frame: well after the tool stops waiting
constexpr milliseconds kNoiseGapLow{5};        // line-noise: between two bytes, 20 ms on average
constexpr milliseconds kNoiseGapHigh{35};
constexpr milliseconds kRepeatPeriod{100};       // announce-repeat: how often ...
constexpr milliseconds kRepeatAfterClient{500};  // ... and how long after the client's last byte
constexpr milliseconds kChatterPeriod{1000};     // chatter: a stray byte this often
constexpr std::uint8_t kChatterByte = 0x55;
// Silence before an announcement after other output: more than the tool's gap within a message,
// so that the announcement arrives as a message of its own; after junk (noise, a stray byte,
// output cut off) much more, so that a reader held up on a busy machine still sees the gap.
constexpr milliseconds kGapBeforeAnnouncement{20};
constexpr milliseconds kGapAfterJunk{100};

// The announcement: 0x10, then the model and firmware text padded with zeros; never an 'O'.
constexpr char kAnnouncementText[] = "BELVAN-T SIM V1.07";
constexpr auto kAnnouncement = [] {
    static_assert(sizeof kAnnouncementText <= kAnnouncementLength);
    std::array<std::uint8_t, kAnnouncementLength> bytes{kAnnouncementStart};
    for (std::size_t i = 0; i + 1 < sizeof kAnnouncementText; ++i)
        bytes[i + 1] = static_cast<std::uint8_t>(kAnnouncementText[i]);
    return bytes;
}();
static_assert(std::find(kAnnouncement.begin(), kAnnouncement.end(), kAcknowledge) ==
              kAnnouncement.end());

// What the false-announce fault sends instead: as long, but with 0x11 first. No byte of it is
// 0x10, so a watch that looks for the start byte finds none anywhere in it.
constexpr auto kFalseAnnouncement = [] {
    auto bytes = kAnnouncement;
    bytes[0] = 0x11;
    return bytes;
}();
static_assert(std::find(kFalseAnnouncement.begin(), kFalseAnnouncement.end(), kAnnouncementStart) ==
              kFalseAnnouncement.end());

// Bytes sent before the 'O' by the noise fault; none of them is an 'O'.
constexpr std::array<std::uint8_t, 8> kNoise = {0x00, 0xA5, 0x5A, 0xFE, 0x3C, 0x81, 0x11, 0x7E};

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    text.reserve(count * 3);
    char buffer[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(buffer, sizeof buffer, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += buffer;
    }
    return text;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    return Hex(bytes.data(), bytes.size());
}

unsigned BaudOf(speed_t speed) {
    switch (speed) {
        case B1200:
            return 1200;
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        default:
            return static_cast<unsigned>(speed);
    }
}

std::vector<std::uint8_t> Bytes(const DataFrame& frame) {
    return std::vector<std::uint8_t>(frame.begin(), frame.end());
}

}  // namespace

std::unique_ptr<SimulatedRadio> SimulatedRadio::Open(Logger log, std::string* error) {
    // Closes what was opened when a later step fails.
    struct Descriptor {
        int fd = -1;
        ~Descriptor() {
            if (fd >= 0) ::close(fd);
        }
        int Release() { return std::exchange(fd, -1); }
    };
    const auto fail = [error](const char* what) {
        *error = std::string(what) + ": " + std::strerror(errno);
        return nullptr;
    };

    Descriptor master{posix_openpt(O_RDWR | O_NOCTTY)};
    if (master.fd < 0) return fail("posix_openpt");
    if (grantpt(master.fd) != 0 || unlockpt(master.fd) != 0) return fail("grantpt/unlockpt");
    const char* name = ptsname(master.fd);
    if (name == nullptr) return fail("ptsname");
    std::string path = name;
    Descriptor slave{::open(path.c_str(), O_RDWR | O_NOCTTY)};
    if (slave.fd < 0) return fail("open device side");

    termios settings{};
    if (tcgetattr(slave.fd, &settings) != 0) return fail("tcgetattr");
    cfmakeraw(&settings);
    cfsetispeed(&settings, B38400);
    cfsetospeed(&settings, B38400);
    if (tcsetattr(slave.fd, TCSANOW, &settings) != 0) return fail("tcsetattr");

    ::fcntl(master.fd, F_SETFL, ::fcntl(master.fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(master.fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave.fd, F_SETFD, FD_CLOEXEC);
    return std::unique_ptr<SimulatedRadio>(
        new SimulatedRadio(master.Release(), slave.Release(), std::move(path), std::move(log)));
}

SimulatedRadio::SimulatedRadio(int master, int slave, std::string path, Logger log)
    : master_(master),
      slave_(slave),
      devicePath_(std::move(path)),
      log_(std::move(log)),
      lineSpeed_(kIdleSpeed) {}

SimulatedRadio::~SimulatedRadio() {
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
}

bool SimulatedRadio::RequestAnnouncement(Clock::time_point now, bool evenIfSilent) {
    announceRequested_ = announceRequested_ || evenIfSilent;
    announceAt_ = now;
    OnTimer(now);
    return !announceAt_;
}

void SimulatedRadio::Swap(Clock::time_point now, const std::optional<ParameterImage>& image) {
    if (image) image_ = *image;
    if (!outputs_.empty()) {
        log_("SWAP cuts off what was going out");
        strayAt_ = now;
    }
    outputs_.clear();
    lineFreeAt_ = std::min(lineFreeAt_, now);
    partial_.clear();
    firstFrameImage_.reset();
    quietUntil_ = now;
    announceAt_.reset();
    announceRequested_ = false;
    nextRepeatAt_.reset();
    nextChatterAt_.reset();
    log_(image ? "SWAP another radio" : "SWAP the same radio again");
    Announce(now);
}

void SimulatedRadio::OnReadable(Clock::time_point now) {
    if (master_ < 0) return;
    WatchLineSpeed(now);  // a client that sets the speed and talks at once is not announced to
    std::uint8_t buffer[512];
    for (;;) {
        const ssize_t count = ::read(master_, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        for (ssize_t i = 0; i < count && master_ >= 0; ++i) TakeByte(buffer[i], now);
        if (master_ < 0) return;
    }
    FlushDropped();
}

void SimulatedRadio::TakeByte(std::uint8_t byte, Clock::time_point now) {
    if (partial_.empty()) {
        if (byte != kCommandStart && byte != kDataFrameStart) {
            dropped_.push_back(byte);
            return;
        }
        FlushDropped();
        partialStarted_ = now;
        // The client is talking already: an announcement it did not ask for would only get
        // in the way of the answer.
        if (announceAt_ && !announceRequested_) {
            announceAt_.reset();
            log_("ANNOUNCE dropped, the client is already talking");
        }
    }
    partial_.push_back(byte);
    lastByte_ = now;

    // A pseudo-terminal hands over a whole frame at once; at 9600 baud its last byte would come
    // only a line time after its first, and the radio answers from then on.
    const Clock::time_point arrived = std::max(now, partialStarted_ + ByteTimes(partial_.size()));
    if (partial_.front() == kCommandStart && partial_.size() == kCommandFrameSize) {
        const auto command = std::move(partial_);
        partial_.clear();
        HandleCommand(command, arrived);
    } else if (partial_.front() == kDataFrameStart && partial_.size() == kDataFrameSize) {
        DataFrame frame;
        std::copy(partial_.begin(), partial_.end(), frame.begin());
        partial_.clear();
        HandleFrame(frame, arrived);
    }
}

void SimulatedRadio::FlushDropped() {
    if (dropped_.empty()) return;
    log_("DROP " + Hex(dropped_));
    dropped_.clear();
}

void SimulatedRadio::HandleCommand(const std::vector<std::uint8_t>& command,
                                   Clock::time_point now) {
    log_("RX " + Hex(command));
    if (!std::equal(command.begin(), command.end(), radio_side::kReadRequest.begin(),
                    radio_side::kReadRequest.end())) {
        log_("IGNORED command (not a read request)");
        return;
    }
    firstFrameImage_.reset();  // a write left half-done is over
    AnswerReadRequest(now);
}

void SimulatedRadio::AnswerReadRequest(Clock::time_point now) {
    const Fault fault = fault_.fault;
    if (fault == Fault::Silent || fault == Fault::LineNoise) {
        log_(fault == Fault::Silent ? "QUIET read request (silent)"
                                    : "QUIET read request (line-noise)");
        return;
    }

    if (fault == Fault::Late) {
        Schedule(now, milliseconds(fault_.lateMs), {kAcknowledge}, "TX O (late)");
    } else if (fault == Fault::Noise) {
        std::vector<std::uint8_t> noise(static_cast<std::size_t>(fault_.noiseCount));
        for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = kNoise[i % kNoise.size()];
        const std::string log = "TX noise " + Hex(noise);
        Schedule(now, milliseconds(0), std::move(noise), log);
        Schedule(now, milliseconds(0), {kAcknowledge}, "TX O");
    } else {
        Schedule(now, milliseconds(0), {kAcknowledge}, "TX O");
    }

    DataFrame frame = radio_side::FrameOf(image_);
    switch (fault) {
        case Fault::BadChecksumA:
            frame[radio_side::kChecksumAAt] =
                static_cast<std::uint8_t>(radio_side::ChecksumAOf(frame) + 1);
            frame[radio_side::kChecksumBAt] = radio_side::ChecksumBOf(frame);
            Schedule(now, latency_, Bytes(frame), "TX frame (checksum A wrong)");
            break;
        case Fault::BadChecksumB:
            frame[radio_side::kChecksumBAt] =
                static_cast<std::uint8_t>(radio_side::ChecksumBOf(frame) + 1);
            Schedule(now, latency_, Bytes(frame), "TX frame (checksum B wrong)");
            break;
        case Fault::ShortFrame: {
            const auto count = static_cast<std::size_t>(fault_.shortCount);
            Schedule(now, latency_, std::vector<std::uint8_t>(frame.begin(), frame.begin() + count),
                     "TX frame cut short after " + std::to_string(count) + " bytes");
            break;
        }
        case Fault::ZeroFrame:
            Schedule(now, latency_, std::vector<std::uint8_t>(kDataFrameSize, 0),
                     "TX frame of zero bytes");
            break;
        case Fault::GarbageFrame: {
            std::uint32_t state = 0x2545F491u;
            for (auto& byte : frame) {
                state = state * 1664525u + 1013904223u;
                byte = static_cast<std::uint8_t>(state >> 24);
            }
            frame[radio_side::kChecksumAAt] =
                static_cast<std::uint8_t>(radio_side::ChecksumAOf(frame) + 0x5A);
            frame[radio_side::kChecksumBAt] =
                static_cast<std::uint8_t>(radio_side::ChecksumBOf(frame) + 0x33);
            Schedule(now, latency_, Bytes(frame), "TX frame of junk");
            break;
        }
        case Fault::Split5:
        case Fault::Split20: {
            const milliseconds gap = fault == Fault::Split5 ? kSplit5Gap : kSplit20Gap;
            const auto middle = frame.begin() + kDataFrameSize / 2;
            Schedule(now, latency_, std::vector<std::uint8_t>(frame.begin(), middle),
                     "TX frame, first half");
            Schedule(
                now, gap, std::vector<std::uint8_t>(middle, frame.end()),
                "TX frame, second half after " + std::to_string(gap.count()) + " ms of silence");
            break;
        }
        case Fault::LateFrame:
            // The tool has given up by then; what it reads next is this frame, 0x10 bytes and all.
            std::fill(frame.begin() + radio_side::kFillerAt,
                      frame.begin() + radio_side::kChecksumAAt, kAnnouncementStart);
            radio_side::Seal(frame);
            Schedule(now, kLateFrameDelay, Bytes(frame),
                     "TX frame " + std::to_string(kLateFrameDelay.count()) +
                         " ms after the O (late-frame)");
            break;
        case Fault::Hangup:
            // A pause after the half frame lets a client that reads at once see it: the kernel
            // discards unread input when the line hangs up.
            Schedule(now, latency_,
                     std::vector<std::uint8_t>(frame.begin(), frame.begin() + kDataFrameSize / 2),
                     "TX half a frame");
            Schedule(now, kHangUpAfterHalfFrame, {}, "", true);
            break;
        default:
            Schedule(now, latency_, Bytes(frame), "TX frame");
            break;
    }
    quietUntil_ = lineFreeAt_ + kClientBusyAfterAnswer;
}

void SimulatedRadio::HandleFrame(const DataFrame& frame, Clock::time_point now) {
    log_("RX " + Hex(frame.data(), frame.size()));
    const Fault fault = fault_.fault;
    if (fault == Fault::Silent || fault == Fault::LineNoise) {
        log_(fault == Fault::Silent ? "QUIET write frame (silent)"
                                    : "QUIET write frame (line-noise)");
        return;
    }
    if (!radio_side::ChecksumsHold(frame)) {
        firstFrameImage_.reset();
        Reply(now, kRefusal, "write frame with wrong checksums");
        return;
    }
    if (frame[FrameOffset::header1] != 0xFF || frame[FrameOffset::header2] != 0x00) {
        firstFrameImage_.reset();
        Reply(now, kRefusal, "write frame with a wrong header");
        return;
    }

    const ParameterImage image = radio_side::ImageIn(frame);
    const std::uint8_t sequence = frame[FrameOffset::sequence];
    if (sequence == kFirstWriteFrame) {
        firstFrameImage_.reset();
        switch (fault) {
            case Fault::Hangup:
                HangUp("after the first write frame");
                return;
            case Fault::SilentFirst:
                log_("QUIET first write frame (silent-first)");
                return;
            case Fault::NakFirst:
                Reply(now, kRefusal, "first write frame (nak-first)");
                return;
            case Fault::OtherThenAck:
                Reply(now, kRefusal, "first write frame (other-then-ack)");
                Schedule(now, kRefusalThenAck, {kAcknowledge}, "TX O");
                break;
            case Fault::DoubleAck:
                Schedule(now, milliseconds(0), {kAcknowledge, kAcknowledge},
                         "TX O O (first write frame, double-ack)");
                break;
            default:
                Reply(now, kAcknowledge, "");
                break;
        }
        firstFrameImage_ = image;
        quietUntil_ = lineFreeAt_ + kClientBusyAfterAnswer;
        log_("WRITE first frame taken, waiting for the second");
        return;
    }
    if (sequence == kSecondWriteFrame) {
        const bool matches = firstFrameImage_ && *firstFrameImage_ == image;
        firstFrameImage_.reset();
        quietUntil_ = now;
        if (!matches) {
            Reply(now, kRefusal, "second write frame without a matching first");
            return;
        }
        if (fault == Fault::SilentSecond) {
            log_("QUIET second write frame (silent-second)");
            return;
        }
        if (fault == Fault::NakSecond || fault == Fault::DoubleAck) {
            Reply(now, kRefusal,
                  fault == Fault::NakSecond ? "second write frame (nak-second)"
                                            : "second write frame (double-ack)");
            return;
        }
        Reply(now, kAcknowledge, "");
        image_ = image;
        if (fault == Fault::ChangesImage) {
            ChannelEntry entry = image_.Record(kChangedChannel);
            entry.rxCode = static_cast<std::uint16_t>(entry.rxCode + kChangedBy);
            image_.SetRecord(kChangedChannel, entry);
            log_("WRITE kept, but with channel " + std::to_string(kChangedChannel + 1) +
                 "'s receive code " + std::to_string(kChangedBy) + " higher (changes-image)");
        } else {
            log_("WRITE kept");
        }
        if (imageKept_) imageKept_(image_);
        return;
    }
    firstFrameImage_.reset();
    Reply(now, kRefusal, "write frame with an unknown sequence byte");
}

void SimulatedRadio::Reply(Clock::time_point now, std::uint8_t byte, const std::string& why) {
    std::string log = byte == kAcknowledge ? "TX O" : "TX E";
    if (!why.empty()) log += " (" + why + ")";
    Schedule(now, milliseconds(0), {byte}, log);
}

void SimulatedRadio::Schedule(Clock::time_point now, milliseconds delay,
                              std::vector<std::uint8_t> bytes, std::string log, bool hangUpAfter) {
    // Each piece begins when the one before it has gone out, then waits for its delay.
    const Clock::time_point due = std::max(now, lineFreeAt_) + delay;
    lineFreeAt_ = due + ByteTimes(bytes.size());
    outputs_.push_back(Pending{due, delay, std::move(bytes), std::move(log), hangUpAfter});
}

std::chrono::nanoseconds SimulatedRadio::ByteTimes(std::size_t count) const {
    if (!pacing_) return std::chrono::nanoseconds(0);
    return std::chrono::nanoseconds(static_cast<long long>(count) * kBitsPerByte * 1'000'000'000LL /
                                    kLineRate);
}

void SimulatedRadio::SendDue(Clock::time_point now) {
    while (master_ >= 0 && !outputs_.empty()) {
        Pending& piece = outputs_.front();
        if (piece.due > now) return;
        // Byte k is due k byte times after the first: a late wake-up sends all that is due.
        std::size_t due = piece.bytes.size();
        if (pacing_ && !piece.whole) {
            const long long elapsed =
                std::chrono::duration_cast<std::chrono::nanoseconds>(now - piece.due).count();
            const long long count = elapsed * kLineRate / (kBitsPerByte * 1'000'000'000LL) + 1;
            due = std::min(due, static_cast<std::size_t>(count));
        }
        if (piece.sent == 0 && !piece.log.empty()) log_(piece.log);
        if (due > piece.sent) {
            Write(piece.bytes.data() + piece.sent, due - piece.sent);
            piece.sent = due;
        }
        if (piece.sent < piece.bytes.size()) return;
        const bool hangUp = piece.hangUpAfter;
        const bool hadBytes = !piece.bytes.empty();
        outputs_.pop_front();
        if (hangUp) HangUp("in the middle of the read frame");
        if (outputs_.empty() || !hadBytes) continue;
        // A late wake-up must not shorten the pause the client sees after this piece's last
        // byte: what follows moves back as far as needed.
        const Clock::time_point earliest = now + ByteTimes(1) + outputs_.front().pause;
        if (outputs_.front().due < earliest) {
            const auto shift = earliest - outputs_.front().due;
            for (Pending& later : outputs_) later.due += shift;
            lineFreeAt_ += shift;
        }
    }
}

void SimulatedRadio::Write(const std::uint8_t* bytes, std::size_t count) {
    std::size_t done = 0;
    while (master_ >= 0 && done < count) {
        const ssize_t written = ::write(master_, bytes + done, count - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) break;
        done += static_cast<std::size_t>(written);
    }
    if (done < count) log_("TX overflow: " + std::to_string(count - done) + " bytes not sent");
}

void SimulatedRadio::HangUp(const std::string& why) {
    log_("HANGUP " + why);
    ::close(master_);
    master_ = -1;
    outputs_.clear();
}

void SimulatedRadio::OnTimer(Clock::time_point now) {
    SendDue(now);
    if (master_ < 0) return;

    if (!partial_.empty()) {
        const bool isFrame = partial_.front() == kDataFrameStart;
        if (isFrame ? now - partialStarted_ >= kFrameTimeout
                    : now - lastByte_ >= kCommandByteTimeout) {
            log_(std::string(isFrame ? "RX incomplete frame, " : "RX incomplete command, ") +
                 std::to_string(partial_.size()) + " of " +
                 std::to_string(isFrame ? kDataFrameSize : kCommandFrameSize) +
                 " bytes, dropped: " + Hex(partial_));
            partial_.clear();
        }
    }

    if (now >= nextSpeedCheck_) {
        nextSpeedCheck_ = now + kSpeedCheckPeriod;
        WatchLineSpeed(now);
    }

    if (announceAt_ && now >= *announceAt_ && !Busy(now)) {
        const bool quiet = fault_.fault == Fault::Silent || fault_.fault == Fault::LineNoise;
        if (announceRequested_ || !quiet) Announce(now);
        announceAt_.reset();
        announceRequested_ = false;
    }
    SendNoise(now);
    RepeatAnnouncement(now);
    Chatter(now);
}

void SimulatedRadio::SetFault(const FaultSetting& setting) {
    fault_ = setting;
    if (fault_.fault != Fault::LineNoise) nextNoiseAt_.reset();
    if (fault_.fault != Fault::AnnounceRepeat) nextRepeatAt_.reset();
    if (fault_.fault != Fault::Chatter) nextChatterAt_.reset();
}

void SimulatedRadio::SendNoise(Clock::time_point now) {
    if (fault_.fault != Fault::LineNoise) return;
    if (!nextNoiseAt_) nextNoiseAt_ = now;
    // Random bytes, with the announcement's first byte and the acknowledgement far more often
    // than chance would have them, one at a time whatever else is going out.
    while (now >= *nextNoiseAt_) {
        const auto draw = noise_() % 8;
        const std::uint8_t byte = draw < 2    ? kAnnouncementStart
                                  : draw == 2 ? kAcknowledge
                                              : static_cast<std::uint8_t>(noise_() >> 24);
        Write(&byte, 1);
        strayAt_ = now;
        const auto gap = kNoiseGapLow.count() +
                         static_cast<long>(noise_() % (kNoiseGapHigh - kNoiseGapLow).count());
        *nextNoiseAt_ += milliseconds(gap);
        if (*nextNoiseAt_ < now) *nextNoiseAt_ = now;  // after a stall, no burst to catch up
    }
}

bool SimulatedRadio::ClientSilent(Clock::time_point now) const {
    // Nothing of the client's half-received or of our answer still going out, and the client
    // silent for a while: no exchange is under way.
    return partial_.empty() && outputs_.empty() && now - lastByte_ >= kRepeatAfterClient;
}

void SimulatedRadio::RepeatAnnouncement(Clock::time_point now) {
    if (fault_.fault != Fault::AnnounceRepeat) return;
    if (!ClientSilent(now)) return;
    if (nextRepeatAt_ && now < *nextRepeatAt_) return;
    Announce(now);
    nextRepeatAt_ = now + kRepeatPeriod;
}

void SimulatedRadio::Chatter(Clock::time_point now) {
    if (fault_.fault != Fault::Chatter) return;
    if (!nextChatterAt_) nextChatterAt_ = now + kChatterPeriod;
    // Never into an exchange, nor right after other output or before an announcement asked for.
    if (now < *nextChatterAt_ || !ClientSilent(now) || announceAt_ ||
        now - lineFreeAt_ < kGapAfterJunk)
        return;
    Write(&kChatterByte, 1);
    strayAt_ = now;
    log_("TX stray byte 55 (chatter)");
    nextChatterAt_ = now + kChatterPeriod;
}

void SimulatedRadio::WatchLineSpeed(Clock::time_point now) {
    termios settings{};
    if (tcgetattr(master_, &settings) != 0) return;
    const unsigned speed = BaudOf(cfgetospeed(&settings));
    if (speed == lineSpeed_) return;
    lineSpeed_ = speed;
    log_("LINE " + std::to_string(speed) + " baud");
    // A client sets 9600 when it opens the line; one that restores the settings on closing
    // puts the old speed back, so the next client is noticed too. A client that has begun to
    // talk before the change was seen gets no announcement in the way of its answer.
    const bool talking = Busy(now) || now - lastByte_ <= kSpeedCheckPeriod;
    if (speed == kClientSpeed && autoAnnounce_ && !announceAt_ && !talking)
        announceAt_ = now + kAnnounceAfterOpen;
}

bool SimulatedRadio::Busy(Clock::time_point now) const {
    return !partial_.empty() || !outputs_.empty() || now < quietUntil_;
}

void SimulatedRadio::Announce(Clock::time_point now) {
    // Whatever went out last, a late frame or a stray byte, is over before the announcement
    // begins, with a gap between them.
    const Clock::time_point start = std::max(now, lineFreeAt_);
    const Clock::time_point earliest =
        std::max(lineFreeAt_ + kGapBeforeAnnouncement, strayAt_ + kGapAfterJunk);
    const milliseconds pause =
        earliest > start ? std::chrono::ceil<milliseconds>(earliest - start) : milliseconds(0);
    if (fault_.fault == Fault::FalseAnnounce) {
        Schedule(now, pause,
                 std::vector<std::uint8_t>(kFalseAnnouncement.begin(), kFalseAnnouncement.end()),
                 "ANNOUNCE false (first byte 11, false-announce)");
    } else {
        Schedule(now, pause, std::vector<std::uint8_t>(kAnnouncement.begin(), kAnnouncement.end()),
                 "ANNOUNCE");
    }
    // A radio's announcement has no pause in it; paced byte by byte, a simulator held up by a
    // busy machine would put one there.
    outputs_.back().whole = true;
    SendDue(now);
}

Clock::time_point SimulatedRadio::NextWakeUp(Clock::time_point now) const {
    Clock::time_point next = std::max(now, nextSpeedCheck_);
    if (!outputs_.empty())
        next = std::min(next, outputs_.front().due + ByteTimes(outputs_.front().sent));
    if (!partial_.empty())
        next =
            std::min(next, partial_.front() == kDataFrameStart ? partialStarted_ + kFrameTimeout
                                                               : lastByte_ + kCommandByteTimeout);
    if (announceAt_) next = std::min(next, *announceAt_);
    if (nextNoiseAt_) next = std::min(next, *nextNoiseAt_);
    if (fault_.fault == Fault::LineNoise && !nextNoiseAt_) next = now;
    if (fault_.fault == Fault::AnnounceRepeat) {
        Clock::time_point repeat = lastByte_ + kRepeatAfterClient;
        if (nextRepeatAt_) repeat = std::max(repeat, *nextRepeatAt_);
        next = std::min(next, repeat);
    }
    if (fault_.fault == Fault::Chatter) {
        Clock::time_point stray =
            std::max(lastByte_ + kRepeatAfterClient, lineFreeAt_ + kGapAfterJunk);
        if (nextChatterAt_) stray = std::max(stray, *nextChatterAt_);
        next = std::min(next, stray);
    }
    return std::max(now, next);
}

}  // namespace belvan::sim
