#include "stop_signals.h"

#include <array>
#include <atomic>
#include <csignal>

namespace belvan {

namespace {
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<int> stopSignals{0};
std::atomic<int> lastStopSignal{SIGINT};

extern "C" void CountStopSignal(int number) {
    lastStopSignal = number;
    stopSignals.fetch_add(1);
    std::signal(number, CountStopSignal);  // some systems put the default back on delivery
}

constexpr std::array kStopSignalNumbers = {
    SIGINT, SIGTERM,
#ifdef SIGHUP
    SIGHUP,
#endif
#ifdef SIGBREAK
    SIGBREAK,  // Windows: Ctrl+Break
#endif
};

using Handler = void (*)(int);
std::array<Handler, kStopSignalNumbers.size()> previousHandlers{};

// Sets the handler; the one it replaced, or the default when none could be set.
Handler Install(int number, Handler handler) {
    const Handler previous = std::signal(number, handler);
    return previous == SIG_ERR ? SIG_DFL : previous;
}
}  // namespace

StopSignals::StopSignals(std::function<void()> first, std::function<void()> again)
    : first_(std::move(first)), again_(std::move(again)) {
    stopSignals = 0;
    for (std::size_t i = 0; i < kStopSignalNumbers.size(); ++i)
        previousHandlers[i] = Install(kStopSignalNumbers[i], CountStopSignal);
    QObject::connect(&check_, &QTimer::timeout, &check_, [this] { Check(); });
    check_.start(50);
}

StopSignals::~StopSignals() {
    for (std::size_t i = 0; i < kStopSignalNumbers.size(); ++i)
        Install(kStopSignalNumbers[i], previousHandlers[i]);
}

void StopSignals::Check() {
    const int count = stopSignals;
    if (count == seen_) return;
    const bool firstTime = seen_ == 0;
    seen_ = count;
    if (firstTime && first_) first_();
    if (count >= 2 && again_) again_();
}

int LastStopSignal() {
    return lastStopSignal;
}

}  // namespace belvan
