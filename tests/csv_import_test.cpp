// Channel lists as CSV through the program's handlers: exported and imported again, rows refused,
// lists numbered from 0 or past 16 renumbered on the operator's word, a Windows-1251 list, and
// handlers that cannot work changing nothing. Real files in a temporary folder.
#include <gtest/gtest.h>

#include <QDir>

#include "file_fixture.h"
#include "files/settings_file.h"
#include "form/csv_handlers.h"
#include "form/file_operations.h"
#include "plan/channel_editing.h"
#include "program_start.h"
#include "scripted_operator.h"
#include "support/windows_1251.h"
#include "test_files.h"

namespace belvan {
namespace {

using testing::EnterSamplePlan;
using testing::ExpectSameControls;
using testing::ExpectUnchanged;
using testing::FileTest;
using testing::ScriptedOperator;
using testing::ShownMessage;
using testing::Snapshot;
using testing::StartProgram;
using testing::Text;
using testing::WriteAll;

// The plan exported and imported again looks exactly as the same plan saved and loaded.
TEST_F(FileTest, CsvExportThenImportShowsWhatSaveThenLoadShows) {
    EnterSamplePlan(p);
    SaveAs(p, Path(QStringLiteral("plan.ctrch")));
    op.files.push_back(Path(QStringLiteral("plan")));
    EXPECT_EQ(Text(ExportCsvFile(p)), "В файл «plan.csv» экспортировано каналов: 3");
    EXPECT_TRUE(op.shown.empty());
    EXPECT_TRUE(FilesInDir().contains(QStringLiteral("plan.csv")));

    EXPECT_EQ(Text(Import(QStringLiteral("plan.csv"))),
              "Из файла «plan.csv» импортировано каналов: 3");
    EXPECT_TRUE(op.shown.empty());

    ProgramState loaded;
    ScriptedOperator loadedOp;
    StartProgram(loaded, loadedOp);
    // The selections are the operator's; neither the load nor the import touches them.
    ListBox1Click(loaded, p.ctl.ListBox1.index);
    loaded.ctl.ListBox2.index = p.ctl.ListBox2.index;
    loaded.ctl.ListBox3.index = p.ctl.ListBox3.index;
    loadedOp.files.push_back(Path(QStringLiteral("plan.ctrch")));
    Button12Click(loaded);
    EXPECT_EQ(loaded.plan, p.plan);
    ExpectSameControls(loaded.ctl, p.ctl);
    const auto image = ProduceImage(p);
    ASSERT_TRUE(image);
    EXPECT_EQ(*image, ImageFromFileBytes(loaded.FileBuffer));
}

TEST_F(FileTest, CsvImportListsRefusedRowsAndTakesTheRestOnYes) {
    EnterSamplePlan(p);
    p.Channel(9).reserved = 0x5A;
    p.ctl.ComboBox4.SetText(QStringLiteral("15"));  // typed, not in the list
    WriteAll(Path(QStringLiteral("list.csv")),
             "Location,Frequency,Tone,rToneFreq,cToneFreq\r\n"
             "2,146.025,TSQL,88.5,71.9\r\n"
             "3,180.000,,,\r\n"
             "4,146.050,Tone,88.5,88.5\r\n");
    EXPECT_FALSE(Import(QStringLiteral("list.csv"), Answer::Yes).isEmpty());
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.Last().kind, ShownMessage::YesNo);
    EXPECT_EQ(Text(op.Last().caption), "Импорт из CSV");
    EXPECT_TRUE(op.Last().text.contains(QStringLiteral("строка 3, Frequency = «180.000»")))
        << Text(op.Last().text);
    EXPECT_TRUE(op.Last().text.contains(QStringLiteral("строка 4, Tone = «Tone»")))
        << Text(op.Last().text);

