// Every file the tool writes: a failed write is a failure and the old file survives, special
// files and the command's own input are never replaced, backups written at the same moment each
// keep a name of their own, and every reason is in the operator's words.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <atomic>
#include <cerrno>
#include <optional>
#include <set>
#include <vector>

#include "file_limits.h"
#include "files/backup.h"
#include "files/file_io.h"
#include "files/recovery_store.h"
#include "files/settings_file.h"
#include "sample_images.h"
#include "test_files.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace belvan {
namespace {

using testing::ReadAll;
using testing::WriteAll;

QByteArray Pattern(int size, char seed) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) bytes[i] = char(seed + i * 7);
    return bytes;
}

class FileIoTest : public ::testing::Test, protected testing::TestFolder {
  protected:
    QStringList Files() const { return QDir(Folder()).entryList(QDir::Files | QDir::Hidden); }
};

TEST_F(FileIoTest, AWriteThatFailsPartWayLeavesTheOldFileExactlyAsItWas) {
    const QString path = Path(QStringLiteral("plan.ctrch"));
    const QByteArray old = Pattern(kSettingsFileSize, 'a');
    ASSERT_NO_FATAL_FAILURE(WriteAll(path, old));
    const QString backups = Path(QStringLiteral("backups"));
    ASSERT_TRUE(QDir().mkpath(backups));
    {
        // Files may grow to 100 bytes: each of these writes fails after its first 100.
        testing::FileSizeLimit limit(100);
        if (!limit.Active()) GTEST_SKIP() << "no file size limit on this system";
        const Status failure = WriteFileBytes(path, Pattern(kSettingsFileSize, 'b'));
        ASSERT_FALSE(failure);
        EXPECT_EQ(failure.error().kind, ErrorKind::File);
        EXPECT_TRUE(failure.error().text.contains(QStringLiteral("слишком велик")))
            << failure.error().text.toStdString();

        const QString fresh = Path(QStringLiteral("new.csv"));
        EXPECT_FALSE(WriteNewFile(fresh, Pattern(300, 'c')));
        EXPECT_FALSE(QFileInfo::exists(fresh)) << "a failed new file is not left behind";

        const Result<QString> backup =
            WriteBackup(DistinctBytesImage(), QDateTime::currentDateTime(), backups);
        EXPECT_FALSE(backup);
    }
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(Files(), QStringList{QStringLiteral("plan.ctrch")}) << "no temporary file is left";
    EXPECT_TRUE(QDir(backups).isEmpty());

    // Under the limit everything is written whole.
    EXPECT_TRUE(WriteFileBytes(path, Pattern(kSettingsFileSize, 'd')));
    EXPECT_EQ(ReadAll(path), Pattern(kSettingsFileSize, 'd'));
}

TEST_F(FileIoTest, AFullDiskIsNamedAndTheOldFileSurvives) {
    const QString disk = Path(QStringLiteral("disk"));
    const testing::SmallDisk small(disk);
    if (!small.Mounted()) GTEST_SKIP() << "a small filesystem needs root on Linux";
    const QString path = QDir(disk).filePath(QStringLiteral("plan.ctrch"));
    const QByteArray old = Pattern(kSettingsFileSize, 'a');
    ASSERT_NO_FATAL_FAILURE(WriteAll(path, old));
    small.Fill();

    const Status failure = WriteSettingsFile(path, BuildFileBytes(DistinctBytesImage()));
    ASSERT_FALSE(failure);
    EXPECT_EQ(failure.error(), (Error{ErrorKind::File, QStringLiteral("нет места на диске")}));
    EXPECT_EQ(ReadAll(path), old);
    const Result<QString> backup =
        WriteBackup(DistinctBytesImage(), QDateTime::currentDateTime(), disk);
    ASSERT_FALSE(backup);
    EXPECT_TRUE(backup.error().text.contains(QStringLiteral("нет места на диске")))
        << backup.error().text.toStdString();
    EXPECT_EQ(QDir(disk).entryList(QDir::Files).size(), 2) << "the plan and the filler only";
}

