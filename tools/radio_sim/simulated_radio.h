// The simulated radio on its side of a pseudo-terminal: it answers read requests and write frames
// the way the radio does (or, when told, the way a faulty one does) and announces itself.
//
// By default every byte goes out at the radio's line rate, 9600 baud with ten bits a byte, so a
// 260-byte frame takes about 271 ms to arrive; without pacing each reply goes out in one piece.
//
// Nothing here blocks. The owner polls MasterFd() for input, calls OnReadable() when it has some,
// and calls OnTimer() no later than NextWakeUp() so that paced and delayed answers, abandoned
// input and the line-speed watch are looked after.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "faults.h"
#include "image/parameter_image.h"
#include "link/radio_frame.h"

namespace belvan::sim {

using Clock = std::chrono::steady_clock;

class SimulatedRadio {
  public:
    using Logger = std::function<void(const std::string&)>;
    using ImageKept = std::function<void(const ParameterImage&)>;

    // Opens a pseudo-terminal and puts its device side into raw mode at a speed other than
    // 9600, so that a client opening the line at 9600 can be noticed. Returns nullptr and sets
    // *error when the pseudo-terminal cannot be had.
    static std::unique_ptr<SimulatedRadio> Open(Logger log, std::string* error);
    ~SimulatedRadio();
    SimulatedRadio(const SimulatedRadio&) = delete;
    SimulatedRadio& operator=(const SimulatedRadio&) = delete;

    const std::string& DevicePath() const { return devicePath_; }
    int MasterFd() const { return master_; }

    // Announce by itself at start-up and whenever a client opens the line.
    void SetAutomaticAnnouncements(bool on) { autoAnnounce_ = on; }
    void SetFault(const FaultSetting& setting);
    // Send at the line rate (the default) or each reply in one piece.
    void SetPacing(bool on) { pacing_ = on; }
    // Silence between the 'O' to a read request and the first byte of the frame.
    void SetLatency(std::chrono::milliseconds latency) { latency_ = latency; }
    const FaultSetting& CurrentFault() const { return fault_; }
    const ParameterImage& Image() const { return image_; }
    void SetImage(const ParameterImage& image) { image_ = image; }
    // Called each time a completed write leaves the radio holding a new image.
    void OnImageKept(ImageKept callback) { imageKept_ = std::move(callback); }

    // Sends the announcement now, or as soon as the exchange under way has ended; returns false
    // when it had to be put off. Unless evenIfSilent, the silent fault keeps the radio quiet.
    bool RequestAnnouncement(Clock::time_point now, bool evenIfSilent);

    // Another radio is plugged in in place of this one, holding `image` (or the same image): what
    // this one was sending or about to send is cut off, its exchange forgotten, and the new one
    // announces at once.
    void Swap(Clock::time_point now, const std::optional<ParameterImage>& image);

    void OnReadable(Clock::time_point now);
    void OnTimer(Clock::time_point now);
    Clock::time_point NextWakeUp(Clock::time_point now) const;

    // True once the hangup fault has closed the line; the program should then end.
    bool HungUp() const { return master_ < 0; }

  private:
    SimulatedRadio(int master, int slave, std::string path, Logger log);

    // A piece of output: its first byte is due at `due`, byte k of it k byte times later. The
    // pause before it is kept even when the piece before it went out late.
    struct Pending {
        Clock::time_point due;
        std::chrono::milliseconds pause;
        std::vector<std::uint8_t> bytes;
        std::string log;
        bool hangUpAfter = false;
        bool whole = false;  // written in one piece when due, however late (an announcement)
        std::size_t sent = 0;
    };

    void TakeByte(std::uint8_t byte, Clock::time_point now);
    void FlushDropped();
    void HandleCommand(const std::vector<std::uint8_t>& command, Clock::time_point now);
    void HandleFrame(const DataFrame& frame, Clock::time_point now);
    void AnswerReadRequest(Clock::time_point now);
    void Schedule(Clock::time_point now, std::chrono::milliseconds delay,
                  std::vector<std::uint8_t> bytes, std::string log, bool hangUpAfter = false);
    void Reply(Clock::time_point now, std::uint8_t byte, const std::string& why);
    std::chrono::nanoseconds ByteTimes(std::size_t count) const;
    void SendDue(Clock::time_point now);
    void Write(const std::uint8_t* bytes, std::size_t count);
    void HangUp(const std::string& why);
    void WatchLineSpeed(Clock::time_point now);
    bool Busy(Clock::time_point now) const;
    void Announce(Clock::time_point now);
    void SendNoise(Clock::time_point now);
    void RepeatAnnouncement(Clock::time_point now);
    void Chatter(Clock::time_point now);
    bool ClientSilent(Clock::time_point now) const;

    int master_ = -1;
    int slave_ = -1;  // held open so that the line stays up while clients come and go
    std::string devicePath_;
    Logger log_;
    ImageKept imageKept_;

    ParameterImage image_;
    FaultSetting fault_;
    bool autoAnnounce_ = true;
    bool pacing_ = true;
    std::chrono::milliseconds latency_{0};

    std::vector<std::uint8_t> partial_;  // a command or frame being collected
    Clock::time_point partialStarted_;
    Clock::time_point lastByte_;
    std::vector<std::uint8_t> dropped_;  // stray bytes waiting to be logged

    std::deque<Pending> outputs_;
    Clock::time_point lineFreeAt_;  // when the last byte queued will have gone out
    Clock::time_point quietUntil_;  // the client is still busy with our last answer
    std::optional<ParameterImage> firstFrameImage_;  // first write frame acknowledged, second due

    std::optional<Clock::time_point> announceAt_;
    bool announceRequested_ = false;  // sent even while the silent fault is on
    unsigned lineSpeed_ = 0;
    Clock::time_point nextSpeedCheck_;

    std::optional<Clock::time_point> nextNoiseAt_;  // line-noise: when the next byte goes out
    std::mt19937 noise_{0x5EED};
    std::optional<Clock::time_point> nextRepeatAt_;   // announce-repeat: the next announcement
    std::optional<Clock::time_point> nextChatterAt_;  // chatter: the next stray byte
    Clock::time_point strayAt_;  // when the last byte of noise or chatter went out
};

}  // namespace belvan::sim
