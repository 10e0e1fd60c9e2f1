// The parameter image: encoding the plan and the radio-wide controls, decoding an image that
// arrived, and the round trip between the two.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "image/decoding.h"
#include "image/encoding.h"
#include "image/image_state.h"
#include "plan/channel_editing.h"
#include "plan/ctcss_table.h"
#include "plan/number_text.h"
#include "scripted_operator.h"

namespace belvan {
namespace {

using testing::Pick;
using testing::ScriptedOperator;
using testing::StartPlanWith;
using testing::Text;

// Bytes [from, to) as "C8 00 B0 04".
template <typename Bytes>
std::string Hex(const Bytes& bytes, int from, int to) {
    std::string out;
    for (int i = from; i < to; ++i) {
        char part[4];
        std::snprintf(part, sizeof part, "%02X ", static_cast<unsigned>(bytes[i]));
        out += part;
    }
    if (!out.empty()) out.pop_back();
    return out;
}

std::string RecordHex(const ParameterImage& image, int channel) {
    return Hex(image.channels, channel * kChannelRecordSize, (channel + 1) * kChannelRecordSize);
}

const char* const kDefaultSettings = "00 00 FF FF FF FF FF FF FF FF C8 00 B0 04 90 01";

class ImageTest : public ::testing::Test {
  protected:
    void SetUp() override { StartPlanWith(p, op); }

    // What a read from the radio does with the image that arrived.
    void TakeIn(const ParameterImage& image) {
        ResetSettingsControls(p);
        ClearAllChannels(p);
        p.BulkUpdateGuard = true;
        p.image = image;
        CopyImageToChannels(p);
        for (int c = 0; c < kChannelCount; ++c) ShowChannel(p, c);
        DecodeSettings(p);
        p.BulkUpdateGuard = false;
        RefreshInUseFlags(p);
        UpdateToneBoxes(p);
    }

    // What a write to the radio or a save does before the image leaves.
    void Encode() {
        RefreshInUseFlags(p);
        EncodeSettings(p);
        CopyChannelsToImage(p);
    }

    std::string Settings(int from, int to) const { return Hex(p.image.settings, from, to); }