    // Channels 1 and 16 of the sample are not in the list: empty now, reserved bytes kept.
    EXPECT_TRUE(p.Channel(0).IsEmpty());
    EXPECT_TRUE(p.Channel(15).IsEmpty());
    EXPECT_EQ(p.Channel(9).reserved, 0x5A);
    EXPECT_EQ(p.Channel(1).rxCode, 2);
    EXPECT_EQ(Text(p.ctl.toneBoxes[1].text), "02 - 71,9");
    EXPECT_TRUE(p.ctl.toneBoxes[1].enabled);
    EXPECT_EQ(Text(p.ctl.toneBoxes[3].text), "08 - 88,5");
    EXPECT_TRUE(p.Channel(2).IsEmpty());
    // The radio-wide settings stay as entered.
    EXPECT_TRUE(p.ctl.CheckBox3);
    EXPECT_EQ(Text(p.ctl.ComboBox29.text), "3");
    EXPECT_EQ(Text(p.ctl.ComboBox4.text), "15");
}

// A list numbered from 0: the question that offers to take the rest offers renumbering too.
// "Да" renumbers in the order of the file, "Нет" takes the rows whose numbers fit, "Отмена"
// changes nothing. Warnings the question listed are not shown again; those of rows only the
// renumbering takes are.
TEST_F(FileTest, CsvImportOfAListNumberedFromZeroOffersRenumbering) {
    EnterSamplePlan(p);
    WriteAll(Path(QStringLiteral("list.csv")),
             "Location,Name,Frequency,Tone,rToneFreq,Skip\r\n"
             "0,ONE,146.000,Tone,88.5,\r\n"
             "1,TWO,146.025,,,P\r\n"
             "2,THREE,146.050,,,\r\n");
    const QString question =
        QStringLiteral(
            "В файле «%1» не подошли строки (1):\n"
            "• строка 2, Location = «0»: номер канала вне диапазона 1–16\n\n"
            "Принято с изменениями:\n"
            "• строка 3, Skip = «P»: приоритетный канал принят как сканируемый: приоритетное "
            "сканирование задаётся для всей радиостанции\n\n"
            "В файле номера каналов не укладываются в 1–16 (нумерация с 0 или каналов больше 16). "
            "Пронумеровать каналы заново по порядку строк файла?\n\n"
            "Да — каналы 1–3 по порядку строк; названия каналов не сохраняются.\n"
            "Нет — импортировать остальные каналы (2) под их номерами.\n"
            "Отмена — ничего не менять.\n\n"
            "Каналы, которых нет в файле, станут пустыми.")
            .arg(QDir::toNativeSeparators(Path(QStringLiteral("list.csv"))));

    // Отмена: nothing changes.
    const Snapshot before(p);
    EXPECT_TRUE(Import(QStringLiteral("list.csv"), Answer::Cancel).isEmpty());
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.Last().kind, ShownMessage::YesNoCancel);
    EXPECT_EQ(op.Last().icon, MessageIcon::Question);
    EXPECT_EQ(Text(op.Last().caption), "Импорт из CSV");
    EXPECT_EQ(Text(op.Last().text), Text(question));
    ExpectUnchanged(before, p);

    // Нет: the rows that fit, under their numbers, and no second box.
    op.Clear();
    EXPECT_EQ(Text(Import(QStringLiteral("list.csv"), Answer::No)),
              "Из файла «list.csv» импортировано каналов: 2");
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(p.Channel(0).rxCode, 2);
    EXPECT_EQ(p.Channel(1).rxCode, 4);
    EXPECT_TRUE(p.Channel(2).IsEmpty());

    // Да: channels 1, 2, 3 in the order of the file; the warning of the row only the
    // renumbering took follows the question.
    op.Clear();
    EXPECT_EQ(Text(Import(QStringLiteral("list.csv"), Answer::Yes)),
              "Из файла «list.csv» импортировано каналов: 3");
    ASSERT_EQ(op.shown.size(), 2u);
    EXPECT_EQ(op.Last().kind, ShownMessage::Message);
    EXPECT_EQ(op.Last().icon, MessageIcon::Warning);
    EXPECT_EQ(Text(op.Last().text),
              Text(QStringLiteral("Каналы из файла «%1» импортированы, но некоторые приняты с "
                                  "изменениями:\n• строка 2, Tone = «Tone»: тон только на "
                                  "передачу принят как обнаружение по CTSS с тоном 88.5 Гц")
                       .arg(QDir::toNativeSeparators(Path(QStringLiteral("list.csv"))))));
    EXPECT_EQ(p.Channel(0).rxCode, 0);
    EXPECT_TRUE(p.Channel(0).Has(ChannelFlag::DetectCtcss));
    EXPECT_EQ(p.Channel(1).rxCode, 2);
    EXPECT_EQ(p.Channel(2).rxCode, 4);
    EXPECT_TRUE(p.Channel(3).IsEmpty());
    EXPECT_TRUE(p.Channel(15).IsEmpty());
    // The radio-wide settings stay as entered.
    EXPECT_TRUE(p.ctl.CheckBox3);
    EXPECT_EQ(Text(p.ctl.ComboBox29.text), "3");
}

