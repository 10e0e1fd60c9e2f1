// Ctrl+C (SIGINT) and SIGTERM while radios are being written: the first lets the exchanges under
// way end and be reported, the second ends the program at once, naming the radios left
// unconfirmed.
#pragma once

#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

namespace belvan::cli {

// Watches for the two signals while it lives; `first` runs on the first, `again` on the second.
class StopSignals {
  public:
    StopSignals(std::function<void()> first, std::function<void()> again);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool Stopping() const { return seen_ > 0; }

  private:
    using Handler = void (*)(int);
    void Check();

    std::function<void()> first_;
    std::function<void()> again_;
    QTimer check_;
    int seen_ = 0;
    Handler previousInt_;
    Handler previousTerm_;
};

// What to press to stop at once, said when the first stop lets exchanges finish.
extern const QString kStopAgain;

// "порту COM1" or "портах COM1, COM2".
QString OnPorts(const QStringList& ports);

// Ends the program at once: the exchanges under way are left as they are, their radios named.
[[noreturn]] void AbandonExchanges(const QStringList& unconfirmed);

// The exit code of a program that a signal stopped: 130 for Ctrl+C, 143 for SIGTERM.
int InterruptedExit();

}  // namespace belvan::cli
