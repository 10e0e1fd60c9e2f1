// The radio simulator as a program: the image it holds loaded from and saved to settings files,
// bad image files refused, its commands, the link to its device and the end of its input.
#include <unistd.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "files/settings_file.h"
#include "link/radio_frame.h"
#include "radio_sim_fixture.h"

namespace belvan {
namespace {

using testing::RadioSimProcess;
using testing::RadioSimTest;

TEST_F(RadioSimTest, ImageFilesRoundTrip) {
    const ParameterImage mine = AnotherImage(ParameterImage{});
    const QString original = TempPath("mine.ctrch");
    ASSERT_TRUE(WriteSettingsFile(original, BuildFileBytes(mine)).has_value());

    ASSERT_NO_FATAL_FAILURE(Start({QStringLiteral("--image"), original}));
    EXPECT_EQ(HeldImage(), mine);
    const Bytes answer = ReadRequest();
    ASSERT_EQ(answer.size(), 1u + kDataFrameSize);
    EXPECT_EQ(ImageFromFrame(FrameOf(answer, 1)), mine);

    // "save" writes the same bytes back; "image" loads another file.
    ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("save ") + TempPath("copy.ctrch")));
    QFile a(original), b(TempPath("copy.ctrch"));
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());

    const ParameterImage other = AnotherImage(mine);
    ASSERT_TRUE(WriteSettingsFile(TempPath("other.ctrch"), BuildFileBytes(other)).has_value());
    ASSERT_NO_FATAL_FAILURE(Command(QStringLiteral("image ") + TempPath("other.ctrch")));
    EXPECT_EQ(HeldImage(), other);
    EXPECT_FALSE(sim_.Command(QStringLiteral("image ") + TempPath("missing.ctrch")).ok);
    EXPECT_EQ(HeldImage(), other);
}

TEST_F(RadioSimTest, BadImageFileIsRefusedWithCode2) {
    FileBytes bytes = BuildFileBytes(ParameterImage{});
    bytes[kFileChecksumOffset] ^= 0xFF;
    ASSERT_TRUE(WriteSettingsFile(TempPath("bad.ctrch"), bytes).has_value());
    QFile shortFile(TempPath("short.ctrch"));
    ASSERT_TRUE(shortFile.open(QIODevice::WriteOnly));
    shortFile.write(QByteArray(100, '\0'));
    shortFile.close();

    for (const char* name : {"bad.ctrch", "short.ctrch"}) {
        RadioSimProcess sim;
        EXPECT_TRUE(sim.Start({QStringLiteral("--image"), TempPath(name)}).isEmpty());
        EXPECT_EQ(sim.WaitForExit(), 2) << name;
        EXPECT_TRUE(sim.Log().contains(QString::fromLatin1(name))) << sim.Log().toStdString();
    }
}

TEST_F(RadioSimTest, CommandsLinkAndEndOfInput) {
    const QString link = TempPath("radio");
    ASSERT_EQ(::symlink("/nonexistent", link.toLocal8Bit().constData()), 0);  // a stale one
    ASSERT_NO_FATAL_FAILURE(Start({QStringLiteral("--link"), link}));
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), sim_.DevicePath());

    EXPECT_FALSE(sim_.Command(QStringLiteral("fault bogus")).ok);
    EXPECT_FALSE(sim_.Command(QStringLiteral("fault silent 5")).ok);
    EXPECT_FALSE(sim_.Command(QStringLiteral("frobnicate")).ok);
    const auto dump = sim_.Command(QStringLiteral("dump"));
    ASSERT_TRUE(dump.ok);
    ASSERT_EQ(dump.lines.size(), 1);
    EXPECT_EQ(dump.lines.front().size(), 6 + 2 * kImageSize);

    // Without stdin it goes on serving the line; SIGTERM ends it and removes the link.
    sim_.CloseInput();
    EXPECT_EQ(ReadRequest().size(), 1u + kDataFrameSize);
    EXPECT_TRUE(sim_.IsRunning());
    sim_.Stop();
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

}  // namespace
}  // namespace belvan
