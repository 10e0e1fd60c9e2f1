// Saving and loading channel-settings files: real files in a temporary folder, the operator's
// answers scripted.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <numeric>
#include <optional>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif
#include <string>
#include <utility>

#include "file_limits.h"
#include "files/settings_file.h"
#include "form/csv_handlers.h"
#include "form/file_operations.h"
#include "image/encoding.h"
#include "plan/channel_editing.h"
#include "program_start.h"
#include "scripted_operator.h"
#include "support/windows_1251.h"
#include "test_files.h"

namespace belvan {
namespace {

using testing::Pick;
using testing::ReadAll;
using testing::ScriptedOperator;
using testing::ShownMessage;
using testing::StartProgram;
using testing::Text;
using testing::WriteAll;

// A few channels and radio-wide settings entered the way the operator does.
void EnterSamplePlan(ProgramState& p) {
    ListBox1Click(p, 0);
    Pick(p, QStringLiteral("150"), QStringLiteral("000"));
    FillReceive(p);
    Pick(p, QStringLiteral("150"), QStringLiteral("025"));
    FillTransmit(p);
    SetCheckBox1(p, true);
    SelectRadioButton6(p);
    p.ctl.toneBoxes[0].Select(7);

    ListBox1Click(p, 4);
    SelectStepButton(p, false);
    Pick(p, QStringLiteral("146"), QStringLiteral("012,5"));
    FillReceive(p);
    Pick(p, QStringLiteral("174"), QStringLiteral("987,5"));
    FillTransmit(p);
    SetCheckBox1(p, false);
    SetCheckBox2(p, true);
    SelectRadioButton8(p);

    ListBox1Click(p, 15);
    SelectStepButton(p, true);
    Pick(p, QStringLiteral("174"), QStringLiteral("975"));
    FillReceive(p);

    p.ctl.CheckBox3 = true;
    p.ctl.ComboBox4.SetText(QStringLiteral("5"));
    p.ctl.ComboBox29.SetText(QStringLiteral("3"));
    p.ctl.ComboBox30.SetText(QStringLiteral("40"));
    p.ctl.keyBoxes[1].Select(3);
    p.ctl.keyBoxes[6].Select(11);
}

// A channel entered the way the operator does: one frequency for receive and transmit, CTCSS
// detection with a tone.
void EnterCtcssChannel(ProgramState& p, int channel, const QString& mhz, const QString& khz,
                       int tone) {
    ListBox1Click(p, channel);
    Pick(p, mhz, khz);
    FillReceive(p);
    FillTransmit(p);
    SelectRadioButton6(p);
    p.ctl.toneBoxes[channel].Select(tone);
}

// Everything a load may change, to tell that a refused load changed nothing.
struct Snapshot {
    explicit Snapshot(const ProgramState& p)
        : plan(p.plan), ctl(p.ctl), image(p.image), fileBuffer(p.FileBuffer) {}
    ChannelPlan plan;
    Controls ctl;
    ParameterImage image;
    FileBytes fileBuffer;
};

void ExpectSameBox(const ComboState& a, const ComboState& b, const char* name) {
    EXPECT_EQ(a.items, b.items) << name;
    EXPECT_EQ(a.index, b.index) << name;
    EXPECT_EQ(Text(a.text), Text(b.text)) << name;
    EXPECT_EQ(a.enabled, b.enabled) << name;
}

// The channel area and the radio-wide controls of two windows are alike.
void ExpectSameControls(const Controls& a, const Controls& b) {
    for (int row = 0; row < kGridRows; ++row)
        for (int column = 0; column < kGridColumns; ++column)
            EXPECT_EQ(Text(a.Cell(row, column)), Text(b.Cell(row, column)))
                << "row " << row << " column " << column;
    EXPECT_EQ(a.channelMarks, b.channelMarks);
    EXPECT_EQ(a.ListBox1.index, b.ListBox1.index);
    EXPECT_EQ(a.ListBox3.items, b.ListBox3.items);
    EXPECT_EQ(a.ListBox3.index, b.ListBox3.index);
    const std::pair<bool Controls::*, const char*> switches[] = {
        {&Controls::CheckBox1, "CheckBox1"},         {&Controls::CheckBox2, "CheckBox2"},
        {&Controls::CheckBox3, "CheckBox3"},         {&Controls::CheckBox6, "CheckBox6"},
        {&Controls::RadioButton1, "RadioButton1"},   {&Controls::RadioButton2, "RadioButton2"},
        {&Controls::RadioButton6, "RadioButton6"},   {&Controls::RadioButton8, "RadioButton8"},
        {&Controls::RadioButton9, "RadioButton9"},   {&Controls::RadioButton10, "RadioButton10"},
        {&Controls::RadioButton11, "RadioButton11"}, {&Controls::RadioButton12, "RadioButton12"}};
    for (const auto& [member, name] : switches) EXPECT_EQ(a.*member, b.*member) << name;
    ExpectSameBox(a.ComboBox4, b.ComboBox4, "ComboBox4");
    ExpectSameBox(a.ComboBox29, b.ComboBox29, "ComboBox29");
    ExpectSameBox(a.ComboBox30, b.ComboBox30, "ComboBox30");
    for (int c = 0; c < kChannelCount; ++c)
        ExpectSameBox(a.toneBoxes[c], b.toneBoxes[c], "tone box");
    for (int k = 0; k < 8; ++k) ExpectSameBox(a.keyBoxes[k], b.keyBoxes[k], "key box");
}

void ExpectUnchanged(const Snapshot& before, const ProgramState& p) {
    EXPECT_EQ(before.plan, p.plan);
    ExpectSameControls(before.ctl, p.ctl);
    EXPECT_EQ(Text(before.ctl.caption), Text(p.ctl.caption));
    EXPECT_EQ(before.fileBuffer, p.FileBuffer);
    EXPECT_EQ(before.image, p.image);
}

class FileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        StartProgram(p, op);
    }