    ImageState p;
    ScriptedOperator op;
};

// --- Encoding
// --------------------------------------------------------------------------------------

TEST_F(ImageTest, DefaultControlsEncode) {
    // Bytes 16..31 are rebuilt, the carried bytes 32 and 33 are not.
    p.image.settings.fill(0x77);
    p.image.settings[32] = 0xAB;
    p.image.settings[33] = 0xCD;
    EXPECT_TRUE(EncodeSettings(p));
    EXPECT_EQ(Settings(0, 16), kDefaultSettings);
    for (int i = 16; i < 32; ++i) EXPECT_EQ(p.image.settings[i], 0) << i;
    EXPECT_EQ(Settings(32, 34), "AB CD");
    for (int c = 0; c < kChannelCount; ++c) EXPECT_EQ(p.Channel(c).toneNumber, 0);

    CopyChannelsToImage(p);
    for (int c = 0; c < kChannelCount; ++c)
        EXPECT_EQ(RecordHex(p.image, c), "04 00 FF FF FF FF 00 00 00 00") << c;
}

TEST_F(ImageTest, ModeFlagsAndOperatingMode) {
    p.ctl.CheckBox3 = true;
    p.ctl.CheckBox6 = true;
    EncodeSettings(p);
    EXPECT_EQ(p.image.settings[SettingsOffset::modeFlags], 3);
    p.ctl.CheckBox6 = false;
    EncodeSettings(p);
    EXPECT_EQ(p.image.settings[SettingsOffset::modeFlags], 2);
    p.ctl.CheckBox3 = false;
    p.ctl.CheckBox6 = true;
    EncodeSettings(p);
    EXPECT_EQ(p.image.settings[SettingsOffset::modeFlags], 1);

    struct Mode {
        bool b9, b10, b11, b12;
        int code;
    };
    for (const Mode& mode : {Mode{true, false, false, false, 0}, Mode{false, true, false, false, 2},
                             Mode{false, false, true, false, 3}, Mode{false, false, false, true, 1},
                             Mode{false, false, false, false, 0}}) {
        p.ctl.RadioButton9 = mode.b9;
        p.ctl.RadioButton10 = mode.b10;
        p.ctl.RadioButton11 = mode.b11;
        p.ctl.RadioButton12 = mode.b12;
        EncodeSettings(p);
        EXPECT_EQ(p.image.settings[SettingsOffset::operatingMode], mode.code);
    }
}

TEST_F(ImageTest, KeySlots) {
    for (int position = 0; position < kKeyFunctionCount; ++position)
        EXPECT_EQ(KeyIndexFromCode(KeyCodeFromIndex(position)), position);
    EXPECT_EQ(KeyCodeFromIndex(0), 0xFF);
    EXPECT_EQ(KeyCodeFromIndex(1), 3);
    EXPECT_EQ(KeyCodeFromIndex(6), 10);
    EXPECT_EQ(KeyCodeFromIndex(11), 15);
    EXPECT_EQ(KeyCodeFromIndex(-1), 255);

    p.ctl.keyBoxes[0].Select(1);                         // F1 slot 1: "ШП"
    p.ctl.keyBoxes[3].Select(5);                         // F1 slot 4: "Настройка ШП"
    p.ctl.keyBoxes[4].SetText(QStringLiteral("typed"));  // F2 slot 1: no list position
    p.ctl.keyBoxes[7].Select(11);                        // F2 slot 4: "Тон-2100Гц"
    ASSERT_EQ(p.ctl.keyBoxes[4].index, -1);
    EncodeSettings(p);
    EXPECT_EQ(Settings(2, 10), "03 FF FF 07 FF FF FF 0F");
}

TEST_F(ImageTest, TimeBoxes) {
    p.ctl.ComboBox4.SetText(QStringLiteral("10"));
    p.ctl.ComboBox29.SetText(QStringLiteral("10"));
    p.ctl.ComboBox30.SetText(QStringLiteral("90"));
    EncodeSettings(p);
    EXPECT_EQ(Settings(10, 16), "D0 07 E0 2E 08 07");

    // Typed values outside the lists and the largest values that fit.
    p.ctl.ComboBox4.SetText(QStringLiteral("15"));
    p.ctl.ComboBox29.SetText(QStringLiteral("54"));
    p.ctl.ComboBox30.SetText(QStringLiteral("3276"));
    EncodeSettings(p);
    EXPECT_EQ(Settings(10, 16), "B8 0B 20 FD F0 FF");
    p.ctl.ComboBox4.SetText(QStringLiteral("327"));
    p.ctl.ComboBox29.SetText(QStringLiteral("0"));
    EncodeSettings(p);
    EXPECT_EQ(Settings(10, 14), "78 FF 00 00");

    p.ctl.ComboBox4.SetText(QString());
    p.ctl.ComboBox29.SetText(QString());
    p.ctl.ComboBox30.SetText(QString());
    EncodeSettings(p);
    EXPECT_EQ(Settings(10, 16), "00 00 00 00 00 00");
}

TEST_F(ImageTest, NonNumberStopsTheEncodeHalfway) {
    EncodeSettings(p);
    ASSERT_EQ(Settings(12, 16), "B0 04 90 01");
    p.ctl.ComboBox29.SetText(QStringLiteral("abc"));
    try {
        EncodeSettings(p);
        FAIL() << "no ConversionError";
    } catch (const ConversionError& error) {
        EXPECT_STREQ(error.what(), "'abc' is not a valid integer value");
    }
    EXPECT_EQ(Settings(0, 12), "00 00 FF FF FF FF FF FF FF FF C8 00");
    EXPECT_EQ(Settings(12, 16), "00 00 00 00");

    p.ctl.ComboBox29.SetText(QStringLiteral("1"));
    p.ctl.ComboBox4.SetText(QStringLiteral("5 s"));
    EXPECT_THROW(EncodeSettings(p), ConversionError);
}

TEST_F(ImageTest, MakeImageIsTheThreeStepsWithoutTouchingAnything) {
    // A plan with a frequency typed into the grid the plan does not know yet, and a tone.
    Pick(p, QStringLiteral("150"), QStringLiteral("000"));
    p.ctl.ListBox1.index = 4;
    FillReceive(p);
    p.ctl.toneBoxes[4].SetText(QStringLiteral("07 - 85,4"));
    p.ctl.ComboBox4.SetText(QStringLiteral("3"));
    p.image.settings[SettingsOffset::carriedBytes] = 0x5A;
    const ChannelPlan plan = p.plan;
    const ParameterImage image = p.image;

    const PlanImage made = *MakeImage(p.plan, p.ctl, p.image);
    EXPECT_EQ(p.plan, plan);
    EXPECT_EQ(p.image, image);
    Encode();
    EXPECT_EQ(made.image, p.image);
    EXPECT_EQ(made.plan, p.plan);
    EXPECT_EQ(made.plan[4].toneNumber, 7);
    EXPECT_EQ(made.image.settings[SettingsOffset::carriedBytes], 0x5A);

    // A box it cannot take: the error, and still nothing changed.
    p.ctl.ComboBox29.SetText(QStringLiteral("abc"));
    const ChannelPlan before = p.plan;
    const ParameterImage imageBefore = p.image;
    const Result<PlanImage> refused = MakeImage(p.plan, p.ctl, p.image);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(),
              (Error{ErrorKind::Value, QStringLiteral("'abc' is not a valid integer value")}));
    EXPECT_EQ(p.plan, before);
    EXPECT_EQ(p.image, imageBefore);
}

TEST_F(ImageTest, ValuesThatDoNotFitAreRefused) {
    struct Case {
        ComboState Controls::*box;
        const char* text;
        const char* boxName;
        const char* limit;
    };
    const Case cases[] = {
        {&Controls::ComboBox4, "400", "Время ожидания (сек.)", "327"},
        {&Controls::ComboBox4, "328", "Время ожидания (сек.)", "327"},
        {&Controls::ComboBox4, "-1", "Время ожидания (сек.)", "327"},
        {&Controls::ComboBox29, "55", "Макс. время передачи(мин.)", "54"},
        {&Controls::ComboBox29, "-10", "Макс. время передачи(мин.)", "54"},
        {&Controls::ComboBox30, "3277", "Время откл. передачи (сек.)", "3276"},
        {&Controls::ComboBox30, "2147483647", "Время откл. передачи (сек.)", "3276"},
    };
    for (const Case& c : cases) {
        ImageState fresh;
        fresh.op = &op;
        (fresh.ctl.*c.box).SetText(QString::fromUtf8(c.text));
        try {
            EncodeSettings(fresh);
            ADD_FAILURE() << c.text << " in " << c.boxName << " was encoded";
        } catch (const RangeError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find(c.boxName), std::string::npos) << message;
            EXPECT_NE(message.find(c.limit), std::string::npos) << message;
            EXPECT_NE(message.find(c.text), std::string::npos) << message;
        }
    }
}

