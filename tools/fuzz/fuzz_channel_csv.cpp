// libFuzzer target: arbitrary bytes as a CSV channel list. The reader never crashes; what it
// takes in keeps the base's settings and reserved bytes and holds only what the radio can hold;
// and what it took in is exported and read back unchanged.
#include <cstdint>
#include <cstdlib>

#include "files/channel_csv.h"
#include "plan/frequency.h"

namespace {
belvan::ParameterImage Base() {
    belvan::ParameterImage base;
    for (int i = 0; i < belvan::kSettingsBlockSize; ++i)
        base.settings[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7 + 1);
    for (int c = 0; c < belvan::kChannelCount; ++c) {
        belvan::ChannelEntry entry;
        entry.flags = belvan::ChannelFlag::Step25;
        entry.reserved = static_cast<std::uint8_t>(0xF0 + c);
        entry.rxCode = entry.txCode = belvan::NoFrequency;
        base.SetRecord(c, entry);
    }
    return base;
}

void Check(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace belvan;
    static const ParameterImage base = Base();
    // The input read where libFuzzer holds it, not copied: a read past its end is still caught.
    const CsvImport first = ImportCsv(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
        base);
    if (first.error) {
        Check(first.channels == 0);
        return 0;
    }
    Check(first.channels >= 1 && first.channels <= kChannelCount);
    Check(first.image.settings == base.settings);
    int named = 0;
    for (int c = 0; c < kChannelCount; ++c) {
        const ChannelEntry e = first.image.Record(c);
        Check(e.reserved == base.Record(c).reserved);
        Check(e.spare == 0 && (e.flags & ChannelFlag::Unused) == 0);
        Check(e.rxCode == NoFrequency || e.rxCode <= kHighestCode);
        Check(e.txCode == NoFrequency || e.txCode <= kHighestCode);
        Check(e.Has(ChannelFlag::InUse) == (e.rxCode != NoFrequency && e.rxCode % 2 == 0));
        named += e.IsEmpty() ? 0 : 1;
    }
    Check(named == first.channels);
    // A note of the whole file (the encoding guessed) comes first and only once.
    for (std::size_t i = 1; i < first.warnings.size(); ++i) Check(first.warnings[i].line > 0);

    const CsvImport second = ImportCsv(ExportCsv(first.image), first.image);
    Check(!second.error && second.refused.empty() && second.warnings.empty());
    Check(second.image == first.image);
    return 0;
}