    QString Path(const QString& name) const { return dir.filePath(name); }

    // Saves under `chosen` with no question expected.
    FileOutcome SaveAs(ProgramState& program, const QString& chosen) {
        op.files.push_back(chosen);
        return SaveSettingsFile(program);
    }

    // Writes the sample plan, entered in a window of its own, to `name` and returns the path.
    QString SampleFile(const QString& name) {
        ProgramState writer;
        ScriptedOperator writerOp;
        StartProgram(writer, writerOp);
        EnterSamplePlan(writer);
        writerOp.files.push_back(Path(name));
        EXPECT_TRUE(SaveSettingsFile(writer).Succeeded());
        EXPECT_TRUE(writerOp.shown.empty());
        return Path(name);
    }

    void Load(const QString& path) {
        op.files.push_back(path);
        Button12Click(p);
    }

    // Imports the named list of the folder through the window, the operator answering the
    // question it asks, if any; what the import reports.
    QString Import(const QString& name, std::optional<Answer> answer = std::nullopt) {
        op.files.push_back(Path(name));
        if (answer) op.answers.push_back(*answer);
        return ImportCsvFile(p);
    }

    void ExpectErrorNaming(const QString& path) {
        ASSERT_EQ(op.shown.size(), 1u);
        EXPECT_EQ(op.Last().kind, ShownMessage::Message);
        EXPECT_EQ(Text(op.Last().caption), "Ошибка");
        EXPECT_EQ(op.Last().icon, MessageIcon::Error);
        EXPECT_TRUE(op.Last().text.contains(QDir::toNativeSeparators(path)))
            << Text(op.Last().text);
    }