// A tone box's text as the window reads a typed tone and the encoder stores it; -1: refused
// naming the box and what it takes, -2: no number at all, the conversion error of every box.
TEST_F(ImageTest, ToneBoxTexts) {
    const std::pair<const char*, int> cases[] = {
        {"", 0},           {"51 - 254,1", 51}, {"07 - 85,4", 7}, {"5", 5},   {"07", 7},
        {"51", 51},        {"100", 12},        {"67", 1},        {"885", 8}, {"1188", 17},
        {"625", 40},       {"254", -1},        {"118", -1},      {"0", -1},  {"52", -1},
        {"07 - 85,5", -1}, {"xx - 85,4", -2}};
    for (const auto& [typed, tone] : cases) {
        const QString text = QString::fromUtf8(typed);
        const Result<int> read = ToneOfBoxText(text, 2);
        EXPECT_EQ(read ? *read : -1, qMax(tone, -1)) << typed;
        EXPECT_TRUE(read ||
                    read.error().text.contains(
                        QStringLiteral("канала 03: «%1» нет в таблице. Поле принимает").arg(text)))
            << typed;
        p.ctl.toneBoxes[2].SetText(text);
        int encoded = -1;
        try {
            EncodeSettings(p);
            encoded = p.Channel(2).toneNumber;
        } catch (const ConversionError&) {
            encoded = -2;
        } catch (const RangeError&) {
        }
        EXPECT_EQ(encoded, tone) << typed;
    }
}

