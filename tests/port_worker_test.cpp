// One radio on one port as belvan-cli runs it (PortWorker), on an in-memory line: the message of
// a check that finds the radio holding something else, what a stop leaves undone, and the
// station's watch around a job.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <memory>

#include "memory_line.h"
#include "port_worker.h"

namespace belvan::cli {
namespace {

constexpr double kByteMs = 10.0 / 9.6;  // one byte at 9600 baud

QByteArray Bytes(const DataFrame& frame) {
    return QByteArray(reinterpret_cast<const char*>(frame.data()), kDataFrameSize);
}

QByteArray Announcement() {
    QByteArray bytes(kAnnouncementLength, '\x42');
    bytes[0] = char(kAnnouncementStart);
    return bytes;
}

// An image unlike the empty one in every channel and in the first `settingsBytes` settings bytes.
ParameterImage Different(int settingsBytes) {
    ParameterImage image;
    for (int c = 0; c < kChannelCount; ++c) {
        ChannelEntry entry;
        entry.flags = ChannelFlag::InUse;
        entry.rxCode = static_cast<std::uint16_t>(100 + c);
        entry.txCode = static_cast<std::uint16_t>(200 + c);
        image.SetRecord(c, entry);
    }
    for (int i = 0; i < settingsBytes; ++i)
        image.settings[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i + 1);
    return image;
}

// The radio at the other end: answers the read request with what it holds and acknowledges both
// write frames, keeping the image only when told to.
struct Radio {
    ParameterImage held{};
    bool keepsWrites = true;
    // Announcements after the first completed write: `repeats` of them 0.1 s apart, then one
    // more after `quietMs` of silence.
    int repeats = 0;
    qint64 quietMs = 0;
    qint64 announceAtMs = -1;  // the first announcement, on the line's clock
    qint64 ackDelayMs = 0;     // thinking time before each acknowledgement
    int writes = 0;            // write frames received
    int reads = 0;             // read requests received

    std::unique_ptr<Line> MakeLine() {
        auto line = std::make_unique<MemoryLine>();
        line->SetResponder(
            [this](MemoryLine& l, const QByteArray& written) { Answer(l, written); });
        if (announceAtMs >= 0) line->Arrive(announceAtMs, Announcement(), kByteMs);
        return line;
    }

    void Answer(MemoryLine& line, const QByteArray& written) {
        const qint64 now = line.NowMs();
        if (written == QByteArray::fromHex("21FF000020")) {
            ++reads;
            line.Arrive(now + 2, "O");
            line.Arrive(now + 4, Bytes(BuildDataFrame(held, 0)), kByteMs);
            return;
        }
        if (written.size() != kDataFrameSize) return;
        ++writes;
        const qint64 ackAt = now + 1 + static_cast<qint64>(kDataFrameSize * kByteMs) + ackDelayMs;
        line.Arrive(ackAt, "O");
        if (written[FrameOffset::sequence] != char(kSecondWriteFrame)) return;
        DataFrame frame;
        std::copy(written.begin(), written.end(), frame.begin());
        if (keepsWrites) held = ImageFromFrame(frame);
        if (writes != 2) return;
        for (int i = 1; i <= repeats; ++i) line.Arrive(ackAt + 100 * i, Announcement(), kByteMs);
        if (quietMs > 0)
            line.Arrive(ackAt + 100 * repeats + kAnnouncementLength + quietMs, Announcement(),
                        kByteMs);
    }
};

class PortWorkerTest : public ::testing::Test {
  protected:
    // The worker's line is made and answered on the link's thread; the test looks at the radio
    // only once the worker has told it the job is over.
    std::unique_ptr<PortWorker> MakeWorker() {
        return std::make_unique<PortWorker>(QStringLiteral("memory"),
                                            [this](const QString&) { return radio.MakeLine(); });
    }
    static JobOutcome RunToEnd(PortWorker& worker, const WriteJob& job) {
        QSignalSpy finished(&worker, &PortWorker::finished);
        worker.Run(job);
        EXPECT_TRUE(finished.wait(10000));
        return finished.isEmpty() ? JobOutcome{} : finished.last()[0].value<JobOutcome>();
    }
    Radio radio;
};

TEST(VerifyMismatchTextTest, SaysTheWriteWasAcknowledgedAndShowsAtMostSixteenDifferences) {
    QStringList differences;
    for (int i = 1; i <= 17; ++i) differences << QStringLiteral("отличие %1").arg(i);
    const QString sixteen = VerifyMismatchText(differences.mid(0, 16));
    EXPECT_TRUE(sixteen.startsWith(
        QStringLiteral("радиостанция подтвердила запись, но хранит другое: отличие 1; ")));
    EXPECT_TRUE(sixteen.endsWith(QStringLiteral("; отличие 16"))) << sixteen.toStdString();
    EXPECT_EQ(VerifyMismatchText(differences), sixteen + QStringLiteral(" … и ещё 1"));
}

TEST_F(PortWorkerTest, ACheckThatFindsAnotherImageSaysSoInOneShortLine) {
    radio.keepsWrites = false;  // acknowledges both frames, keeps nothing
    auto worker = MakeWorker();
    const JobOutcome outcome = RunToEnd(*worker, {Different(20), false, true});
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(radio.writes, 2);
    const QString& message = outcome.message;
    EXPECT_TRUE(message.startsWith(
        QStringLiteral("радиостанция подтвердила запись, но хранит другое: канал 01: ")))
        << message.toStdString();
    // 16 channels and 20 settings bytes differ: the first 16 are shown.
    EXPECT_EQ(message.count(QStringLiteral("; ")), 15) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("канал 16: ")));
    EXPECT_FALSE(message.contains(QStringLiteral("настройки")));
    EXPECT_TRUE(message.endsWith(QStringLiteral(" … и ещё 20"))) << message.toStdString();
    EXPECT_FALSE(message.contains(u'\n'));
    EXPECT_LT(message.size(), 2000);
}

