#include "stop_signals.h"

#include <cstdio>
#include <cstdlib>

#include "console.h"

namespace belvan::cli {

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
    return 128 + LastStopSignal();
}

}  // namespace belvan::cli
