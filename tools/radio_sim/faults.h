// The misbehaviours the simulated radio can be told to show, and their names on the command line
// and in the "fault" command.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace belvan::sim {

enum class Fault {
    None,
    Silent,        // answers nothing at all
    Late,          // the 'O' to a read request comes lateMs late, then the frame
    Noise,         // noiseCount bytes other than 'O' before the 'O' to a read request
    BadChecksumA,  // read frame with a wrong checksum A; checksum B fits the bytes sent
    BadChecksumB,  // read frame with checksum A right and checksum B wrong
    ShortFrame,    // only the first shortCount bytes of the read frame
    ZeroFrame,     // 260 zero bytes instead of the read frame; both checksums pass
    GarbageFrame,  // 260 bytes of junk with wrong checksums instead of the read frame
    NakFirst,      // 'E' instead of 'O' to the first write frame
    NakSecond,     // 'E' instead of 'O' to the second write frame
    SilentFirst,   // no answer to the first write frame
    SilentSecond,  // no answer to the second write frame
    OtherThenAck,  // 'E' and then 'O' to the first write frame
    Hangup,        // closes the line in the middle of an exchange and exits with code 3
};

struct FaultSetting {
    Fault fault = Fault::None;
    int lateMs = 1500;
    int noiseCount = 3;
    int shortCount = 200;
};

std::optional<Fault> FaultFromName(std::string_view name);
std::string_view FaultName(Fault fault);
std::string AllFaultNames();  // "none, silent, ..."

}  // namespace belvan::sim
