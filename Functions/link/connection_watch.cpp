#include "connection_watch.h"

#include "program_state.h"
#include "radio_frame.h"
#include "serial_port.h"

namespace belvan {

bool PollRadioMessage(ProgramState& p) {
    if (!p.PortHandle) return false;
    std::uint8_t byte = 0;
    if (p.PortHandle->ReadArrived(&byte, 1) != 1) return false;
    p.ReplyByte = byte;
    if (byte != kAnnouncementStart) return false;
    std::uint8_t rest[kAnnouncementLength - 1];
    const int got = p.PortHandle->ReadArrived(rest, kAnnouncementLength - 1);
    if (got > 0) p.ReplyByte = rest[got - 1];
    return true;
}

void Timer1Timer(ProgramState& p) {
    p.ctl.Timer1 = false;
    if (PollRadioMessage(p)) {
        p.ctl.Label39 = QStringLiteral("Устройство подключено.");
        return;
    }
    p.ctl.Timer1 = true;
}

}  // namespace belvan
