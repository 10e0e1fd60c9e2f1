#include "channel_entry.h"

namespace belvan {

namespace {
void PutWord(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}
std::uint16_t GetWord(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}
}  // namespace

std::array<std::uint8_t, kChannelRecordSize> ChannelEntry::ToBytes() const {
    std::array<std::uint8_t, kChannelRecordSize> bytes{};
    bytes[RecordOffset::flags] = flags;
    bytes[RecordOffset::reserved] = reserved;
    PutWord(&bytes[RecordOffset::rxCode], rxCode);
    PutWord(&bytes[RecordOffset::txCode], txCode);
    PutWord(&bytes[RecordOffset::toneNumber], toneNumber);
    PutWord(&bytes[RecordOffset::spare], spare);
    return bytes;
}

ChannelEntry ChannelEntry::FromBytes(const std::uint8_t* record) {
    ChannelEntry entry;
    entry.flags = record[RecordOffset::flags];
    entry.reserved = record[RecordOffset::reserved];
    entry.rxCode = GetWord(record + RecordOffset::rxCode);
    entry.txCode = GetWord(record + RecordOffset::txCode);
    entry.toneNumber = GetWord(record + RecordOffset::toneNumber);
    entry.spare = GetWord(record + RecordOffset::spare);
    return entry;
}

}  // namespace belvan
