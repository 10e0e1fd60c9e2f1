// The real thing over a pseudo-terminal against the radio simulator: the link object on its own
// thread reading and writing, a radio that hangs up, ports that will not open.
#include <gtest/gtest.h>
#include <QRegularExpression>
#include <QSignalSpy>

#include "all_functions.h"
#include "radio_sim_process.h"

namespace belvan {
namespace {

using testing::RadioSimProcess;

// Every frame the simulator received, as bytes, in order.
std::vector<QByteArray> ReceivedFrames(const QString& log) {
    std::vector<QByteArray> frames;
    static const QRegularExpression line(QStringLiteral("^RX ((?:[0-9A-F]{2} ?)+)$"),
                                         QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(log); it.hasNext();)
        frames.push_back(QByteArray::fromHex(it.next().captured(1).remove(u' ').toLatin1()));
    return frames;
}

class PtyLinkTest : public ::testing::Test {
  protected:
    void Begin(const QStringList& options = {}) {
        device = sim.Start(QStringList{QStringLiteral("--no-announce")} + options);
        ASSERT_FALSE(device.isEmpty()) << sim.Error().toStdString();
    }
    // Asks the link on its thread and waits for the answer.
    // `argument`: which of the answer's arguments is returned (an exchange's id comes first).
    template <typename Signal, typename Request>
    QVariant Ask(Signal signal, Request request, int argument = 0) {
        QSignalSpy spy(thread.Link(), signal);
        QMetaObject::invokeMethod(thread.Link(), request);
        if (!spy.wait(10000)) return {};
        return spy.last()[argument];
    }
    RadioSimProcess sim;
    QString device;
    LinkThread thread;
};

TEST_F(PtyLinkTest, ReadAndWriteOnTheLinksOwnThread) {
    ASSERT_NO_FATAL_FAILURE(Begin());
    RadioLink* link = thread.Link();
    ASSERT_TRUE(Ask(&RadioLink::portStateChanged, [link, d = device] { link->OpenPort(d); })
                    .value<PortState>()
                    .open);
    const ReadResult read = Ask(
                                &RadioLink::readFinished, [link] { link->Read(1); }, 1)
                                .value<ReadResult>();
    ASSERT_EQ(read.outcome, ExchangeOutcome::Read);
    EXPECT_EQ(read.image, sim.Image());

    ParameterImage changed = read.image;
    changed.SetSettingsWord(SettingsOffset::waitTime, 1000);
    const WriteResult written =
        Ask(
            &RadioLink::writeFinished, [link, changed] { link->Write(2, changed); }, 1)
            .value<WriteResult>();
    ASSERT_EQ(written.outcome, ExchangeOutcome::Written);
    ASSERT_TRUE(sim.WaitForLog(QStringLiteral("WRITE kept")));
    EXPECT_EQ(sim.Image(), changed);
    const auto frames = ReceivedFrames(sim.Log());
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], QByteArray::fromHex("21FF000020"));
    EXPECT_EQ(frames[1].left(4), QByteArray::fromHex("22FF0000"));
    EXPECT_EQ(frames[2].left(4), QByteArray::fromHex("22FF0002"));
}

TEST_F(PtyLinkTest, ARadioThatHangsUpMidFrameFailsTheReadAndThePortIsReportedLost) {
    ASSERT_NO_FATAL_FAILURE(Begin({QStringLiteral("--fault"), QStringLiteral("hangup")}));
    RadioLink* link = thread.Link();
    ASSERT_TRUE(Ask(&RadioLink::portStateChanged, [link, d = device] { link->OpenPort(d); })
                    .value<PortState>()
                    .open);
    QSignalSpy states(link, &RadioLink::portStateChanged);
    const ReadResult read = Ask(
                                &RadioLink::readFinished, [link] { link->Read(1); }, 1)
                                .value<ReadResult>();
    EXPECT_EQ(read.outcome, ExchangeOutcome::LineLost);
    if (states.isEmpty()) {
        ASSERT_TRUE(states.wait(3000));
    }
    const PortState lost = states.last()[0].value<PortState>();
    EXPECT_FALSE(lost.open);
    EXPECT_TRUE(lost.lost);
    EXPECT_EQ(lost.failure.kind, ErrorKind::LineLost);
}

TEST(PortTest, PortsThatCannotOpenSayWhyAndExchangesOnThemFailAtOnce) {
    SerialLine missing(QStringLiteral("/dev/belvan-no-such-port"));
    EXPECT_FALSE(missing.Open());
    EXPECT_EQ(missing.Failure().kind, ErrorKind::PortNotFound);
    EXPECT_TRUE(missing.Failure().text.contains(QStringLiteral("не найден")));
    EXPECT_EQ(ReadParameters(missing, 0).outcome, ExchangeOutcome::NoAnswer);
    EXPECT_EQ(WriteParameters(missing, ParameterImage{}).outcome,
              ExchangeOutcome::FirstFrameRefused);
    EXPECT_LT(missing.NowMs(), 1000) << "no waits on a port that is not there";

    RadioSimProcess sim;
    const QString device = sim.Start({QStringLiteral("--no-announce")});
    ASSERT_FALSE(device.isEmpty());
    SerialLine first(device), second(device);
    ASSERT_TRUE(first.Open());
    EXPECT_FALSE(second.Open());
    EXPECT_EQ(second.Failure().kind, ErrorKind::PortBusy);
    EXPECT_TRUE(second.Failure().text.contains(QStringLiteral("занят")));
    first.Close();
    EXPECT_TRUE(second.Open());
}

}  // namespace
}  // namespace belvan
