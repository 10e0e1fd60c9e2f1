#include "memory_radio.h"

#include <algorithm>

#include "link/radio_frame.h"
#include "radio_side_frame.h"

namespace belvan {

QByteArray Announcement() {
    QByteArray bytes(kAnnouncementLength, '\x42');
    bytes[0] = char(kAnnouncementStart);
    return bytes;
}

std::unique_ptr<MemoryLine> MemoryRadio::MakeLine() {
    auto line = std::make_unique<MemoryLine>();
    Attach(*line);
    return line;
}

void MemoryRadio::Attach(MemoryLine& line) {
    line.SetResponder([this](MemoryLine& l, const QByteArray& written) { Answer(l, written); });
    line.SetOpenFailure(openFailure);
    if (announceAtMs >= 0) line.Arrive(announceAtMs, Announcement(), kMemoryByteMs);
}

void MemoryRadio::Answer(MemoryLine& line, const QByteArray& written) {
    const qint64 now = line.NowMs();
    const auto& request = radio_side::kReadRequest;
    if (std::equal(written.begin(), written.end(), request.begin(), request.end(),
                   [](char a, std::uint8_t b) { return std::uint8_t(a) == b; })) {
        ++reads;
        if (readsAnswered >= 0 && reads > readsAnswered) return;
        const QByteArray ack = beforeAck + 'O';
        line.Arrive(now + 2, ack, kMemoryByteMs);
        Frame frame = radio_side::FrameOf(held);
        if (spoil) spoil(frame);
        const QByteArray bytes =
            QByteArray(reinterpret_cast<const char*>(frame.data()), frame.size()).left(frameBytes);
        const double start = now + 2 + ack.size() * kMemoryByteMs + latencyMs;
        const int first = splitAt > 0 ? splitAt : static_cast<int>(bytes.size());
        line.Arrive(static_cast<qint64>(start), bytes.left(first), kMemoryByteMs);
        if (splitAt > 0)
            line.Arrive(static_cast<qint64>(start + first * kMemoryByteMs + splitMs),
                        bytes.mid(first), kMemoryByteMs);
        return;
    }
    Frame frame;
    if (written.size() != qsizetype(frame.size())) return;
    ++writes;
    std::copy(written.begin(), written.end(), frame.begin());
    const qint64 ackAt = now + 1 + static_cast<qint64>(frame.size() * kMemoryByteMs) + ackDelayMs;
    if (!radio_side::ChecksumsHold(frame)) {
        line.Arrive(ackAt, "E");
        return;
    }
    const bool second = frame[radio_side::kSequenceAt] == 0x02;
    if (second && refusesSecondFrame) return;
    const QByteArray ack = second ? ackSecond : ackFirst;
    if (!ack.isEmpty()) line.Arrive(ackAt, ack, kMemoryByteMs);
    if (!second) return;
    kept.push_back(radio_side::ImageIn(frame));
    if (keepsWrites) held = kept.back();
    if (writes != 2) return;
    for (int i = 1; i <= repeats; ++i) line.Arrive(ackAt + 100 * i, Announcement(), kMemoryByteMs);
    if (quietMs > 0)
        line.Arrive(ackAt + 100 * repeats + kAnnouncementLength + quietMs, Announcement(),
                    kMemoryByteMs);
}

}  // namespace belvan