// A list numbered past 16, where no row fits: instead of the error, the question to renumber,
// with the rows past the sixteenth counted; "Нет" changes nothing.
TEST_F(FileTest, CsvImportOfAListNumberedPastSixteenAsksToRenumber) {
    EnterSamplePlan(p);
    QByteArray list = "Location,Frequency\r\n";
    for (int row = 0; row < 18; ++row)
        list += QStringLiteral("%1,146.%2\r\n")
                    .arg(101 + row)
                    .arg(row * 25, 3, 10, QLatin1Char('0'))
                    .toLatin1();
    WriteAll(Path(QStringLiteral("long.csv")), list);

    const Snapshot before(p);
    EXPECT_TRUE(Import(QStringLiteral("long.csv"), Answer::No).isEmpty());
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.Last().kind, ShownMessage::YesNo);
    const QString text = op.Last().text;
    EXPECT_TRUE(text.startsWith(
        QStringLiteral("В файле «%1» номера каналов не укладываются в 1–16 (нумерация с 0 или "
                       "каналов больше 16), и ни одна строка не подошла:\n• строка 2, Location "
                       "= «101»: номер канала вне диапазона 1–16\n")
            .arg(QDir::toNativeSeparators(Path(QStringLiteral("long.csv"))))))
        << Text(text);
    EXPECT_TRUE(text.endsWith(QStringLiteral(
        "\n\nПронумеровать каналы заново по порядку строк файла?\n\n"
        "Да — каналы 1–16 по порядку строк (не войдут строк: 2); названия каналов не "
        "сохраняются.\nНет — ничего не менять.\n\nКаналы, которых нет в файле, станут пустыми.")))
        << Text(text);
    ExpectUnchanged(before, p);

    op.Clear();
    EXPECT_EQ(Text(Import(QStringLiteral("long.csv"), Answer::Yes)),
              "Из файла «long.csv» импортировано каналов: 16");
    EXPECT_EQ(op.shown.size(), 1u);
    for (int c = 0; c < kChannelCount; ++c) EXPECT_EQ(p.Channel(c).rxCode, 2 * c) << c;
}

// A list a Russian spreadsheet saved in Windows-1251: its settings are taken, and the warning
// box of rows taken with a change names the encoding assumed.
TEST_F(FileTest, CsvImportOfAWindows1251ListKeepsItsSettingsAndNamesTheEncoding) {
    WriteAll(Path(QStringLiteral("list.csv")),
             test::ToWindows1251(QStringLiteral("Location;Frequency;Comment\r\n"
                                                "2;146,025;маскирование\r\n")));
    EXPECT_EQ(Text(Import(QStringLiteral("list.csv"))),
              "Из файла «list.csv» импортировано каналов: 1");
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.Last().kind, ShownMessage::Message);
    EXPECT_EQ(op.Last().icon, MessageIcon::Warning);
    EXPECT_EQ(Text(op.Last().caption), "Импорт из CSV");
    EXPECT_TRUE(op.Last().text.endsWith(
        QStringLiteral("\n• файл не в кодировке UTF-8 (в строке 2 байты, которых в UTF-8 не "
                       "бывает); прочитан как Windows-1251")))
        << Text(op.Last().text);
    EXPECT_EQ(p.Channel(1).rxCode, 2);
    EXPECT_TRUE(p.Channel(1).Has(ChannelFlag::Masking));
}

TEST_F(FileTest, CsvHandlersChangeNothingWhenTheyCannotWork) {
    EnterSamplePlan(p);
    p.ctl.ComboBox29.SetText(QStringLiteral("abc"));
    const Snapshot before(p);
    // A typed value that does not encode: the export asks for no file and writes nothing.
    EXPECT_TRUE(ExportCsvFile(p).isEmpty());
    EXPECT_TRUE(op.dialogs.empty());
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.Last().icon, MessageIcon::Error);
    ExpectUnchanged(before, p);
    // Nor does the import, which needs the settings on screen for the new image.
    WriteAll(Path(QStringLiteral("list.csv")), "Frequency\n146.000\n");
    EXPECT_TRUE(Import(QStringLiteral("list.csv")).isEmpty());
    ASSERT_EQ(op.shown.size(), 2u);
    EXPECT_EQ(op.Last().icon, MessageIcon::Error);
    ExpectUnchanged(before, p);

    // A file that is no channel list says why and names itself.
    p.ctl.ComboBox29.SetText(QStringLiteral("3"));
    const Snapshot valid(p);
    op.Clear();
    WriteAll(Path(QStringLiteral("photo.csv")), QByteArray("\x89PNG\r\n\x1a\n\0\0", 10));
    EXPECT_TRUE(Import(QStringLiteral("photo.csv")).isEmpty());
    ExpectErrorNaming(Path(QStringLiteral("photo.csv")));
    EXPECT_TRUE(op.Last().text.contains(QStringLiteral("не текстовый файл CSV")));
    ExpectUnchanged(valid, p);
}

}  // namespace
}  // namespace belvan