    QStringList FilesInDir() const {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QTemporaryDir dir;
    ProgramState p;
    ScriptedOperator op;
};

// --- Saving
// ----------------------------------------------------------------------------------------

TEST_F(FileTest, SaveWritesTheFileLayout) {
    EnterSamplePlan(p);
    SaveAs(p, Path(QStringLiteral("abc")));
    EXPECT_TRUE(op.shown.empty());
    const QString written = Path(QStringLiteral("abc.ctrch"));
    EXPECT_EQ(FilesInDir(), QStringList{QStringLiteral("abc.ctrch")});
    EXPECT_EQ(Text(p.ctl.caption), Text(kFileCaptionPrefix + QDir::toNativeSeparators(written)));
    EXPECT_TRUE(p.ctl.caption.endsWith(QStringLiteral("abc.ctrch")));

    const QByteArray bytes = ReadAll(written);
    ASSERT_EQ(bytes.size(), 255);
    const auto image = p.image.Bytes();
    EXPECT_EQ(bytes.left(kImageSize),
              QByteArray(reinterpret_cast<const char*>(image.data()), kImageSize));
    for (int i = 194; i < 254; ++i) EXPECT_EQ(static_cast<std::uint8_t>(bytes[i]), 0xFF) << i;
    unsigned sum = 0;
    for (int i = 0; i < 254; ++i) sum += static_cast<std::uint8_t>(bytes[i]);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[254]), sum % 256);
    EXPECT_EQ(testing::Bytes(p.FileBuffer), bytes);

    // The first channel's record as entered: InUse, 25 kHz, CTCSS, scan; tone 7.
    EXPECT_EQ(bytes.left(10).toHex(' ').toStdString(), "2d 00 40 01 42 01 07 00 00 00");
    // Settings: cloning, key codes, the three times.
    EXPECT_EQ(bytes.mid(160, 16).toHex(' ').toStdString(),
              "02 00 ff 05 ff ff ff ff 0f ff e8 03 10 0e 20 03");
}

TEST_F(FileTest, ExtensionIsAddedUnlessTheNameHasIt) {
    struct Case {
        const char* chosen;
        const char* written;
    };
    for (const Case& c : {Case{"abc", "abc.ctrch"}, Case{"x.ctrch.bak", "x.ctrch.bak"},
                          Case{"ABC.CTRCH", "ABC.CTRCH.ctrch"}, Case{"d.ctrch", "d.ctrch"}}) {
        SaveAs(p, Path(QString::fromUtf8(c.chosen)));
        EXPECT_EQ(ReadAll(Path(QString::fromUtf8(c.written))).size(), 255) << c.written;
        EXPECT_TRUE(p.ctl.caption.endsWith(QString::fromUtf8(c.written))) << Text(p.ctl.caption);
    }
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("abc"))));
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("ABC.CTRCH"))));
    EXPECT_EQ(FilesInDir().size(), 4);
}

TEST_F(FileTest, SaveDialogProposesDocumentsThenLastName) {
    SaveAs(p, Path(QStringLiteral("first")));
    SaveAs(p, Path(QStringLiteral("second.ctrch")));
    ASSERT_EQ(op.dialogs.size(), 2u);
    EXPECT_EQ(Text(op.dialogs[0].filterDescription), "Files for Cantrel (*.ctrch)");
    EXPECT_EQ(Text(op.dialogs[0].filterPattern), "*.ctrch");
    EXPECT_EQ(Text(op.dialogs[0].proposedName),
              Text(QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                       .filePath(QStringLiteral("1.ctrch"))));
    EXPECT_EQ(Text(op.dialogs[1].proposedName), Text(Path(QStringLiteral("first"))));

    op.files.push_back(std::nullopt);
    Button12Click(p);
    ASSERT_EQ(op.dialogs.size(), 3u);
    EXPECT_EQ(Text(op.dialogs[2].filterDescription), "Files for Cantrel (*.ctrch)");
    EXPECT_EQ(Text(op.dialogs[2].filterPattern), "*.ctrch");
}

TEST_F(FileTest, CancelledSaveWritesNothing) {
    EnterSamplePlan(p);
    const QString caption = p.ctl.caption;
    op.files.push_back(std::nullopt);
    EXPECT_EQ(SaveSettingsFile(p).ended, FileOutcome::Ended::Cancelled);
    EXPECT_TRUE(FilesInDir().isEmpty());
    EXPECT_EQ(p.ctl.caption, caption);
    EXPECT_TRUE(op.shown.empty());
}

TEST_F(FileTest, SaveWithATextThatIsNoNumberWritesNothing) {
    p.ctl.ComboBox29.SetText(QStringLiteral("abc"));
    op.files.push_back(Path(QStringLiteral("bad")));
    FileOutcome saved = SaveSettingsFile(p);
    EXPECT_EQ(saved.ended, FileOutcome::Ended::Failed);
    EXPECT_EQ(Text(op.Last().text), "'abc' is not a valid integer value");
    EXPECT_EQ(op.Last().icon, MessageIcon::Error);
    p.ctl.ComboBox29.SetText(QStringLiteral("1"));
    p.ctl.ComboBox4.SetText(QStringLiteral("400"));
    op.files.push_back(Path(QStringLiteral("bad")));
    saved = SaveSettingsFile(p);
    EXPECT_EQ(saved.error.kind, ErrorKind::Value);
    EXPECT_EQ(saved.error.text, op.Last().text);
    EXPECT_TRUE(FilesInDir().isEmpty());
    EXPECT_EQ(Text(p.ctl.caption), "Belvan-T");
}

