#include "stop_signals.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "console.h"

namespace belvan::cli {

namespace {
// The handler only counts; the event loop looks at the count.
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<int> stopSignals{0};
std::atomic<int> lastStopSignal{SIGINT};

extern "C" void CountStopSignal(int number) {
    lastStopSignal = number;
    stopSignals.fetch_add(1);
    std::signal(number, CountStopSignal);  // some systems put the default back on delivery
}

using Handler = void (*)(int);
// Sets the handler; the one it replaced, or the default when none could be set.
Handler Install(int number, Handler handler) {
    const Handler previous = std::signal(number, handler);
    return previous == SIG_ERR ? SIG_DFL : previous;
}
}  // namespace

StopSignals::StopSignals(std::function<void()> first, std::function<void()> again)
    : first_(std::move(first)), again_(std::move(again)) {
    stopSignals = 0;
    previousInt_ = Install(SIGINT, CountStopSignal);
    previousTerm_ = Install(SIGTERM, CountStopSignal);
    QObject::connect(&check_, &QTimer::timeout, &check_, [this] { Check(); });
    check_.start(50);
}

StopSignals::~StopSignals() {
    Install(SIGINT, previousInt_);
    Install(SIGTERM, previousTerm_);
}

void StopSignals::Check() {
    const int count = stopSignals;
    if (count == seen_) return;
    const bool firstTime = seen_ == 0;
    seen_ = count;
    if (firstTime) first_();
    if (count >= 2) again_();
}

const QString kStopAgain =
    QStringLiteral("Ctrl+C ещё раз — прервать сразу, не дожидаясь ответа радиостанции");

QString OnPorts(const QStringList& ports) {
    return (ports.size() == 1 ? QStringLiteral("порту ") : QStringLiteral("портах ")) +
           ports.join(QStringLiteral(", "));
}

void AbandonExchanges(const QStringList& unconfirmed) {
    for (const QString& port : unconfirmed)
        ErrLine(QStringLiteral("Прервано: состояние радиостанции на порту %1 неизвестно — "
                               "запишите её заново.")
                    .arg(port));
    if (unconfirmed.isEmpty()) ErrLine(QStringLiteral("Прервано."));
    std::fflush(nullptr);
    // The link threads may be waiting on a radio; nothing is left to them.
    std::_Exit(InterruptedExit());
}

int InterruptedExit() {
    return 128 + lastStopSignal;
}

}  // namespace belvan::cli
