// libFuzzer target: arbitrary bytes and timings from the radio's side of an in-memory line, into
// the read, the write, the window's watch and the station's. Nothing may crash or hang, and a read
// succeeds only with a frame whose two checksums pass, as the radio's side adds them up.
//
// The input is a script of pieces: a delay byte (x 8 ms), a length byte, then that many bytes
// that arrive at 9600 baud; a length of 255 hangs the line up instead.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "link/connection_watch.h"
#include "link/radio_exchange.h"
#include "memory_line.h"
#include "radio_side_frame.h"

namespace {
void Script(belvan::MemoryLine& line, const std::uint8_t* data, std::size_t size) {
    qint64 at = 0;
    for (std::size_t i = 0; i + 1 < size;) {
        at += data[i] * 8;
        const std::size_t length = data[i + 1];
        i += 2;
        if (length == 255) {
            line.HangUpAt(at);
            continue;
        }
        const std::size_t taken = std::min(length, size - i);
        line.Arrive(at, QByteArray(reinterpret_cast<const char*>(data + i), qsizetype(taken)),
                    10.0 / 9.6);
        i += taken;
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace belvan;
    // The script is laid once; each exchange and watch runs on a copy of the line as scripted.
    // The copy is assigned to a line that keeps its room from input to input.
    MemoryLine scripted;
    scripted.Open();
    Script(scripted, data, size);
    static MemoryLine line;
    {
        line = scripted;
        const ReadResult read = ReadParameters(line, 0);
        if (Succeeded(read.outcome)) {
            if (read.frameBytes != kDataFrameSize) std::abort();
            radio_side::Frame frame;
            static_assert(sizeof frame == sizeof read.frame);
            std::copy(read.frame.begin(), read.frame.end(), frame.begin());
            if (!radio_side::ChecksumsHold(frame)) std::abort();
            if (read.image != ImageFromFrame(read.frame)) std::abort();
        } else if (read.outcome != ExchangeOutcome::NoAnswer &&
                   read.outcome != ExchangeOutcome::ChecksumA &&
                   read.outcome != ExchangeOutcome::ChecksumB &&
                   read.outcome != ExchangeOutcome::LineLost) {
            std::abort();
        }
        if (line.NowMs() > kLongestReadMs + 10) std::abort();
    }
    {
        line = scripted;
        const WriteResult write = WriteParameters(line, ParameterImage{});
        if (Succeeded(write.outcome) != (write.replyByte == kAcknowledge)) std::abort();
        if (Succeeded(write.outcome) && line.Writes().size() != 2) std::abort();
        if (line.NowMs() > kLongestWriteMs + 10) std::abort();
    }
    {
        line = scripted;
        for (int tick = 0; tick < 64 && !line.Lost(); ++tick) {
            PollRadioMessage(line);
            line.WaitForInput(30);
        }
    }
    {
        // The station's watch: every poll listens, and none holds the line beyond its limit.
        line = scripted;
        StationWatch watch;
        for (int poll = 0; poll < 64 && !line.Lost(); ++poll) {
            const qint64 before = line.NowMs();
            PollStation(line, watch);
            const qint64 took = line.NowMs() - before;
            if (took <= 0 || took > kStationLongestPollMs + kReadGapMs + 2) std::abort();
        }
    }
    return 0;
}
