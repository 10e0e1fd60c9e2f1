// The bytes on the line and in the file, checked against bytes written out here: the image, the
// read request, both write frames, a read frame and the 255-byte file. The expected checksums are
// worked out by hand, never by the tool's own code, so a checksum that adds up one byte too many
// or too few, or a frame or file laid out one byte off, fails here.
#include <gtest/gtest.h>

#include "files/settings_file.h"
#include "link/radio_exchange.h"
#include "memory_line.h"
#include "memory_radio.h"
#include "sample_images.h"

namespace belvan {
namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(text);
}  // blanks are skipped

const QByteArray kFiller(60, '\xFF');

// Channel 1 on 150.000/150.025 MHz, 25 kHz grid, CTCSS tone 7; channel 2 cleared; channels 3 to
// 16 all zero; the radio-wide settings at their start-up values; carried bytes 12 34.
ParameterImage WorkedImage() {
    using namespace ChannelFlag;
    ParameterImage image;
    image.SetRecord(
        0, {.flags = InUse | Step25 | DetectCtcss, .rxCode = 320, .txCode = 322, .toneNumber = 7});
    image.SetRecord(1, {.flags = Step25, .rxCode = NoFrequency, .txCode = NoFrequency});
    for (int slot = 0; slot < 2 * kKeySlots; ++slot)
        image.settings[std::size_t(SettingsOffset::f1Keys + slot)] = kNoFunctionCode;
    image.SetSettingsWord(SettingsOffset::waitTime, 1 * kWaitTimePerSecond);
    image.SetSettingsWord(SettingsOffset::maxTransmitTime, 1 * kMaxTransmitPerMinute);
    image.SetSettingsWord(SettingsOffset::transmitOffTime, 20 * kTransmitOffPerSecond);
    image.settings[SettingsOffset::carriedBytes] = 0x12;
    image.settings[SettingsOffset::carriedBytes + 1] = 0x34;
    return image;
}

struct Case {
    const char* name;
    ParameterImage image;
    QByteArray bytes;  // the image's 194 bytes
    // Checksum A (the file's checksum too: the same bytes, the same rule), then checksum B of the
    // first and of the second write frame.
    const char* sums;
};

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"worked values", WorkedImage(),
         Hex("0D 00 40 01 42 01 07 00 00 00"
             "04 00 FF FF FF FF 00 00 00 00") +
             QByteArray(140, '\0') + Hex("00 00 FF FF FF FF FF FF FF FF C8 00 B0 04 90 01") +
             QByteArray(16, '\0') + Hex("12 34"),
         "A7 6F 71"},
        {"every byte different", DistinctBytesImage(),
         Hex("03 0A 11 18 1F 26 2D 34 3B 42 49 50 57 5E 65 6C 73 7A 81 88"
             "8F 96 9D A4 AB B2 B9 C0 C7 CE D5 DC E3 EA F1 F8 FF 06 0D 14"
             "1B 22 29 30 37 3E 45 4C 53 5A 61 68 6F 76 7D 84 8B 92 99 A0"
             "A7 AE B5 BC C3 CA D1 D8 DF E6 ED F4 FB 02 09 10 17 1E 25 2C"
             "33 3A 41 48 4F 56 5D 64 6B 72 79 80 87 8E 95 9C A3 AA B1 B8"
             "BF C6 CD D4 DB E2 E9 F0 F7 FE 05 0C 13 1A 21 28 2F 36 3D 44"
             "4B 52 59 60 67 6E 75 7C 83 8A 91 98 9F A6 AD B4 BB C2 C9 D0"
             "D7 DE E5 EC F3 FA 01 08 0F 16 1D 24 2B 32 39 40 47 4E 55 5C"
             "63 6A 71 78 7F 86 8D 94 9B A2 A9 B0 B7 BE C5 CC D3 DA E1 E8"
             "EF F6 FD 04 0B 12 19 20 27 2E 35 3C 43 4A"),
         "F1 03 05"},
    };
    return cases;
}

QByteArray Sum(const Case& c, int which) {
    return Hex(c.sums).mid(which, 1);
}

template <typename Array>
QByteArray Bytes(const Array& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

TEST(WireBytesTest, TheImageAndTheFileAreTheseBytes) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.bytes.size(), kImageSize);
        EXPECT_EQ(Bytes(c.image.Bytes()).toHex(' '), c.bytes.toHex(' '));
        const QByteArray file = c.bytes + kFiller + Sum(c, 0);
        EXPECT_EQ(Bytes(BuildFileBytes(c.image)).toHex(' '), file.toHex(' '));
        FileBytes read;
        std::copy(file.begin(), file.end(), read.begin());
        EXPECT_EQ(ImageFromFileBytes(read), c.image);
    }
}

TEST(WireBytesTest, TheWriteSendsTheseTwoFrames) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        MemoryLine line;
        MemoryRadio radio;
        radio.Attach(line);
        ASSERT_TRUE(line.Open());
        EXPECT_EQ(WriteParameters(line, c.image).outcome, ExchangeOutcome::Written);
        ASSERT_EQ(line.Writes().size(), 2u);
        const QByteArray frame = c.bytes + kFiller + Sum(c, 0);
        EXPECT_EQ(line.Writes()[0].toHex(' '), (Hex("22 FF 00 00") + frame + Sum(c, 1)).toHex(' '));
        EXPECT_EQ(line.Writes()[1].toHex(' '), (Hex("22 FF 00 02") + frame + Sum(c, 2)).toHex(' '));
    }
}

// The read request, and a frame as the radio sends it: taken with both checksums right, refused
// with either one off.
TEST(WireBytesTest, TheReadSendsTheRequestAndTakesThisFrame) {
    for (const Case& c : Cases()) {
        const QByteArray frame = Hex("22 FF 00 00") + c.bytes + kFiller + Sum(c, 0) + Sum(c, 1);
        QByteArray wrongA = frame, wrongB = frame;
        wrongA[258] = char(wrongA[258] + 1);
        wrongB[259] = char(wrongB[259] + 1);
        for (const auto& [sent, outcome] : {std::pair{frame, ExchangeOutcome::Read},
                                            std::pair{wrongA, ExchangeOutcome::ChecksumA},
                                            std::pair{wrongB, ExchangeOutcome::ChecksumB}}) {
            SCOPED_TRACE(std::string(c.name) + ", outcome " + std::to_string(int(outcome)));
            MemoryLine line;
            line.SetResponder([&sent](MemoryLine& l, const QByteArray&) {
                l.Arrive(l.NowMs() + 2, "O" + sent, kMemoryByteMs);
            });
            ASSERT_TRUE(line.Open());
            const ReadResult read = ReadParameters(line, 0);
            ASSERT_EQ(line.Writes().size(), 1u);
            EXPECT_EQ(line.Writes()[0].toHex(' '), Hex("21 FF 00 00 20").toHex(' '));
            EXPECT_EQ(read.outcome, outcome);
            if (outcome == ExchangeOutcome::Read) {
                EXPECT_EQ(read.image, c.image);
            }
        }
    }
}

}  // namespace
}  // namespace belvan
