#include "memory_radio.h"

#include <algorithm>

#include "link/radio_frame.h"

namespace belvan {

QByteArray Announcement() {
    QByteArray bytes(kAnnouncementLength, '\x42');
    bytes[0] = char(kAnnouncementStart);
    return bytes;
}

ParameterImage DifferentImage(int settingsBytes) {
    ParameterImage image;
    for (int c = 0; c < kChannelCount; ++c) {
        ChannelEntry entry;
        entry.flags = ChannelFlag::InUse;
        entry.rxCode = static_cast<std::uint16_t>(100 + c);
        entry.txCode = static_cast<std::uint16_t>(200 + c);
        image.SetRecord(c, entry);
    }
    for (int i = 0; i < settingsBytes; ++i)
        image.settings[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i + 1);
    return image;
}

std::unique_ptr<MemoryLine> MemoryRadio::MakeLine() {
    auto line = std::make_unique<MemoryLine>();
    line->SetResponder([this](MemoryLine& l, const QByteArray& written) { Answer(l, written); });
    line->SetOpenFailure(openFailure);
    if (announceAtMs >= 0) line->Arrive(announceAtMs, Announcement(), kMemoryByteMs);
    return line;
}

void MemoryRadio::Answer(MemoryLine& line, const QByteArray& written) {
    const qint64 now = line.NowMs();
    if (written == QByteArray::fromHex("21FF000020")) {
        ++reads;
        if (readsAnswered >= 0 && reads > readsAnswered) return;
        const DataFrame frame = BuildDataFrame(held, 0);
        line.Arrive(now + 2, "O");
        line.Arrive(now + 4,
                    QByteArray(reinterpret_cast<const char*>(frame.data()), kDataFrameSize),
                    kMemoryByteMs);
        return;
    }
    if (written.size() != kDataFrameSize) return;
    ++writes;
    const bool second = written[FrameOffset::sequence] == char(kSecondWriteFrame);
    if (second && refusesSecondFrame) return;
    const qint64 ackAt = now + 1 + static_cast<qint64>(kDataFrameSize * kMemoryByteMs) + ackDelayMs;
    line.Arrive(ackAt, "O");
    if (!second) return;
    DataFrame frame;
    std::copy(written.begin(), written.end(), frame.begin());
    if (keepsWrites) held = ImageFromFrame(frame);
    if (writes != 2) return;
    for (int i = 1; i <= repeats; ++i) line.Arrive(ackAt + 100 * i, Announcement(), kMemoryByteMs);
    if (quietMs > 0)
        line.Arrive(ackAt + 100 * repeats + kAnnouncementLength + quietMs, Announcement(),
                    kMemoryByteMs);
}

}  // namespace belvan
