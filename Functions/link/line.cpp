#include "line.h"

#include <algorithm>

namespace belvan {

QByteArray Line::Read(int count) {
    QByteArray got;
    if (!IsOpen() || count <= 0) return got;
    const qint64 start = NowMs();
    qint64 lastByteAt = start;
    while (got.size() < count) {
        if (BytesWaiting() > 0) {
            got += Take(count - got.size());
            lastByteAt = NowMs();
            continue;
        }
        if (Lost()) break;
        qint64 deadline = start + kReadBaseMs + count;
        if (!got.isEmpty()) deadline = std::min(deadline, lastByteAt + kReadGapMs);
        const qint64 now = NowMs();
        if (now >= deadline) break;
        WaitForInput(deadline - now);
    }
    return got;
}

qint64 Line::WaitUntilWaiting(qint64 count, qint64 ms, const std::function<void(qint64)>& arrived) {
    if (!IsOpen()) return 0;
    const qint64 deadline = NowMs() + ms;
    qint64 waiting = BytesWaiting();
    for (qint64 reported = -1; waiting < count && !Lost();) {
        if (arrived && waiting != reported) arrived(reported = waiting);
        const qint64 now = NowMs();
        if (now >= deadline) break;
        WaitForInput(deadline - now);
        waiting = BytesWaiting();
    }
    if (arrived) arrived(waiting);
    return waiting;
}

qint64 Line::DiscardUntilQuiet(qint64 quietMs, qint64 maxMs) {
    if (!IsOpen()) return 0;
    const qint64 start = NowMs();
    qint64 dropped = 0;
    qint64 lastByteAt = start;
    while (!Lost()) {
        if (const qint64 waiting = BytesWaiting(); waiting > 0) {
            dropped += Take(waiting).size();
            lastByteAt = NowMs();
        }
        const qint64 now = NowMs();
        const qint64 deadline = std::min(lastByteAt + quietMs, start + maxMs);
        if (now >= deadline) break;
        WaitForInput(deadline - now);
    }
    return dropped;
}

}  // namespace belvan
