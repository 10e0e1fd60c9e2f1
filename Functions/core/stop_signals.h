// The signals that ask a program to end: Ctrl+C (SIGINT), SIGTERM, SIGHUP where the system has
// it (a closed terminal, an ended login) and SIGBREAK on Windows (Ctrl+Break). The handler only
// counts; the event loop looks at the count every 50 ms and runs the program's own answer there,
// never inside the handler.
#pragma once

#include <QTimer>
#include <functional>

namespace belvan {

class StopSignals {
  public:
    // `first` runs on the event loop after the first stop signal, `again` after each later one.
    StopSignals(std::function<void()> first, std::function<void()> again);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool Stopping() const { return seen_ > 0; }

  private:
    void Check();

    std::function<void()> first_;
    std::function<void()> again_;
    QTimer check_;
    int seen_ = 0;
};

// The number of the last stop signal received (SIGINT when none was).
int LastStopSignal();

}  // namespace belvan
