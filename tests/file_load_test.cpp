// Loading channel-settings files: real files in a temporary folder, the operator's answers
// scripted. What a load shows, and files refused or asked about that change nothing.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include "file_fixture.h"
#include "form/file_operations.h"
#include "plan/channel_editing.h"
#include "program_start.h"
#include "scripted_operator.h"
#include "test_files.h"

namespace belvan {
namespace {

using testing::EnterCtcssChannel;
using testing::EnterSamplePlan;
using testing::ExpectSameControls;
using testing::ExpectUnchanged;
using testing::FileTest;
using testing::ReadAll;
using testing::ScriptedOperator;
using testing::ShownMessage;
using testing::Snapshot;
using testing::StartProgram;
using testing::Text;
using testing::WriteAll;

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

}  // namespace
}  // namespace belvan
