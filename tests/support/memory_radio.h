// A radio at the other end of an in-memory line: it answers the read request with the image it
// holds and acknowledges both write frames, each when the line rate would let it, and misbehaves
// when told to. For tests of what is built on the exchanges: the programming job, the command
// line's port worker.
#pragma once

#include <QByteArray>
#include <memory>
#include <optional>

#include "core/error.h"
#include "image/parameter_image.h"
#include "memory_line.h"

namespace belvan {

inline constexpr double kMemoryByteMs = 10.0 / 9.6;  // one byte at 9600 baud

// The radio's 23-byte announcement.
QByteArray Announcement();
// An image unlike the empty one in every channel and in the first `settingsBytes` settings bytes.
ParameterImage DifferentImage(int settingsBytes);

struct MemoryRadio {
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
    int writes = 0;         // write frames received
    int reads = 0;          // read requests received

    // A line to this radio. The radio must outlive it.
    std::unique_ptr<MemoryLine> MakeLine();
    // What the radio does with the bytes written to it.
    void Answer(MemoryLine& line, const QByteArray& written);
};

}  // namespace belvan