TEST_F(PortWorkerTest, AStopDuringTheBackupReadWritesNothing) {
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    auto worker = MakeWorker();
    QObject::connect(worker.get(), &PortWorker::progress, worker.get(), [&](const QString& stage) {
        if (stage.startsWith(QStringLiteral("Запрос"))) worker->Stop();
    });
    const JobOutcome outcome = RunToEnd(*worker, {Different(0), true, true});
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.stoppedBeforeWrite);
    EXPECT_FALSE(outcome.backupPath.isEmpty()) << "what the radio held was kept all the same";
    EXPECT_EQ(radio.reads, 1);
    EXPECT_EQ(radio.writes, 0);
    EXPECT_EQ(radio.held, ParameterImage{});
}

TEST_F(PortWorkerTest, AStopDuringTheWriteLetsItAndItsCheckFinish) {
    auto worker = MakeWorker();
    QObject::connect(worker.get(), &PortWorker::progress, worker.get(), [&](const QString& stage) {
        if (stage.startsWith(QStringLiteral("Запись каналов"))) worker->Stop();
    });
    const JobOutcome outcome = RunToEnd(*worker, {Different(4), false, true});
    EXPECT_TRUE(outcome.ok) << outcome.message.toStdString();
    EXPECT_EQ(outcome.message, QStringLiteral("Запись проверена"));
    EXPECT_FALSE(outcome.stoppedBeforeWrite);
    EXPECT_EQ(radio.held, Different(4));
    EXPECT_EQ(radio.reads, 1);
}

TEST_F(PortWorkerTest, TheWatchCountsARadioOnceAroundItsJobAndTheNextAfterAQuietLine) {
    radio.announceAtMs = 50;
    radio.repeats = 10;  // it announces again and again right after its write
    radio.quietMs = kStationQuietMs + 500;
    radio.ackDelayMs = kStationQuietMs / 2;  // the job takes longer than the quiet time
    auto worker = MakeWorker();
    QSignalSpy announced(worker.get(), &PortWorker::announced);
    QSignalSpy again(worker.get(), &PortWorker::announcedAgain);
    QSignalSpy finished(worker.get(), &PortWorker::finished);
    // As the station does: each new radio gets the job.
    QObject::connect(worker.get(), &PortWorker::announced, worker.get(), [&] {
        worker->Run({Different(2), false, false});
    });
    worker->Watch();
    QDeadlineTimer deadline(10000);
    while (finished.size() < 2 && !deadline.hasExpired()) finished.wait(100);
    ASSERT_EQ(finished.size(), 2);
    EXPECT_EQ(announced.size(), 2);
    EXPECT_EQ(again.size(), 1) << "the repeats right after the write, told once";
    EXPECT_EQ(radio.writes, 4);
}

}  // namespace
}  // namespace belvan::cli

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
