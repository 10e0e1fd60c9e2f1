// Runs belvan-radio-sim for a test: starts it, learns its device, talks to it over stdin and reads
// its log. Every wait blocks with a timeout, so no event loop has to be running.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <optional>

#include "image/parameter_image.h"

namespace belvan::testing {

class RadioSimProcess {
  public:
    // The lines the simulator printed in answer to one command.
    struct Reply {
        bool ok = false;    // the last line starts with "ok"
        QString status;     // that last line, "ok ..." or "error ..."; empty on timeout
        QStringList lines;  // lines printed before it, e.g. "IMAGE ..."
    };

    RadioSimProcess();
    ~RadioSimProcess();  // Stop()
    RadioSimProcess(const RadioSimProcess&) = delete;
    RadioSimProcess& operator=(const RadioSimProcess&) = delete;

    // Starts the simulator with these arguments added and waits for its "PTY <path>" line.
    // Returns the device path, or the empty string with Error() telling why.
    QString Start(const QStringList& arguments = {}, int timeoutMs = 5000);

    QString DevicePath() const { return devicePath_; }
    QString Error() const { return error_; }
    qint64 ProcessId() const { return process_.processId(); }
    bool IsRunning() const { return process_.state() != QProcess::NotRunning; }

    // Sends one stdin command ("fault silent") and waits for its "ok" or "error" line.
    Reply Command(const QString& command, int timeoutMs = 3000);

    // The image the simulator holds, from "dump"; nullopt when it did not answer properly.
    std::optional<ParameterImage> Image(int timeoutMs = 3000);

    // Closes the simulator's stdin; it keeps running, as it does in the background.
    void CloseInput() { process_.closeWriteChannel(); }

    // The stderr log so far.
    QString Log();
    // Waits until the log contains text; true when it does.
    bool WaitForLog(const QString& text, int timeoutMs = 3000);

    // Waits for the simulator to end by itself; its exit code, or nullopt if it is still running
    // or crashed.
    std::optional<int> WaitForExit(int timeoutMs = 3000);

    // Ends the simulator with SIGTERM (it then saves and removes its link), killing it if it
    // does not end in time. Does nothing when it is not running.
    void Stop();

  private:
    void Pump(int timeoutMs);  // waits up to timeoutMs for output and collects it
    std::optional<QString> TakeLine();

    QProcess process_;
    QByteArray stdout_;
    QString stderr_;
    QString devicePath_;
    QString error_;
};

// The simulator of a test fixture: started quiet, and what it holds.
class SimulatorFixture {
  protected:
    // Starts the simulator with these arguments and --no-announce: the radio announces only when
    // the test tells it to (one that crosses a write frame would be taken for the radio's answer
    // to it). port_ names its device; a simulator that does not start fails the test.
    void StartSim(QStringList arguments = {});
    // The image the simulator holds; a simulator that does not answer fails the test.
    ParameterImage Held();

    RadioSimProcess sim_;
    QString port_;
};

}  // namespace belvan::testing