TEST_F(ImageTest, ChannelRecordFromTheOperatorsSteps) {
    Pick(p, QStringLiteral("150"), QStringLiteral("000"));
    FillReceive(p);
    Pick(p, QStringLiteral("150"), QStringLiteral("025"));
    FillTransmit(p);
    SelectRadioButton6(p);
    ASSERT_TRUE(p.ctl.toneBoxes[0].enabled);
    p.ctl.toneBoxes[0].SetText(QStringLiteral("07 - 85,4"));

    Encode();
    EXPECT_EQ(RecordHex(p.image, 0), "0D 00 40 01 42 01 07 00 00 00");
    EXPECT_EQ(RecordHex(p.image, 1), "04 00 FF FF FF FF 00 00 00 00");
    EXPECT_TRUE(op.shown.empty());
}

// --- Decoding
// --------------------------------------------------------------------------------------

TEST_F(ImageTest, ChannelRecordsComeInWithUnusedBitsCleared) {
    ChannelEntry record;
    record.flags = 0xC9;
    record.reserved = 0x77;
    record.rxCode = 0x0140;
    record.txCode = 0x0142;
    record.toneNumber = 5;
    record.spare = 0x1234;
    p.image.SetRecord(3, record);
    CopyImageToChannels(p);
    const ChannelEntry& entry = p.Channel(3);
    EXPECT_EQ(entry.flags, 0x09);
    EXPECT_EQ(entry.reserved, 0x77);
    EXPECT_EQ(entry.rxCode, 0x0140);
    EXPECT_EQ(entry.txCode, 0x0142);
    EXPECT_EQ(entry.toneNumber, 5);
    EXPECT_EQ(entry.spare, 0);
    // The image's records replace the whole plan.
    EXPECT_EQ(p.Channel(0), ChannelEntry{});
}

TEST_F(ImageTest, TimesShowAsListEntries) {
    // Each time's box, and the entry it shows for a stored value.
    const struct {
        int offset;
        ComboState Controls::*box;
        std::vector<std::pair<std::uint16_t, const char*>> shown;
    } times[] = {
        {SettingsOffset::waitTime,
         &Controls::ComboBox4,
         {{1000, "5"}, {2000, "10"}, {0, "1"}, {3000, "1"}, {0xFFFF, "1"}}},
        {SettingsOffset::maxTransmitTime,
         &Controls::ComboBox29,
         {{12000, "10"}, {1300, "1"}, {4799, "3"}}},
        {SettingsOffset::transmitOffTime,
         &Controls::ComboBox30,
         {{400, "20"}, {1800, "90"}, {20, "10"}, {250, "10"}}},
    };
    for (const auto& time : times) {
        for (const auto& [stored, shown] : time.shown) {
            p.image.SetSettingsWord(time.offset, stored);
            DecodeSettings(p);
            const ComboState& box = p.ctl.*time.box;
            EXPECT_EQ(Text(box.text), shown) << "stored " << stored << " at " << time.offset;
            EXPECT_EQ(box.index, box.items.indexOf(box.text));
        }
    }
}

TEST_F(ImageTest, FunctionCodesShowAsListPositions) {
    const std::uint8_t codes[8] = {8, 255, 15, 3, 4, 0, 4, 16};
    for (int slot = 0; slot < 8; ++slot)
        p.image.settings[SettingsOffset::f1Keys + slot] = codes[slot];
    DecodeSettings(p);
    const int expected[8] = {0, 0, 11, 1, 2, 0, 2, 0};
    for (int slot = 0; slot < 8; ++slot)
        EXPECT_EQ(p.ctl.keyBoxes[slot].index, expected[slot]) << "slot " << slot;
    EXPECT_EQ(Text(p.ctl.keyBoxes[2].text), "Тон-2100Гц");
    EXPECT_EQ(Text(p.ctl.keyBoxes[0].text), "--= нет функции =--");
    EXPECT_EQ(Text(p.ctl.keyBoxes[4].text), "Маскирование");
    EXPECT_EQ(Text(p.ctl.keyBoxes[6].text), "Маскир-ие");  // F2 slot 3 has the short names
}