TEST_F(FileIoTest, OnlyRegularFilesAreReplacedAndReasonsAreTrue) {
    EXPECT_EQ(CheckWriteTarget(Folder()).error().text, QStringLiteral("это папка, а не файл"));
    EXPECT_TRUE(CheckWriteTarget(Path(QStringLiteral("no/such/folder/x.csv")))
                    .error()
                    .text.contains(QStringLiteral("не существует")));
    EXPECT_TRUE(CheckWriteTarget(Path(QStringLiteral("new.csv"))));
#ifdef Q_OS_UNIX
    // A pipe stays a pipe (a device is refused the same way).
    const QString fifo = Path(QStringLiteral("fifo"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_TRUE(WriteFileBytes(fifo, "x").error().text.contains(QStringLiteral("не обычный файл")));
    EXPECT_TRUE(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());

    // A link to a file writes the file; a loop of links is named as such, reading and writing.
    const QString target = Path(QStringLiteral("target.csv"));
    ASSERT_NO_FATAL_FAILURE(WriteAll(target, "old"));
    const QString link = Path(QStringLiteral("link.csv"));
    ASSERT_TRUE(QFile::link(target, link));
    EXPECT_TRUE(WriteFileBytes(link, "new"));
    EXPECT_EQ(ReadAll(target), QByteArray("new"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(SameFile(link, target));
    EXPECT_TRUE(SameFile(Path(QStringLiteral("./target.csv")), target));
    EXPECT_FALSE(SameFile(Path(QStringLiteral("other.csv")), target));

    const QString a = Path(QStringLiteral("a")), b = Path(QStringLiteral("b"));
    ASSERT_TRUE(QFile::link(b, a));
    ASSERT_TRUE(QFile::link(a, b));
    EXPECT_EQ(ReadFileBytes(a, 10).error().text, QStringLiteral("ссылки на файл образуют петлю"));
    EXPECT_EQ(WriteFileBytes(a, "x").error().text, QStringLiteral("ссылки на файл образуют петлю"));
    EXPECT_TRUE(QFileInfo(a).isSymLink()) << "the link was not replaced by a file";
#endif
    EXPECT_EQ(ReadFileBytes(Path(QStringLiteral("missing")), 10).error(),
              (Error{ErrorKind::File, QStringLiteral("файл не найден")}));
}

TEST(FileErrorReasonTest, EverySystemReasonIsInTheOperatorsWords) {
    EXPECT_EQ(SystemErrorReason(ENOSPC), QStringLiteral("нет места на диске"));
    EXPECT_TRUE(SystemErrorReason(EACCES).startsWith(QStringLiteral("нет прав")));
    EXPECT_TRUE(SystemErrorReason(EPERM).startsWith(QStringLiteral("нет прав")));
    // No system text comes through untranslated ("Inappropriate ioctl for device").
    for (int error = 1; error < 200; ++error) {
        const QString reason = SystemErrorReason(error);
        for (const QChar c : reason)
            EXPECT_FALSE((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))
                << error << ": " << reason.toStdString();
    }
}

TEST_F(FileIoTest, BackupsKeptAtTheSameMomentEachGetANameOfTheirOwn) {
    const QDateTime when(QDate(2026, 12, 7), QTime(14, 3, 22));
    constexpr int kWriters = 16;
    std::vector<std::optional<Result<QString>>> results(kWriters);
    std::atomic<int> ready{0};
    std::vector<QThread*> threads;
    for (int i = 0; i < kWriters; ++i) {
        threads.push_back(QThread::create([&, i] {
            ParameterImage image = DistinctBytesImage();
            image.settings[0] = std::uint8_t(i);
            ++ready;
            while (ready < kWriters) {
            }
            results[std::size_t(i)] = WriteBackup(image, when, Folder());
        }));
        threads.back()->start();
    }
    for (QThread* thread : threads) {
        thread->wait();
        delete thread;
    }
    std::set<QString> paths;
    for (int i = 0; i < kWriters; ++i) {
        const Result<QString>& result = *results[std::size_t(i)];
        ASSERT_TRUE(result) << result.error().text.toStdString();
        paths.insert(*result);
        // Each file holds what its writer kept.
        const auto read = ReadSettingsFile(*result);
        ASSERT_TRUE(read);
        EXPECT_EQ(ImageFromFileBytes(*read).settings[0], std::uint8_t(i));
    }
    EXPECT_EQ(paths.size(), std::size_t(kWriters));
    EXPECT_EQ(Files().size(), kWriters);
    EXPECT_TRUE(paths.count(Path(QStringLiteral("2026-12-07_14-03-22.ctrch"))));
    EXPECT_TRUE(paths.count(Path(QStringLiteral("2026-12-07_14-03-22-16.ctrch"))));
}

#ifdef Q_OS_UNIX
TEST_F(FileIoTest, ARecoveryEntryIsOfferedOnlyOnceItsHolderIsGoneAndNeverWritesThroughALink) {
    const FileBytes plan = BuildFileBytes(DistinctBytesImage());
    auto slot = RecoverySlot::Claim(Folder(), QStringLiteral("window"));
    ASSERT_TRUE(slot);
    ASSERT_TRUE((*slot)->Write(plan, {QDateTime::currentDateTime(), {}, {}, std::nullopt}));
    EXPECT_TRUE(OrphanedEntries(Folder()).empty()) << "its holder runs";
    const QString stem = (*slot)->Stem();
    slot->reset();
    const auto offered = OrphanedEntries(Folder());
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0].stem, stem);
    EXPECT_EQ(ReadRecoveryPlan(Folder(), stem).value(), plan);

    // A link or a pipe put at an entry's files is refused; what the link names stays as it was.
    const QString target = Path(QStringLiteral("elsewhere.ctrch"));
    WriteAll(target, "keep");
    for (const bool link : {true, false}) {
        auto other = RecoverySlot::Claim(Folder(), QStringLiteral("window"));
        ASSERT_TRUE(other);
        const QString path = (*other)->PlanPath();
        ASSERT_EQ(link ? ::symlink(qPrintable(target), qPrintable(path))
                       : ::mkfifo(qPrintable(path), 0600),
                  0);
        EXPECT_FALSE((*other)->Write(plan, {}));
        EXPECT_EQ(QFileInfo(path).isSymLink(), link);
        EXPECT_EQ(ReadAll(target), "keep");
    }
}
#endif

}  // namespace
}  // namespace belvan
