// A radio at the other end of an in-memory line, paced at 9600 baud: it answers the read request
// with the image it holds and acknowledges both write frames, each when the line rate would let
// it, and misbehaves when told to. It lays out and checks its frames on its own (the radio's side,
// tools/radio_sim/radio_side_frame.h), not with the tool's frame code: a write frame whose
// checksums do not hold is answered with 'E'. For the exchanges and what is built on them: the
// programming job, the command line's port worker.
#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/error.h"
#include "image/parameter_image.h"
#include "memory_line.h"
#include "sample_images.h"

namespace belvan {

inline constexpr double kMemoryByteMs = 10.0 / 9.6;  // one byte at 9600 baud

// The radio's 23-byte announcement.
QByteArray Announcement();

struct MemoryRadio {
    using Frame = std::array<std::uint8_t, 260>;

    ParameterImage held{};
    bool keepsWrites = true;          // false: acknowledges both frames and keeps nothing
    int readsAnswered = -1;           // the read requests it answers, the first ones; -1: every one
    bool refusesSecondFrame = false;  // the second write frame gets no acknowledgement
    std::optional<Error> openFailure;  // its line does not open
    // Announcements: the first at `announceAtMs` on the line's clock; after the first completed
    // write, `repeats` of them 0.1 s apart, then one more after `quietMs` of silence.
    qint64 announceAtMs = -1;
    int repeats = 0;
    qint64 quietMs = 0;
    qint64 ackDelayMs = 0;  // thinking time before each acknowledgement
    // The answer to a read request: stray bytes before its 'O', silence between the 'O' and the
    // frame, how much of the frame is sent, a pause of `splitMs` after its first `splitAt` bytes,
    // and what is done to the frame before it goes.
    QByteArray beforeAck;
    qint64 latencyMs = 0;
    int frameBytes = 260;
    int splitAt = 0;
    qint64 splitMs = 0;
    std::function<void(Frame&)> spoil;
    // The answers to the first and the second write frame (empty: none).
    QByteArray ackFirst = "O", ackSecond = "O";

    int writes = 0;                    // write frames received
    int reads = 0;                     // read requests received
    std::vector<ParameterImage> kept;  // the image of every second write frame taken

    // A line to this radio. The radio must outlive it.
    std::unique_ptr<MemoryLine> MakeLine();
    // Makes this radio the other end of `line`.
    void Attach(MemoryLine& line);
    // What the radio does with the bytes written to it.
    void Answer(MemoryLine& line, const QByteArray& written);
};

}  // namespace belvan