TEST_F(FileTest, SaveThatCannotWriteShowsAnError) {
    WriteAll(Path(QStringLiteral("plain")), "not a folder");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.ctrch")));
    const QString caption = p.ctl.caption;
    for (const QString& chosen :
         {Path(QStringLiteral("missing/abc.ctrch")), Path(QStringLiteral("plain/abc.ctrch")),
          Path(QStringLiteral("folder.ctrch"))}) {
        op.Clear();
        EXPECT_EQ(SaveAs(p, chosen).error.kind, ErrorKind::File);
        ExpectErrorNaming(chosen);
        EXPECT_EQ(p.ctl.caption, caption);
    }
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("missing"))));
    EXPECT_EQ(ReadAll(Path(QStringLiteral("plain"))), QByteArray("not a folder"));
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("folder.ctrch"))).isDir());
    EXPECT_TRUE(QDir(Path(QStringLiteral("folder.ctrch"))).isEmpty());
}

TEST_F(FileTest, ASaveThatFailsPartWayShowsAnErrorAndKeepsTheOldFile) {
    const QString path = Path(QStringLiteral("keep.ctrch"));
    const QByteArray old(255, '\x11');
    WriteAll(path, old);
    EnterSamplePlan(p);
    const QString caption = p.ctl.caption;
    {
        testing::FileSizeLimit limit(100);
        if (!limit.Active()) GTEST_SKIP() << "no file size limit on this system";
        SaveAs(p, path);
    }
    ExpectErrorNaming(path);
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(p.ctl.caption, caption);
    EXPECT_EQ(FilesInDir(), QStringList{QStringLiteral("keep.ctrch")});
}

TEST_F(FileTest, ExistingFileIsReplacedWhole) {
    const QString path = Path(QStringLiteral("keep.ctrch"));
    const QByteArray old(255, '\x11');
    WriteAll(path, old);
    // A reader that has the old file open keeps reading the old content: the new file replaces
    // the old one in a single step instead of being written over it.
    QFile reader(path);
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly));

    EnterSamplePlan(p);
    SaveAs(p, path);
    EXPECT_TRUE(op.shown.empty());
    EXPECT_EQ(reader.readAll(), old);
    EXPECT_EQ(ReadAll(path), testing::Bytes(p.FileBuffer));
    EXPECT_EQ(FilesInDir(), QStringList{QStringLiteral("keep.ctrch")});
}

TEST_F(FileTest, CompletedNameThatExistsIsAskedAbout) {
    const QString completed = Path(QStringLiteral("abc.ctrch"));
    const QByteArray old(255, '\x22');
    WriteAll(completed, old);
    EnterSamplePlan(p);

    op.answers = {Answer::No};
    SaveAs(p, Path(QStringLiteral("abc")));
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.Last().kind, ShownMessage::YesNo);
    EXPECT_TRUE(op.Last().text.contains(QDir::toNativeSeparators(completed)))
        << Text(op.Last().text);
    EXPECT_EQ(ReadAll(completed), old);
    EXPECT_EQ(Text(p.ctl.caption), "Belvan-T");

    op.Clear();
    op.answers = {Answer::Yes};
    SaveAs(p, Path(QStringLiteral("abc")));
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.Last().kind, ShownMessage::YesNo);
    const QByteArray replaced = ReadAll(completed);
    ASSERT_EQ(replaced.size(), 255);
    EXPECT_EQ(replaced, testing::Bytes(p.FileBuffer));
    EXPECT_EQ(Text(p.ctl.caption), Text(kFileCaptionPrefix + QDir::toNativeSeparators(completed)));

    // A chosen name that needs no completion was asked about by the dialog: no second question.
    op.Clear();
    SaveAs(p, completed);
    EXPECT_TRUE(op.shown.empty());
}

// --- Loading
// ---------------------------------------------------------------------------------------

