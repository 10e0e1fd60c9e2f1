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
// A message has ended: an announcement counts a radio unless one is already there.
StationEvent EndMessage(StationWatch& watch) {
    const bool announcement =
        watch.messageLength == kAnnouncementLength && watch.startsAnnouncement;
    watch.messageLength = 0;
    watch.startsAnnouncement = false;
    if (!announcement) return StationEvent::Nothing;
    if (watch.radioPresent) return StationEvent::SameRadio;
    watch.radioPresent = true;
    return StationEvent::NewRadio;
}
}  // namespace

StationEvent PollStation(Line& line, StationWatch& watch, qint64 listenMs) {
    StationEvent seen = StationEvent::Nothing;
    if (!line.IsOpen()) return seen;
    const qint64 start = line.NowMs();
    for (;;) {
        if (line.Lost()) {
            watch.messageLength = 0;
            return seen;
        }
        // Everything waiting is taken at once: junk costs no more than a message's time.
        if (const qint64 waiting = line.BytesWaiting(); waiting > 0) {
            const QByteArray got = line.Take(waiting);
            if (got.isEmpty()) continue;
            if (watch.messageLength == 0)
                watch.startsAnnouncement = static_cast<std::uint8_t>(got[0]) == kAnnouncementStart;
            watch.messageLength += got.size();
            watch.lastByteAt = watch.heardAt = line.NowMs();
            continue;
        }
        const qint64 now = line.NowMs();
        if (watch.messageLength > 0 && now - watch.lastByteAt > kReadGapMs) {
            const StationEvent event = EndMessage(watch);
            if (event == StationEvent::NewRadio) return event;
            if (event == StationEvent::SameRadio) seen = event;
            continue;
        }
        if (watch.messageLength == 0 && watch.radioPresent &&
            now - watch.heardAt >= kStationQuietMs)
            watch.radioPresent = false;
        if (watch.messageLength == 0 && now - start >= listenMs) return seen;
        if (now - start >= std::max<qint64>(listenMs, kStationLongestPollMs)) return seen;
        const qint64 until =
            watch.messageLength > 0 ? watch.lastByteAt + kReadGapMs + 1 : start + listenMs;
        line.WaitForInput(std::max<qint64>(1, until - now));
    }
}

}  // namespace belvan
