// Saving channel-settings files: real files in a temporary folder, the operator's answers
// scripted. The layout written, the name completed, the question before replacing, and failed
// saves that leave the old file as it was.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <array>
#include <iterator>

#include "file_fixture.h"
#include "file_limits.h"
#include "files/settings_file.h"
#include "form/csv_handlers.h"
#include "form/file_operations.h"
#include "image/encoding.h"
#include "scripted_operator.h"
#include "test_files.h"

namespace belvan {
namespace {

using testing::EnterSamplePlan;
using testing::FileTest;
using testing::ReadAll;
using testing::ShownMessage;
using testing::Text;
using testing::WriteAll;

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
