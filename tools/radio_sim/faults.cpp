#include "faults.h"

#include <algorithm>

namespace belvan::sim {

namespace {
struct Entry {
    Fault fault;
    std::string_view name;
    std::string_view what;
};

constexpr Entry kFaults[] = {
    {Fault::None, "none", "behaves"},
    {Fault::Silent, "silent", "answers nothing, announces only on demand"},
    {Fault::Late, "late", "the 'O' to a read request comes --late-ms late"},
    {Fault::Noise, "noise", "--noise-count stray bytes before the 'O' to a read request"},
    {Fault::BadChecksumA, "bad-checksum-a", "read frame with a wrong checksum A"},
    {Fault::BadChecksumB, "bad-checksum-b", "read frame with a right A and a wrong checksum B"},
    {Fault::ShortFrame, "short-frame", "only the first --short-count bytes of the read frame"},
    {Fault::ZeroFrame, "zero-frame", "260 zero bytes as the read frame (both checksums pass)"},
    {Fault::GarbageFrame, "garbage-frame", "260 bytes of junk with wrong checksums"},
    {Fault::Split5, "split5", "the read frame in two halves, 5 ms of silence between them"},
    {Fault::Split20, "split20", "the read frame in two halves, 20 ms of silence between them"},
    {Fault::NakFirst, "nak-first", "'E' instead of 'O' to the first write frame"},
    {Fault::NakSecond, "nak-second", "'E' instead of 'O' to the second write frame"},
    {Fault::SilentFirst, "silent-first", "no answer to the first write frame"},
    {Fault::SilentSecond, "silent-second", "no answer to the second write frame"},
    {Fault::OtherThenAck, "other-then-ack", "'E' and then 'O' to the first write frame"},
    {Fault::ChangesImage, "changes-image",
     "acknowledges a write, but keeps channel 3's receive code\n"
     "                      2 higher than written (a read back shows the change)"},
    {Fault::FalseAnnounce, "false-announce",
     "announces with 23 bytes that begin with 0x11 and hold no 0x10"},
    {Fault::Hangup, "hangup",
     "closes the line after 130 bytes of the read frame, or after\n"
     "                      taking the first write frame; exits with code 3"},
    {Fault::DoubleAck, "double-ack", "\"OO\" to the first write frame, 'E' to the second"},
    {Fault::LateFrame, "late-frame",
     "the read frame 2.5 s after the 'O' (after the tool has given\n"
     "                      up), with 0x10 bytes in its filler"},
    {Fault::LineNoise, "line-noise",
     "no radio, only noise: random bytes at about 50 a second,\n"
     "                      one in four of them 0x10 and one in eight an 'O'; no\n"
     "                      answers and no announcements of its own"},
    {Fault::AnnounceRepeat, "announce-repeat",
     "announces every 0.1 s, but never into an exchange: none\n"
     "                      while it receives or answers, nor for 0.5 s after the last\n"
     "                      byte it received"},
    {Fault::Chatter, "chatter",
     "a stray byte 55 every second, as a poor cable gives, but\n"
     "                      never into an exchange: none while it receives or answers,\n"
     "                      nor for 0.5 s after the last byte it received"},
};
}  // namespace

std::optional<Fault> FaultFromName(std::string_view name) {
    for (const Entry& entry : kFaults)
        if (entry.name == name) return entry.fault;
    return std::nullopt;
}

std::string_view FaultName(Fault fault) {
    for (const Entry& entry : kFaults)
        if (entry.fault == fault) return entry.name;
    return "?";
}

std::string AllFaultNames() {
    std::string names;
    for (const Entry& entry : kFaults) {
        if (!names.empty()) names += ", ";
        names += entry.name;
    }
    return names;
}

std::string FaultDescriptions() {
    std::string text;
    for (const Entry& entry : kFaults) {
        std::string line = "    " + std::string(entry.name);
        line.resize(std::max<std::size_t>(line.size() + 2, 22), ' ');
        text += line + std::string(entry.what) + "\n";
    }
    return text;
}

}  // namespace belvan::sim
