// Channel lists as CHIRP's generic CSV: the tool's own export comes back byte for byte, other
// programs' exports are read, and every malformed row or file is refused with its reason.
#include <gtest/gtest.h>

#include <QString>
#include <string>

#include "files/channel_csv.h"
#include "plan/ctcss_table.h"
#include "support/windows_1251.h"

namespace belvan {
namespace {

std::string Hex(const ParameterImage& image) {
    std::string out;
    for (const auto byte : image.Bytes())
        out += QStringLiteral("%1 ").arg(byte, 2, 16, QLatin1Char('0')).toStdString();
    return out;
}

std::string Notes(const std::vector<CsvRowNote>& notes) {
    std::string out;
    for (const auto& note : notes) out += CsvRowNoteText(note).toStdString() + "\n";
    return out;
}

// A base with settings and reserved bytes that an import must keep.
ParameterImage Base() {
    ParameterImage base;
    for (int i = 0; i < kSettingsBlockSize; ++i)
        base.settings[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x30 + i);
    for (int c = 0; c < kChannelCount; ++c) {
        ChannelEntry empty;
        empty.flags = ChannelFlag::Step25;
        empty.reserved = static_cast<std::uint8_t>(0xA0 + c);
        empty.rxCode = empty.txCode = NoFrequency;
        base.SetRecord(c, empty);
    }
    return base;
}

ChannelEntry Entry(std::uint16_t rx, std::uint16_t tx, std::uint8_t flags, std::uint16_t tone) {
    ChannelEntry e;
    e.rxCode = rx;
    e.txCode = tx;
    e.toneNumber = tone;
    e.flags = flags;
    // The tool sets InUse for a receive frequency of whole kHz (an even code).
    e.Set(ChannelFlag::InUse, rx != NoFrequency && rx % 2 == 0);
    return e;
}

TEST(ChannelCsv, ExportWritesChirpsHeaderAndOneRowPerChannelWithAFrequency) {
    ParameterImage image = Base();
    using namespace ChannelFlag;
    image.SetRecord(0, Entry(320, 322, Step25 | DetectCtcss, 7));  // 150.000 / 150.025, tone 7
    image.SetRecord(1, Entry(1, 1, Scan | DetectCarrier, 0));      // 146.0125 simplex
    image.SetRecord(2, Entry(2318, NoFrequency, Step25 | Scan | Masking | DetectCarrier, 0));
    image.SetRecord(4, Entry(NoFrequency, 3, DetectCtcss, 0));  // transmit only, no tone
    image.SetRecord(15, Entry(2319, 2319, Step25 | DetectCarrier, 40));

    const QString expected =
        kCsvHeader + "\r\n" +
        "1,,150.000000,split,150.025000,TSQL,85.4,85.4,023,NN,023,Tone->Tone,FM,25.00,S,,,,,,\r\n"
        "2,,146.012500,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,12.50,,,,,,,\r\n"
        "3,,174.975000,off,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,25.00,,,маскирование,,,,"
        "\r\n"
        "5,,146.037500,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,12.50,S,,"
        "только передача; обнаружение по CTSS; без тона,,,,\r\n"
        "16,,174.987500,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,25.00,S,,"
        "\"тон 40 (62,5 Гц); шаг 25 кГц\",,,,\r\n";
    EXPECT_EQ(QString::fromUtf8(ExportCsv(image)), expected);
    EXPECT_TRUE(CsvExportLosses(image).isEmpty());
}

// Every combination of frequencies, flags and tone numbers a channel record can carry comes back
// exactly, with the base's settings and reserved bytes.
TEST(ChannelCsv, EveryKindOfChannelSurvivesExportThenImport) {
    struct Frequencies {
        std::uint16_t rx, tx;
    };
    const Frequencies frequencies[] = {
        {0, 0}, {2319, 2319},     {1, 2},           {320, 322},          {2318, 0},
        {5, 5}, {5, NoFrequency}, {NoFrequency, 7}, {2318, NoFrequency}, {NoFrequency, 0}};
    const std::uint16_t tones[] = {0, 1, 39, 40, 51, 52, 0xFFFF};
    std::vector<ChannelEntry> kinds;
    for (const Frequencies& f : frequencies)
        for (int flags = 0; flags < 32; ++flags)
            for (const std::uint16_t tone : tones)
                kinds.push_back(Entry(f.rx, f.tx, static_cast<std::uint8_t>(flags << 1), tone));

    for (std::size_t first = 0; first < kinds.size(); first += kChannelCount) {
        ParameterImage image = Base();
        for (int c = 0; c < kChannelCount && first + c < kinds.size(); ++c) {
            ChannelEntry e = kinds[first + c];
            e.reserved = static_cast<std::uint8_t>(first + c);
            image.SetRecord(c, e);
        }
        const QByteArray csv = ExportCsv(image);
        const CsvImport back = ImportCsv(csv, image);
        ASSERT_FALSE(back.error) << back.error->text.toStdString();
        ASSERT_TRUE(back.refused.empty()) << Notes(back.refused) << csv.toStdString();
        EXPECT_TRUE(back.warnings.empty()) << Notes(back.warnings);
        ASSERT_EQ(Hex(back.image), Hex(image)) << csv.toStdString();
    }
}

// A list as another radio's CHIRP export looks: its own column order, fewer columns, quoted
// fields, a byte-order mark, CRLF, three decimals, steps the radio has no use for.
TEST(ChannelCsv, ReadsAnotherRadiosExport) {
    const QByteArray csv =
        "\xEF\xBB\xBF"
        "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,Mode,TStep,Skip,Comment\r\n"
        "1,\"Ретранслятор, север\",146.850,-,0.600,Tone,100.0,88.5,FM,5.00,,\"сказал "
        "\"\"да\"\"\"\r\n"
        "2,SIMPLEX,146.525,,0.000,,88.5,88.5,NFM,5.00,S,\r\n"
        "\r\n"
        "4,PRIO,150.0125,+,0.0125,TSQL,88.5,69.30,FM,25.00,P,маскирование\r\n"
        "3,SPLIT,\"160.000000\",split,165.000000,TSQL,67.0,254.1,FM,12.50,,\r\n";
    ParameterImage base = Base();
    const CsvImport imported = ImportCsv(csv, base);
    ASSERT_FALSE(imported.error) << imported.error->text.toStdString();
    EXPECT_TRUE(imported.refused.empty()) << Notes(imported.refused);
    EXPECT_EQ(imported.channels, 4);

    using namespace ChannelFlag;
    ParameterImage expected = base;
    // 146.850 - 0.600 = 146.250; TStep 5.00 → the coarsest grid both lie on; Tone → CTCSS.
    ChannelEntry e = Entry(68, 20, Step25 | DetectCtcss | Scan, 12);
    e.reserved = 0xA0;
    expected.SetRecord(0, e);
    e = Entry(42, 42, Step25 | DetectCarrier, 0);  // NFM is FM; TStep 5.00 as above
    e.reserved = 0xA1;
    expected.SetRecord(1, e);
    e = Entry(1120, 1520, DetectCtcss | Scan, 51);  // TStep 12.50 kept although on 25 kHz
    e.reserved = 0xA2;
    expected.SetRecord(2, e);
    e = Entry(321, 322, DetectCtcss | Scan | Masking, 39);  // 25.00 off grid → 12.5 kHz
    e.reserved = 0xA3;
    expected.SetRecord(3, e);
    EXPECT_EQ(Hex(imported.image), Hex(expected));

    ASSERT_EQ(imported.warnings.size(), 3u) << Notes(imported.warnings);
    EXPECT_EQ(imported.warnings[0].line, 2);
    EXPECT_EQ(imported.warnings[0].column, QStringLiteral("Comment"));  // a note, not a phrase
    EXPECT_EQ(imported.warnings[1].line, 2);
    EXPECT_EQ(imported.warnings[1].column, QStringLiteral("Tone"));
    EXPECT_EQ(imported.warnings[2].line, 5);
    EXPECT_EQ(imported.warnings[2].column, QStringLiteral("Skip"));
}

// A semicolon-separated list with decimal commas, as a spreadsheet with Russian settings saves
// it, and a list without Location, numbered by its rows.
TEST(ChannelCsv, ReadsSpreadsheetVariants) {
    CsvImport imported =
        ImportCsv("Location;Frequency;Duplex;Offset\n7;\"146,025\";split;\"146,05\"\n", Base());
    ASSERT_FALSE(imported.error) << imported.error->text.toStdString();
    EXPECT_EQ(imported.image.Record(6).rxCode, 2);
    EXPECT_EQ(imported.image.Record(6).txCode, 4);

    // A tone within 0.05 Hz of the table's.
    imported = ImportCsv("Frequency,Tone,cToneFreq\n146.000,TSQL,71.95\n", Base());
    EXPECT_EQ(imported.image.Record(0).toneNumber, 2);

    imported = ImportCsv("frequency\n146.000\n\n146.025\n", Base());
    ASSERT_FALSE(imported.error) << imported.error->text.toStdString();
    EXPECT_EQ(imported.image.Record(0).rxCode, 0);
    EXPECT_EQ(imported.image.Record(1).rxCode, 2);
    EXPECT_TRUE(imported.image.Record(2).IsEmpty());
}

// What the tool's Comment phrases say is kept; any other text there, or in cells past the
// header's columns, is named, not dropped silently: a misspelt phrase, or a ';' in an unquoted
// Comment of a semicolon-separated file, would otherwise leave a setting out without a word.
TEST(ChannelCsv, TextTheImportDoesNotTakeIsAWarningNamingLineAndText) {
    const CsvImport imported = ImportCsv(
        "Location,Frequency,Comment\r\n"
        "1,146.000,МАСКИРОВАНИЕ;  ; Без обнаружения;\r\n"
        "2,146.025,маскированье; шаг 25 кГц\r\n"
        "3,146.050,\"Ретранслятор; север\"\r\n",
        Base());
    ASSERT_FALSE(imported.error) << imported.error->text.toStdString();
    EXPECT_TRUE(imported.refused.empty()) << Notes(imported.refused);
    EXPECT_EQ(imported.channels, 3);
    EXPECT_EQ(Notes(imported.warnings),
              "строка 3, Comment = «маскированье; шаг 25 кГц»: не распознана и пропущена фраза "
              "«маскированье»\n"
              "строка 4, Comment = «Ретранслятор; север»: не распознаны и пропущены фразы "
              "«Ретранслятор», «север»\n");
    using namespace ChannelFlag;
    EXPECT_TRUE(imported.image.Record(0).Has(Masking));
    EXPECT_FALSE(imported.image.Record(0).Has(DetectCarrier));
    EXPECT_FALSE(imported.image.Record(1).Has(Masking));
    EXPECT_TRUE(imported.image.Record(1).Has(Step25));

    const CsvImport split = ImportCsv(
        "Location;Frequency;Comment\r\n1;146,000;маскирование; без обнаружения;\r\n", Base());
    ASSERT_FALSE(split.error) << split.error->text.toStdString();
    EXPECT_EQ(Notes(split.warnings),
              "строка 2, столбец 4 = «без обнаружения»: в заголовке нет столбца 4; значение "
              "пропущено\n");
    EXPECT_TRUE(split.image.Record(0).Has(Masking));
}

// The plan of the export test above: masking, transmit only, a detection without a tone, a tone
// and a step the columns cannot carry, all in Russian in Comment.
ParameterImage PlanWithComments() {
    ParameterImage image = Base();
    using namespace ChannelFlag;
    image.SetRecord(0, Entry(320, 322, Step25 | DetectCtcss, 7));
    image.SetRecord(2, Entry(2318, NoFrequency, Step25 | Scan | Masking | DetectCarrier, 0));
    image.SetRecord(4, Entry(NoFrequency, 3, DetectCtcss, 0));
    image.SetRecord(15, Entry(2319, 2319, Step25 | DetectCarrier, 40));
    return image;
}

QByteArray Utf16WithByteOrderMark(const QString& text, bool littleEndian) {
    QByteArray bytes = littleEndian ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
    for (const QChar ch : text) {
        const char low = static_cast<char>(ch.unicode() & 0xFF);
        const char high = static_cast<char>(ch.unicode() >> 8);
        bytes.append(littleEndian ? low : high).append(littleEndian ? high : low);
    }
    return bytes;
}

// A list saved by a Russian spreadsheet (Windows-1251), by a Windows editor (UTF-16 with a
// byte-order mark) or by this tool (UTF-8) brings back the same channels; only Windows-1251,
// which is guessed, not marked, is named in a warning.
TEST(ChannelCsv, ReadsTheListInEachEncodingAndWarnsOfWindows1251) {
    const ParameterImage plan = PlanWithComments();
    const QByteArray utf8 = ExportCsv(plan);
    const QString text = QString::fromUtf8(utf8);
    ASSERT_TRUE(text.contains(CsvComment::Masking) && text.contains(CsvComment::TransmitOnly));
    ASSERT_EQ(test::ToWindows1251(QStringLiteral("маскирование")),
              QByteArray("\xEC\xE0\xF1\xEA\xE8\xF0\xEE\xE2\xE0\xED\xE8\xE5"));
    struct Case {
        const char* name;
        QByteArray data;
        bool warns;
    };
    const Case cases[] = {
        {"UTF-8", utf8, false},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + utf8, false},
        {"UTF-16LE", Utf16WithByteOrderMark(text, true), false},
        {"UTF-16BE", Utf16WithByteOrderMark(text, false), false},
        {"Windows-1251", test::ToWindows1251(text), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CsvImport imported = ImportCsv(c.data, plan);
        ASSERT_FALSE(imported.error) << imported.error->text.toStdString();
        EXPECT_TRUE(imported.refused.empty()) << Notes(imported.refused);
        EXPECT_EQ(Hex(imported.image), Hex(plan));
        if (!c.warns) {
            EXPECT_TRUE(imported.warnings.empty()) << Notes(imported.warnings);
            continue;
        }
        // The first row in Russian is channel 3's, on line 3.
        EXPECT_EQ(Notes(imported.warnings),
                  "файл не в кодировке UTF-8 (в строке 3 байты, которых в UTF-8 не бывает); "
                  "прочитан как Windows-1251\n");
        ASSERT_EQ(imported.warnings.size(), 1u);
        EXPECT_EQ(imported.warnings[0].line, 0);  // about the file, not a row
    }

    // As a spreadsheet with Russian settings saves it: semicolons, decimal commas, any case.
    const CsvImport imported = ImportCsv(
        test::ToWindows1251(QStringLiteral("Location;Frequency;Comment\r\n"
                                           "1;146,000;\"Маскирование; без обнаружения\"\r\n"
                                           "2;146,025;ТОЛЬКО ПЕРЕДАЧА\r\n")),
        Base());
    ASSERT_FALSE(imported.error) << imported.error->text.toStdString();
    EXPECT_EQ(imported.warnings.size(), 1u) << Notes(imported.warnings);
    EXPECT_TRUE(imported.image.Record(0).Has(ChannelFlag::Masking));
    EXPECT_FALSE(imported.image.Record(0).Has(ChannelFlag::DetectCarrier));
    EXPECT_EQ(imported.image.Record(1).rxCode, NoFrequency);
    EXPECT_EQ(imported.image.Record(1).txCode, 2);
}

// Whatever is not valid UTF-8 is Windows-1251, even one stray byte in English text; the
// warning names the line it is on. Valid UTF-8, four-byte sequences included, is not.
TEST(ChannelCsv, AnyByteSequenceThatIsNotUtf8MakesTheFileWindows1251) {
    struct Case {
        const char* name;
        QByteArray bytes;
        bool lineEnd;  // false: the sequence ends the file
    };
    const Case cases[] = {
        {"a Latin-1 letter", "Caf\xE9", true},
        {"a lone continuation byte", "\x80", true},
        {"an overlong '/'", "\xC0\xAF", true},
        {"a surrogate", "\xED\xA0\x80", true},
        {"above U+10FFFF", "\xF4\x90\x80\x80", true},
        {"a lead byte ending the file", "\xD0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray csv = "Location,Frequency,Name\r\n1,146.000,CH1\r\n2,146.025," + c.bytes +
                               (c.lineEnd ? "\r\n3,146.050,CH3\r\n" : "");
        const CsvImport imported = ImportCsv(csv, Base());
        ASSERT_FALSE(imported.error) << imported.error->text.toStdString();
        EXPECT_TRUE(imported.refused.empty()) << Notes(imported.refused);
        EXPECT_EQ(imported.channels, c.lineEnd ? 3 : 2);
        EXPECT_EQ(Notes(imported.warnings),
                  "файл не в кодировке UTF-8 (в строке 3 байты, которых в UTF-8 не бывает); "
                  "прочитан как Windows-1251\n");
    }

    const CsvImport valid =
        ImportCsv("Location,Frequency,Name\n1,146.000,\xF0\x9F\x93\xBB \xD0\xA0\n", Base());
    EXPECT_TRUE(!valid.error && valid.refused.empty())
        << (valid.error ? valid.error->text.toStdString() : Notes(valid.refused));
    EXPECT_TRUE(valid.warnings.empty()) << Notes(valid.warnings);

    // The upper half of Windows-1251 besides А..я, as a note the import passes on.
    const CsvImport note = ImportCsv(
        "Frequency,Comment\r\n146.000,\xB9"
        "5 \xAB\xA8\xEB\xEA\xE0\xBB \x90\x88\x99\x80\xA5\xB3\r\n",
        Base());
    ASSERT_EQ(note.warnings.size(), 2u) << Notes(note.warnings);
    EXPECT_EQ(note.warnings[1].value, QStringLiteral("№5 «Ёлка» ђ€™ЂҐі"));
}

TEST(ChannelCsv, RefusesEachBadRowWithLineColumnValueAndReason) {
    struct Case {
        const char*
            row;  // Location,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,Mode,TStep,Skip
        const char* column;
        const char* value;
        const char* reason;
    };
    const Case cases[] = {
        {"x,146.000,,,,,,FM,,", "Location", "x", "номер канала не число"},
        {",146.000,,,,,,FM,,", "Location", "", "не указан номер канала"},
        {"17,146.000,,,,,,FM,,", "Location", "17", "вне диапазона 1–16"},
        {"0,146.000,,,,,,FM,,", "Location", "0", "вне диапазона 1–16"},
        {"2,,,,,,,FM,,", "Frequency", "", "не указана частота"},
        {"2,146.0x,,,,,,FM,,", "Frequency", "146.0x", "частота не число"},
        {"2,-146.000,,,,,,FM,,", "Frequency", "-146.000", "частота не число"},
        {"2,1e2,,,,,,FM,,", "Frequency", "1e2", "частота не число"},
        {"2,145.9875,,,,,,FM,,", "Frequency", "145.9875", "вне диапазона"},
        {"2,175.000,,,,,,FM,,", "Frequency", "175.000", "вне диапазона"},
        {"2,146.005,,,,,,FM,,", "Frequency", "146.005", "не лежит на сетке 12,5 кГц"},
        {"2,174.000,+,1.000,,,,FM,,", "Offset", "1.000", "частота передачи 175,000 МГц вне"},
        {"2,146.500,-,0.600,,,,FM,,", "Offset", "0.600", "частота передачи 145,900 МГц вне"},
        {"2,146.500,split,180.000,,,,FM,,", "Offset", "180.000", "вне диапазона"},
        {"2,146.500,split,,,,,FM,,", "Offset", "", "не указана частота передачи"},
        {"2,146.500,+,abc,,,,FM,,", "Offset", "abc", "не число"},
        {"2,146.500,+,0.001,,,,FM,,", "Offset", "0.001", "не лежит на сетке"},
        {"2,146.500,x,,,,,FM,,", "Duplex", "x", "неизвестное значение"},
        {"2,146.500,,,TSQL,88.5,88.6,FM,,", "cToneFreq", "88.6", "нет среди 51 тона"},
        {"2,146.500,,,TSQL,88.5,88.551,FM,,", "cToneFreq", "88.551", "нет среди 51 тона"},
        {"2,146.500,-,200,,,,FM,,", "Offset", "200", "частота передачи -53,500 МГц вне"},
        {"2,146.500,,,TSQL,88.5,,FM,,", "cToneFreq", "", "не указана частота тона"},
        {"2,146.500,,,TSQL,88.5,abc,FM,,", "cToneFreq", "abc", "частота тона не число"},
        {"2,146.500,,,Tone,123.4,88.5,FM,,", "rToneFreq", "123.4", "нет среди 51 тона"},
        {"2,146.500,,,DTCS,88.5,88.5,FM,,", "Tone", "DTCS", "DTCS"},
        {"2,146.500,,,Cross,88.5,88.5,FM,,", "Tone", "Cross", "Cross"},
        {"2,146.500,,,TSQL-R,88.5,88.5,FM,,", "Tone", "TSQL-R", "TSQL-R"},
        {"2,146.500,,,Bogus,88.5,88.5,FM,,", "Tone", "Bogus", "неизвестный режим тона"},
        {"2,146.500,,,,,,AM,,", "Mode", "AM", "только в FM"},
        {"2,146.500,,,,,,DV,,", "Mode", "DV", "только в FM"},
        {"2,146.500,,,,,,FM,fast,", "TStep", "fast", "шаг не число"},
        {"2,146.500,,,,,,FM,,X", "Skip", "X", "неизвестное значение"},
    };
    for (const Case& c : cases) {
        const QByteArray csv = QByteArray(
                                   "Location,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,"
                                   "Mode,TStep,Skip\n1,146.000,,,,,,FM,,\n") +
                               c.row + "\n";
        const CsvImport imported = ImportCsv(csv, Base());
        SCOPED_TRACE(c.row);
        ASSERT_FALSE(imported.error) << imported.error->text.toStdString();
        ASSERT_EQ(imported.refused.size(), 1u) << Notes(imported.refused);
        const CsvRowNote& note = imported.refused.front();
        EXPECT_EQ(note.line, 3);
        EXPECT_EQ(note.column.toStdString(), c.column);
        EXPECT_EQ(note.value.toStdString(), c.value);
        EXPECT_TRUE(note.reason.contains(QString::fromUtf8(c.reason))) << note.reason.toStdString();
        // The good row is still taken, and only it.
        EXPECT_EQ(imported.channels, 1);
        EXPECT_EQ(imported.image.Record(0).rxCode, 0);
        EXPECT_TRUE(imported.image.Record(1).IsEmpty());
    }
}

TEST(ChannelCsv, RefusesARepeatedChannelAndNamesTheFirstLine) {
    const CsvImport imported = ImportCsv(
        "Location,Frequency\r\n3,146.000\r\n\"4\",\"146.025\r\n\"\r\n3,146.050\r\n", Base());
    ASSERT_EQ(imported.refused.size(), 1u) << Notes(imported.refused);
    // The quoted line break belongs to the row of line 3, so the repeat is on line 5.
    EXPECT_EQ(imported.refused[0].line, 5);
    EXPECT_EQ(imported.refused[0].column, QStringLiteral("Location"));
    EXPECT_TRUE(imported.refused[0].reason.contains(QStringLiteral("строке 2")));
    EXPECT_EQ(imported.image.Record(2).rxCode, 0);
}

// A list numbered from 0: by Location its first row has no channel and the others keep numbers
// one short of their place; renumbered, the accepted rows fill channels 1, 2, 3 … in file order.
TEST(ChannelCsv, RenumberingTakesAListNumberedFromZeroInFileOrder) {
    const QByteArray csv =
        "Location,Name,Frequency\r\n"
        "0,ONE,146.000\r\n"
        "1,TWO,146.025\r\n"
        "2,BAD,180.000\r\n"
        "3,FOUR,146.050\r\n"
        "3,FIVE,146.075\r\n";
    const CsvImport asNumbered = ImportCsv(csv, Base());
    EXPECT_FALSE(asNumbered.error) << asNumbered.error->text.toStdString();
    EXPECT_TRUE(asNumbered.locationsOutside);
    ASSERT_EQ(asNumbered.refused.size(), 3u) << Notes(asNumbered.refused);
    EXPECT_EQ(asNumbered.refused[0].line, 2);
    EXPECT_EQ(asNumbered.channels, 2);
    EXPECT_EQ(asNumbered.image.Record(0).rxCode, 2);

    const CsvImport renumbered = ImportCsv(csv, Base(), CsvNumbering::InFileOrder);
    EXPECT_FALSE(renumbered.error) << renumbered.error->text.toStdString();
    EXPECT_FALSE(renumbered.locationsOutside);
    // The out-of-band row is still refused and takes no number; a repeated Location is no
    // repeat in file order.
    ASSERT_EQ(renumbered.refused.size(), 1u) << Notes(renumbered.refused);
    EXPECT_EQ(renumbered.refused[0].line, 4);
    EXPECT_EQ(renumbered.refused[0].column, QStringLiteral("Frequency"));
    EXPECT_EQ(renumbered.channels, 4);
    const std::uint16_t expected[] = {0, 2, 4, 6};
    for (int c = 0; c < 4; ++c) EXPECT_EQ(renumbered.image.Record(c).rxCode, expected[c]) << c;
    ParameterImage reference = Base();
    for (int c = 0; c < 4; ++c) reference.SetRecord(c, renumbered.image.Record(c));
    EXPECT_EQ(Hex(renumbered.image), Hex(reference)) << "settings and the other channels kept";
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(renumbered.image.Record(c).reserved, 0xA0 + c) << "the base's reserved byte";
}

// A list longer than 16, numbered 101 and up: by Location nothing fits; renumbered, the first 16
// accepted rows become the channels and the rest are refused with their lines.
TEST(ChannelCsv, RenumberingTakesTheFirstSixteenRowsOfALongerList) {
    QByteArray csv = "Location,Frequency\n";
    for (int row = 0; row < 20; ++row)
        csv +=
            QStringLiteral("%1,%2\n").arg(101 + row).arg(146.0 + 0.025 * row, 0, 'f', 3).toLatin1();
    const CsvImport asNumbered = ImportCsv(csv, Base());
    EXPECT_EQ(asNumbered.error,
              (Error{ErrorKind::WrongFile, QStringLiteral("ни одна строка файла не подошла")}));
    EXPECT_TRUE(asNumbered.locationsOutside);

    const CsvImport renumbered = ImportCsv(csv, Base(), CsvNumbering::InFileOrder);
    EXPECT_FALSE(renumbered.error) << renumbered.error->text.toStdString();
    EXPECT_EQ(renumbered.channels, kChannelCount);
    for (int c = 0; c < kChannelCount; ++c)
        EXPECT_EQ(renumbered.image.Record(c).rxCode, 2 * c) << c;
    ASSERT_EQ(renumbered.refused.size(), 4u) << Notes(renumbered.refused);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(renumbered.refused[static_cast<std::size_t>(i)].line, 18 + i);
        EXPECT_EQ(CsvRowNoteText(renumbered.refused[static_cast<std::size_t>(i)]),
                  QStringLiteral("строка %1, Location = «%2»: в радиостанции 16 каналов; для "
                                 "этой строки канала нет")
                      .arg(18 + i)
                      .arg(117 + i));
    }
}

// Only a Location outside 1–16 marks the list as one renumbering could help.
TEST(ChannelCsv, OtherRefusalsDoNotAskForRenumbering) {
    for (const QByteArray& csv :
         {QByteArray("Location,Frequency\n1,146.000\n2,180.000\n1,146.025\nx,146.050\n"),
          QByteArray("Frequency\n146.000\n146.025\n")}) {
        const CsvImport imported = ImportCsv(csv, Base());
        EXPECT_FALSE(imported.locationsOutside) << csv.toStdString();
    }
    EXPECT_TRUE(ImportCsv("Location,Frequency\n17,146.000\n", Base()).locationsOutside);
    EXPECT_TRUE(ImportCsv("Location,Frequency\n-1,146.000\n", Base()).locationsOutside);
}

TEST(ChannelCsv, AFileThatIsNoChannelListChangesNothingAndSaysWhy) {
    struct Case {
        QByteArray data;
        const char* reason;
    };
    QByteArray garbage;
    for (int i = 0; i < 600; ++i) garbage += static_cast<char>((i * 73 + 11) % 256);
    QByteArray garbageWithoutNul = garbage;
    garbageWithoutNul.replace('\0', '\x01');
    const Case cases[] = {
        {"", "файл пуст"},
        {"\xEF\xBB\xBF \r\n\r\n", "файл пуст"},
        {garbage, "не текстовый файл"},
        {garbageWithoutNul, "не текстовый файл"},
        {"Location,Name,Freq\n1,a,146.000\n", "нет столбца Frequency"},
        {"Location,Frequency,frequency\n", "указан дважды"},
        {"Location,Frequency\n", "нет ни одного канала"},
        {"Location,Frequency\n1,\"146.000\n2,146.025\n", "не закрыта"},
        {"Location,Frequency\n1,300\n2,x\n", "ни одна строка"},
        {QByteArray(kCsvMaxBytes + 1, 'a'), "больше 4 МБ"},
        {"Frequency\n" + QByteArray("146.000\n").repeated(kCsvMaxRows + 1), "больше 10000 строк"},
        {"Frequency" + QByteArray(kCsvMaxColumns + 1, ','), "больше 1000 столбцов"},
        // Marked as Unicode, but the bytes are not: damaged, not another encoding.
        {"\xEF\xBB\xBFLocation,Frequency\r\n1,146.000\r\n2,146.0\xE9\r\n",
         "помечен как UTF-8, но в строке 3 байты, которых в UTF-8 не бывает"},
        {Utf16WithByteOrderMark(QStringLiteral("Frequency\r\n146.000\r\n"), true) + "\n",
         "помечен как UTF-16, но его байты не образуют текста UTF-16"},
        {Utf16WithByteOrderMark(QStringLiteral("Frequency\r\n146.000\r\n") + QChar(0xDC00), false),
         "помечен как UTF-16, но его байты не образуют текста UTF-16"},
    };
    for (const Case& c : cases) {
        const CsvImport imported = ImportCsv(c.data, Base());
        ASSERT_TRUE(imported.error) << c.reason;
        EXPECT_EQ(imported.error->kind, ErrorKind::WrongFile);
        EXPECT_TRUE(imported.error->text.contains(QString::fromUtf8(c.reason)))
            << c.reason << " / " << imported.error->text.toStdString();
        EXPECT_EQ(imported.channels, 0);
    }
}

TEST(ChannelCsv, ExportNamesTheChannelsAnImportWouldRefuse) {
    ParameterImage image = Base();
    image.SetRecord(3, Entry(2320, 2320, ChannelFlag::Step25, 0));  // 175.000 MHz after rounding
    const QStringList losses = CsvExportLosses(image);
    ASSERT_EQ(losses.size(), 1);
    EXPECT_TRUE(losses[0].startsWith(QStringLiteral("канал 04: частота 175,000 МГц")))
        << losses[0].toStdString();
}

}  // namespace
}  // namespace belvan