TEST_F(ImageTest, ModesComeIn) {
    struct Case {
        std::uint8_t flags, mode;
        bool cloning, priority, b9, b10, b11, b12;
    };
    const Case cases[] = {
        {3, 0, true, true, true, false, false, false},
        {2, 1, true, false, false, false, false, true},
        {1, 2, false, true, false, true, false, false},
        {0, 3, false, false, false, false, true, false},
        {0, 7, false, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        p.image.settings[SettingsOffset::modeFlags] = c.flags;
        p.image.settings[SettingsOffset::operatingMode] = c.mode;
        DecodeSettings(p);
        EXPECT_EQ(p.ctl.CheckBox3, c.cloning) << int(c.flags);
        EXPECT_EQ(p.ctl.CheckBox6, c.priority) << int(c.flags);
        EXPECT_EQ(p.ctl.RadioButton9, c.b9) << int(c.mode);
        EXPECT_EQ(p.ctl.RadioButton10, c.b10) << int(c.mode);
        EXPECT_EQ(p.ctl.RadioButton11, c.b11) << int(c.mode);
        EXPECT_EQ(p.ctl.RadioButton12, c.b12) << int(c.mode);
        EncodeSettings(p);
        EXPECT_EQ(p.image.settings[SettingsOffset::modeFlags], c.flags);
        EXPECT_EQ(p.image.settings[SettingsOffset::operatingMode], c.mode == 7 ? 0 : c.mode);
    }
}

TEST_F(ImageTest, ToneNumbersComeIn) {
    p.Channel(0).toneNumber = 40;
    p.Channel(1).toneNumber = 0;
    p.Channel(2).toneNumber = 52;
    p.Channel(3).toneNumber = 1;
    p.Channel(4).toneNumber = 39;
    p.ctl.toneBoxes[1].SetText(QStringLiteral("05 - 79,7"));
    p.ctl.toneBoxes[2].SetText(QStringLiteral("05 - 79,7"));
    DecodeSettings(p);
    EXPECT_EQ(Text(p.ctl.toneBoxes[0].text), "40 - 62,5");
    EXPECT_EQ(p.ctl.toneBoxes[0].index, 40);
    EXPECT_EQ(Text(p.ctl.toneBoxes[1].text), "");
    EXPECT_EQ(Text(p.ctl.toneBoxes[2].text), "");
    EXPECT_EQ(Text(p.ctl.toneBoxes[3].text), "01 - 67,0");
    EXPECT_EQ(Text(p.ctl.toneBoxes[4].text), "39 - 69,3");
    EXPECT_EQ(Text(ToneTextFromNumber(51)), "51 - 254,1");
}

TEST_F(ImageTest, ResetSettingsControls) {
    p.ctl.ComboBox4.SetText(QStringLiteral("7"));
    p.ctl.ComboBox29.SetText(QStringLiteral("abc"));
    p.ctl.ComboBox30.Select(8);
    for (auto& box : p.ctl.keyBoxes) box.Select(4);
    for (auto& box : p.ctl.toneBoxes) box.Select(9);
    p.ctl.RadioButton9 = false;
    p.ctl.RadioButton11 = true;
    p.ctl.CheckBox3 = true;
    p.ctl.CheckBox6 = true;

    ResetSettingsControls(p);
    EXPECT_EQ(Text(p.ctl.ComboBox4.text), "1");
    EXPECT_EQ(p.ctl.ComboBox4.index, 0);
    EXPECT_EQ(Text(p.ctl.ComboBox29.text), "1");
    EXPECT_EQ(p.ctl.ComboBox29.index, 0);
    EXPECT_EQ(Text(p.ctl.ComboBox30.text), "20");
    EXPECT_EQ(p.ctl.ComboBox30.index, 1);
    for (const auto& box : p.ctl.keyBoxes) EXPECT_EQ(Text(box.text), "--= нет функции =--");
    for (const auto& box : p.ctl.toneBoxes) EXPECT_TRUE(box.text.isEmpty());
    EXPECT_TRUE(p.ctl.RadioButton9);
    EXPECT_FALSE(p.ctl.RadioButton10 || p.ctl.RadioButton11 || p.ctl.RadioButton12);
    EXPECT_FALSE(p.ctl.CheckBox3 || p.ctl.CheckBox6);

    EncodeSettings(p);
    EXPECT_EQ(Settings(0, 16), kDefaultSettings);
}

// --- Round trip
// ------------------------------------------------------------------------------------

ChannelEntry Record(std::uint8_t flags, std::uint16_t rx, std::uint16_t tx, std::uint16_t tone,
                    std::uint8_t reserved = 0) {
    ChannelEntry entry;
    entry.flags = flags;
    entry.reserved = reserved;
    entry.rxCode = rx;
    entry.txCode = tx;
    entry.toneNumber = tone;
    return entry;
}

// An image as the tool produces it: every value one the window's lists offer.
ParameterImage SampleImage(int variant) {
    using namespace ChannelFlag;
    ParameterImage image;
    for (int c = 0; c < kChannelCount; ++c)
        image.SetRecord(
            c, Record(Step25, NoFrequency, NoFrequency, 0, static_cast<std::uint8_t>(c * 3)));
    image.SetRecord(0, Record(InUse | Step25 | DetectCtcss | Scan, 320, 322, 7, 0x33));
    image.SetRecord(1, Record(Masking | DetectCarrier, 1, 2319, 0));
    image.SetRecord(2, Record(InUse | Step25 | DetectCtcss | Masking | Scan, 2318, 0, 51));
    image.SetRecord(3, Record(Step25 | DetectCarrier, NoFrequency, 100, 0));
    image.SetRecord(4, Record(InUse | DetectCtcss, 4, 5, 40));
    image.SetRecord(5, Record(InUse | Step25 | DetectCarrier, 1000, NoFrequency, 0));
    image.SetRecord(6, Record(InUse | Step25, 10, 12, 0));  // neither detection bit
    image.SetRecord(15, Record(InUse | DetectCtcss | Scan, 2000, 2001, 39, 0xFE));

    auto& s = image.settings;
    if (variant == 0) {
        s[SettingsOffset::modeFlags] = ModeFlag::Cloning | ModeFlag::PriorityScan;
        s[SettingsOffset::operatingMode] = OperatingMode::Working;
        const std::uint8_t keys[8] = {3, 4, 5, 6, 10, 15, kNoFunctionCode, 7};
        for (int i = 0; i < 8; ++i) s[SettingsOffset::f1Keys + i] = keys[i];
        image.SetSettingsWord(SettingsOffset::waitTime, 5 * kWaitTimePerSecond);
        image.SetSettingsWord(SettingsOffset::maxTransmitTime, 3 * kMaxTransmitPerMinute);
        image.SetSettingsWord(SettingsOffset::transmitOffTime, 40 * kTransmitOffPerSecond);
    } else {
        s[SettingsOffset::modeFlags] = ModeFlag::PriorityScan;
        s[SettingsOffset::operatingMode] = OperatingMode::Test;
        const std::uint8_t keys[8] = {11, 12, 13, 14, kNoFunctionCode, kNoFunctionCode, 3, 4};
        for (int i = 0; i < 8; ++i) s[SettingsOffset::f1Keys + i] = keys[i];
        image.SetSettingsWord(SettingsOffset::waitTime, 10 * kWaitTimePerSecond);
        image.SetSettingsWord(SettingsOffset::maxTransmitTime, 10 * kMaxTransmitPerMinute);
        image.SetSettingsWord(SettingsOffset::transmitOffTime, 90 * kTransmitOffPerSecond);
    }
    s[SettingsOffset::carriedBytes] = 0x5A;
    s[SettingsOffset::carriedBytes + 1] = 0xA5;
    return image;
}

TEST_F(ImageTest, ImageComesBackByteForByte) {
    for (int variant = 0; variant < 2; ++variant) {
        SCOPED_TRACE(variant);
        const ParameterImage original = SampleImage(variant);
        TakeIn(original);
        Encode();
        for (int c = 0; c < kChannelCount; ++c)
            EXPECT_EQ(RecordHex(p.image, c), RecordHex(original, c)) << "channel " << c + 1;
        EXPECT_EQ(Hex(p.image.settings, 0, kSettingsBlockSize),
                  Hex(original.settings, 0, kSettingsBlockSize));
        EXPECT_TRUE(op.shown.empty());
    }
}

TEST_F(ImageTest, TakenInImageShowsInTheWindow) {
    TakeIn(SampleImage(0));
    EXPECT_EQ(Text(p.ctl.Cell(1, Column::Receive)), "    150000");
    EXPECT_EQ(Text(p.ctl.Cell(1, Column::Ctcss)), "   +");
    EXPECT_EQ(Text(p.ctl.Cell(2, Column::Receive)), "    146012,5");
    EXPECT_EQ(Text(p.ctl.Cell(2, Column::Transmit)), "    174987,5");
    EXPECT_EQ(Text(p.ctl.Cell(2, Column::Masking)), "     +");
    EXPECT_EQ(Text(p.ctl.Cell(2, Column::Step)), " 12,5");
    EXPECT_EQ(Text(p.ctl.Cell(7, Column::Carrier)), "     +");  // neither bit: carrier shown
    EXPECT_TRUE(p.ctl.Cell(8, Column::Receive).isEmpty());
    EXPECT_TRUE(p.ctl.channelMarks[0]);
    EXPECT_FALSE(p.ctl.channelMarks[8]);

    EXPECT_TRUE(p.ctl.toneBoxes[0].enabled);
    EXPECT_EQ(Text(p.ctl.toneBoxes[0].text), "07 - 85,4");
    EXPECT_TRUE(p.ctl.toneBoxes[4].enabled);
    EXPECT_EQ(Text(p.ctl.toneBoxes[4].text), "40 - 62,5");
    EXPECT_FALSE(p.ctl.toneBoxes[1].enabled);
    EXPECT_FALSE(p.ctl.toneBoxes[8].enabled);

    EXPECT_EQ(Text(p.ctl.ComboBox4.text), "5");
    EXPECT_EQ(Text(p.ctl.ComboBox29.text), "3");
    EXPECT_EQ(Text(p.ctl.ComboBox30.text), "40");
    EXPECT_EQ(Text(p.ctl.keyBoxes[5].text), "Тон-2100Гц");
    EXPECT_TRUE(p.ctl.CheckBox3);
    EXPECT_TRUE(p.ctl.CheckBox6);
    // The step buttons were left as they were.
    EXPECT_TRUE(p.ctl.RadioButton2);
    EXPECT_EQ(p.ctl.ListBox3.items.size(), 40);
}

TEST_F(ImageTest, TakingInReplacesTheEarlierPlan) {
    Pick(p, QStringLiteral("170"), QStringLiteral("500"));
    ListBox1Click(p, 10);
    FillReceive(p);
    FillTransmit(p);
    SelectRadioButton6(p);
    p.ctl.toneBoxes[10].Select(3);
    ASSERT_TRUE(p.ctl.channelMarks[10]);

    TakeIn(SampleImage(1));
    EXPECT_TRUE(p.ctl.Cell(11, Column::Receive).isEmpty());
    EXPECT_TRUE(p.ctl.Cell(11, Column::Ctcss).isEmpty());
    EXPECT_FALSE(p.ctl.channelMarks[10]);
    EXPECT_FALSE(p.ctl.toneBoxes[10].enabled);
    EXPECT_TRUE(p.ctl.toneBoxes[10].text.isEmpty());
    Encode();
    EXPECT_EQ(RecordHex(p.image, 10), RecordHex(SampleImage(1), 10));
}

}  // namespace
}  // namespace belvan
