#include "connection_watch.h"

#include <algorithm>

#include "radio_frame.h"

namespace belvan {

bool PollRadioMessage(Line& line) {
    if (!line.IsOpen() || line.BytesWaiting() == 0) return false;
    const QByteArray first = line.Take(1);
    if (first.isEmpty() || static_cast<std::uint8_t>(first[0]) != kAnnouncementStart) return false;
    line.Read(kAnnouncementLength - 1);
    return true;
}

namespace {
// A message has ended: an announcement counts a radio unless one is there already.
StationEvent EndMessage(StationWatch& watch) {
    const bool announcement =
        watch.messageLength == kAnnouncementLength && watch.startsAnnouncement;
    watch.messageLength = 0;
    watch.startsAnnouncement = false;
    if (!announcement) return StationEvent::Nothing;
    const StationEvent event = !watch.radioPresent ? StationEvent::NewRadio
                               : watch.afterJob    ? StationEvent::LineBusy
                                                   : StationEvent::SameRadio;
    watch.radioPresent = true;
    watch.afterJob = false;
    watch.heardAt = watch.lastByteAt;
    return event;
}
}  // namespace

StationEvent PollStation(Line& line, StationWatch& watch, qint64 listenMs) {
    constexpr StationEvent nothing = StationEvent::Nothing;
    if (!line.IsOpen()) return nothing;
    const qint64 start = line.NowMs();
    for (;;) {
        if (line.Lost()) {
            watch.messageLength = 0;
            return nothing;
        }
        // The time is taken first: whatever arrived before it is taken before a gap is judged,
        // however late this thread runs.
        const qint64 now = line.NowMs();
        // Everything waiting is taken at once: junk costs no more than a message's time.
        if (const qint64 waiting = line.BytesWaiting(); waiting > 0) {
            const QByteArray got = line.Take(waiting);
            if (got.isEmpty()) continue;
            if (watch.messageLength == 0)
                watch.startsAnnouncement = static_cast<std::uint8_t>(got[0]) == kAnnouncementStart;
            watch.messageLength += got.size();
            watch.lastByteAt = line.NowMs();
            continue;
        }
        if (watch.messageLength > 0 && now - watch.lastByteAt > kReadGapMs) {
            const StationEvent event = EndMessage(watch);
            if (event != nothing) return event;
            continue;
        }
        if (watch.radioPresent && now - watch.heardAt >= kStationQuietMs)
            watch.radioPresent = false;
        if (watch.messageLength == 0 && now - start >= listenMs) return nothing;
        if (now - start >= std::max<qint64>(listenMs, kStationLongestPollMs)) return nothing;
        const qint64 until =
            watch.messageLength > 0 ? watch.lastByteAt + kReadGapMs + 1 : start + listenMs;
        line.WaitForInput(std::max<qint64>(1, until - now));
    }
}

}  // namespace belvan