TEST_F(FileTest, SaveLoadSaveIsByteIdentical) {
    EnterSamplePlan(p);
    SaveAs(p, Path(QStringLiteral("one")));
    const QByteArray first = ReadAll(Path(QStringLiteral("one.ctrch")));
    ASSERT_EQ(first.size(), 255);

    ProgramState second;
    ScriptedOperator secondOp;
    StartProgram(second, secondOp);
    secondOp.files.push_back(Path(QStringLiteral("one.ctrch")));
    EXPECT_TRUE(LoadSettingsFile(second).Succeeded());
    UpdateToneBoxes(second);
    EXPECT_EQ(
        Text(second.ctl.caption),
        Text(kFileCaptionPrefix + QDir::toNativeSeparators(Path(QStringLiteral("one.ctrch")))));
    EXPECT_EQ(testing::Bytes(second.FileBuffer), first);

    // What the loaded window shows.
    EXPECT_EQ(Text(second.ctl.Cell(1, Column::Receive)), "    150000");
    EXPECT_EQ(Text(second.ctl.Cell(1, Column::Scan)), "    +");
    EXPECT_EQ(Text(second.ctl.Cell(1, Column::Ctcss)), "   +");
    EXPECT_TRUE(second.ctl.toneBoxes[0].enabled);
    EXPECT_EQ(Text(second.ctl.toneBoxes[0].text), "07 - 85,4");
    EXPECT_EQ(Text(second.ctl.Cell(5, Column::Receive)), "    146012,5");
    EXPECT_EQ(Text(second.ctl.Cell(5, Column::Masking)), "     +");
    EXPECT_EQ(Text(second.ctl.Cell(5, Column::Step)), " 12,5");
    EXPECT_EQ(Text(second.ctl.Cell(16, Column::Receive)), "    174975");
    EXPECT_TRUE(second.ctl.Cell(16, Column::Transmit).isEmpty());
    EXPECT_TRUE(second.ctl.Cell(2, Column::Receive).isEmpty());
    EXPECT_EQ(Text(second.ctl.ComboBox30.text), "40");
    EXPECT_EQ(Text(second.ctl.keyBoxes[6].text), "Тон-2100Гц");
    EXPECT_TRUE(second.ctl.CheckBox3);

    secondOp.files.push_back(Path(QStringLiteral("two.ctrch")));
    EXPECT_TRUE(SaveSettingsFile(second).Succeeded());
    EXPECT_EQ(ReadAll(Path(QStringLiteral("two.ctrch"))), first);
    EXPECT_TRUE(secondOp.shown.empty());
}

TEST_F(FileTest, LoadReplacesTheWholePlan) {
    const QString sample = SampleFile(QStringLiteral("sample.ctrch"));
    // Channel 3 in the window, not in the file.
    EnterCtcssChannel(p, 2, QStringLiteral("160"), QStringLiteral("000"), 9);
    p.ctl.ComboBox4.SetText(QStringLiteral("9"));

    Load(sample);
    EXPECT_TRUE(op.shown.empty());
    EXPECT_TRUE(p.ctl.Cell(3, Column::Receive).isEmpty());
    EXPECT_TRUE(p.ctl.Cell(3, Column::Ctcss).isEmpty());
    EXPECT_FALSE(p.ctl.channelMarks[2]);
    EXPECT_FALSE(p.ctl.toneBoxes[2].enabled);
    EXPECT_TRUE(p.ctl.toneBoxes[2].text.isEmpty());
    EXPECT_EQ(p.Channel(2).rxCode, NoFrequency);
    EXPECT_EQ(Text(p.ctl.ComboBox4.text), "5");
    EXPECT_EQ(testing::Bytes(p.FileBuffer), ReadAll(sample));
}

TEST_F(FileTest, CancelledLoadChangesNothing) {
    Load(SampleFile(QStringLiteral("sample.ctrch")));
    ListBox1Click(p, 0);
    const Snapshot before(p);
    op.files.push_back(std::nullopt);
    EXPECT_EQ(LoadSettingsFile(p).ended, FileOutcome::Ended::Cancelled);
    op.files.push_back(std::nullopt);
    Button12Click(p);
    EXPECT_TRUE(op.shown.empty());
    ExpectUnchanged(before, p);
}

