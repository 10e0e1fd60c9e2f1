// The window as a process ended by a signal: killed, its plan is found by the next start; asked
// to end (SIGTERM, SIGHUP, Ctrl+C), it keeps its plan and ends; asked during a write, it ends
// only once the radio has the plan.
#include <gtest/gtest.h>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

#include "files/recovery_store.h"
#include "radio_sim_process.h"

namespace belvan {
namespace {

// 170 250 kHz, the frequency the window puts into channel 1: 1940 steps of 12,5 kHz above 146 MHz.
constexpr std::uint16_t kEditedCode = 1940;

class WindowSignalsTest : public ::testing::Test {
  protected:
    // Starts the window on the port and waits for its word that the edit (and the write) is
    // under way.
    void Start(const QString& port, const QString& mode = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           home.filePath(QStringLiteral("config")));
        window.setProcessEnvironment(environment);
        QStringList arguments{folder(), port};
        if (!mode.isEmpty()) arguments << mode;
        window.start(QStringLiteral(BELVAN_WINDOW_CHILD_PATH), arguments);
        ASSERT_TRUE(window.waitForStarted(5000));
        const QByteArray awaited = mode.isEmpty() ? "edited\n" : "edited\nwriting\n";
        QByteArray said;
        while (!said.contains(awaited) && window.waitForReadyRead(10000))
            said += window.readAllStandardOutput();
        ASSERT_TRUE(said.contains(awaited)) << said.toStdString();
    }
    void Send(int signal) { ::kill(static_cast<pid_t>(window.processId()), signal); }
    QString folder() const { return home.filePath(QStringLiteral("recovery")); }

    QTemporaryDir home;
    QProcess window;
};

TEST_F(WindowSignalsTest, AnEndedWindowLeavesItsPlanToTheNextStart) {
    for (const int signal : {SIGKILL, SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal);
        QDir(folder()).removeRecursively();
        Start(QStringLiteral("/nonexistent/port"));
        // A crash gives no warning: what is on the disk within about a second is all there is.
        if (signal == SIGKILL)
            QTRY_VERIFY_WITH_TIMEOUT(
                !QDir(folder()).entryList({QStringLiteral("*.ctrch")}).isEmpty(), 2000);
        Send(signal);
        ASSERT_TRUE(window.waitForFinished(4000));
        EXPECT_EQ(window.exitStatus(),
                  signal == SIGKILL ? QProcess::CrashExit : QProcess::NormalExit);
        if (signal != SIGKILL) {
            EXPECT_EQ(window.exitCode(), 0);
        }

        const std::vector<RecoveryEntry> offered = OrphanedEntries(folder());
        ASSERT_EQ(offered.size(), 1u);
        const Result<FileBytes> plan = ReadRecoveryPlan(folder(), offered[0].stem);
        ASSERT_TRUE(plan);
        EXPECT_EQ(ImageFromFileBytes(*plan).Record(0).rxCode, kEditedCode);
    }
}

TEST_F(WindowSignalsTest, SigtermDuringAWriteEndsTheWindowOnlyOnceTheRadioHasThePlan) {
    testing::RadioSimProcess sim;
    const QString port = sim.Start({QStringLiteral("--no-announce")});
    ASSERT_FALSE(port.isEmpty()) << sim.Error().toStdString();
    Start(port, QStringLiteral("write"));
    Send(SIGTERM);
    // The write goes on to its end, its message box is closed for the operator, the window ends.
    ASSERT_TRUE(window.waitForFinished(4000));
    EXPECT_EQ(window.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(window.exitCode(), 0);
    ASSERT_TRUE(sim.WaitForLog(QStringLiteral("WRITE kept")));
    const auto held = sim.Image();
    ASSERT_TRUE(held);
    EXPECT_EQ(held->Record(0).rxCode, kEditedCode);
    // The plan is safe in the radio: nothing is left to recover.
    EXPECT_TRUE(OrphanedEntries(folder()).empty());
}

}  // namespace
}  // namespace belvan
