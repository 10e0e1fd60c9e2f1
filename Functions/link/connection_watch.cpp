#include "connection_watch.h"

#include "radio_frame.h"

namespace belvan {

bool PollRadioMessage(Line& line) {
    if (!line.IsOpen() || line.BytesWaiting() == 0) return false;
    const QByteArray first = line.Take(1);
    if (first.isEmpty() || static_cast<std::uint8_t>(first[0]) != kAnnouncementStart) return false;
    line.Read(kAnnouncementLength - 1);
    return true;
}

}  // namespace belvan