TEST_F(FileTest, UnusableFileIsRefusedAndChangesNothing) {
    const QString sample = SampleFile(QStringLiteral("sample.ctrch"));
    const QByteArray good = ReadAll(sample);
    ASSERT_EQ(good.size(), 255);
    WriteAll(Path(QStringLiteral("short.ctrch")), good.left(254));
    WriteAll(Path(QStringLiteral("long.ctrch")), good + QByteArray(1, '\0'));
    WriteAll(Path(QStringLiteral("empty.ctrch")), QByteArray());
    WriteAll(Path(QStringLiteral("plain")), good);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.ctrch")));

    // A window with a plan of its own, loaded from another file and then edited.
    Load(sample);
    EnterCtcssChannel(p, 9, QStringLiteral("165"), QStringLiteral("500"), 20);
    ASSERT_TRUE(op.shown.empty());
    const Snapshot before(p);

    QStringList refused = {
        Path(QStringLiteral("short.ctrch")),  Path(QStringLiteral("long.ctrch")),
        Path(QStringLiteral("empty.ctrch")),  Path(QStringLiteral("missing.ctrch")),
        Path(QStringLiteral("folder.ctrch")), Path(QStringLiteral("plain/x.ctrch"))};
    // A file that opens but cannot be read: the memory of this process at address 0.
    if (QFileInfo::exists(QStringLiteral("/proc/self/mem")))
        refused << QStringLiteral("/proc/self/mem");
#ifdef Q_OS_UNIX
    // A pipe nobody writes to would keep the window waiting for ever.
    const QString pipe = Path(QStringLiteral("pipe.ctrch"));
    if (::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0) refused << pipe;
#endif
    for (const QString& path : refused) {
        SCOPED_TRACE(Text(path));
        op.Clear();
        op.files.push_back(path);
        EXPECT_EQ(LoadSettingsFile(p).ended, FileOutcome::Ended::Failed);
        ExpectErrorNaming(path);
        ExpectUnchanged(before, p);
    }
}

TEST_F(FileTest, WrongChecksumIsAskedAbout) {
    const QString sample = SampleFile(QStringLiteral("sample.ctrch"));
    QByteArray damaged = ReadAll(sample);
    damaged[254] = static_cast<char>(damaged[254] + 1);
    const QString damagedPath = Path(QStringLiteral("damaged.ctrch"));
    WriteAll(damagedPath, damaged);

    const Snapshot before(p);
    op.answers = {Answer::No};
    Load(damagedPath);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(op.Last().kind, ShownMessage::YesNo);
    EXPECT_EQ(op.Last().icon, MessageIcon::Warning);
    EXPECT_TRUE(op.Last().text.contains(QDir::toNativeSeparators(damagedPath)))
        << Text(op.Last().text);
    ExpectUnchanged(before, p);

    // Yes: loaded exactly as the good file loads.
    op.Clear();
    op.answers = {Answer::Yes};
    Load(damagedPath);
    ASSERT_EQ(op.shown.size(), 1u);
    EXPECT_EQ(Text(p.ctl.caption),
              Text(kFileCaptionPrefix + QDir::toNativeSeparators(damagedPath)));
    EXPECT_EQ(testing::Bytes(p.FileBuffer), damaged);

    ProgramState reference;
    ScriptedOperator referenceOp;
    StartProgram(reference, referenceOp);
    referenceOp.files.push_back(sample);
    Button12Click(reference);
    ASSERT_TRUE(referenceOp.shown.empty());
    EXPECT_EQ(reference.plan, p.plan);
    EXPECT_EQ(reference.image, p.image);
    ExpectSameControls(reference.ctl, p.ctl);
}

// --- Channel lists as CSV ----------------------------------------------------------------

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

TEST_F(FileTest, StartUpImageIsWhatTheWindowSavesRightAfterStartUp) {
    const auto image = ProduceImage(p);
    ASSERT_TRUE(image);
    EXPECT_EQ(*image, StartUpImage());
    const std::uint8_t settings[16] = {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                       0xFF, 0xFF, 0xC8, 0x00, 0xB0, 0x04, 0x90, 0x01};
    EXPECT_TRUE(std::equal(std::begin(settings), std::end(settings), image->settings.begin()));
    const auto empty = image->Record(0).ToBytes();
    EXPECT_EQ(empty, (std::array<std::uint8_t, 10>{4, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace belvan
