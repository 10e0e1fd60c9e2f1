#include "faults.h"

#include <array>
#include <utility>

namespace belvan::sim {

namespace {
constexpr std::array<std::pair<Fault, std::string_view>, 15> kNames = {{
    {Fault::None, "none"},
    {Fault::Silent, "silent"},
    {Fault::Late, "late"},
    {Fault::Noise, "noise"},
    {Fault::BadChecksumA, "bad-checksum-a"},
    {Fault::BadChecksumB, "bad-checksum-b"},
    {Fault::ShortFrame, "short-frame"},
    {Fault::ZeroFrame, "zero-frame"},
    {Fault::GarbageFrame, "garbage-frame"},
    {Fault::NakFirst, "nak-first"},
    {Fault::NakSecond, "nak-second"},
    {Fault::SilentFirst, "silent-first"},
    {Fault::SilentSecond, "silent-second"},
    {Fault::OtherThenAck, "other-then-ack"},
    {Fault::Hangup, "hangup"},
}};
}  // namespace

std::optional<Fault> FaultFromName(std::string_view name) {
    for (const auto& [fault, text] : kNames)
        if (text == name) return fault;
    return std::nullopt;
}

std::string_view FaultName(Fault fault) {
    for (const auto& [candidate, text] : kNames)
        if (candidate == fault) return text;
    return "?";
}

std::string AllFaultNames() {
    std::string names;
    for (const auto& [fault, text] : kNames) {
        if (!names.empty()) names += ", ";
        names += text;
    }
    return names;
}

}  // namespace belvan::sim
