// The misbehaviours the simulated radio can be told to show, and their names on the command line
// and in the "fault" command.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace belvan::sim {

enum class Fault {
    None,
    Silent,         // answers nothing at all
    Late,           // the 'O' to a read request comes lateMs late, then the frame
    Noise,          // noiseCount bytes other than 'O' before the 'O' to a read request
    BadChecksumA,   // read frame with a wrong checksum A; checksum B fits the bytes sent
    BadChecksumB,   // read frame with checksum A right and checksum B wrong
    ShortFrame,     // only the first shortCount bytes of the read frame
    ZeroFrame,      // 260 zero bytes instead of the read frame; both checksums pass
    GarbageFrame,   // 260 bytes of junk with wrong checksums instead of the read frame
    Split5,         // the read frame in two halves with a 5 ms pause between them
    Split20,        // the read frame in two halves with a 20 ms pause between them
    NakFirst,       // 'E' instead of 'O' to the first write frame
    NakSecond,      // 'E' instead of 'O' to the second write frame
    SilentFirst,    // no answer to the first write frame
    SilentSecond,   // no answer to the second write frame
    OtherThenAck,   // 'E' and then 'O' to the first write frame
    ChangesImage,   // acknowledges a write but keeps channel 3's receive code 2 higher
    FalseAnnounce,  // announces with 23 bytes that begin with 0x11 instead of 0x10
    Hangup,     // closes the line half-way through the read frame, or after the first write frame,
                // and exits with code 3
    DoubleAck,  // "OO" to the first write frame, 'E' to the second
    LateFrame,  // the read frame, with 0x10 bytes in its filler, 2.5 s after the 'O'
    LineNoise,  // no radio: random bytes at about 50 a second, no answers, no announcements
    AnnounceRepeat,  // announces every 0.1 s while nobody talks to it
    Chatter,         // a stray byte 0x55 every second while nobody talks to it
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
// One line per fault, "  name  what it does", for the help text.
std::string FaultDescriptions();

}  // namespace belvan::sim
