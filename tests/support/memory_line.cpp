#include "memory_line.h"

#include <cmath>

namespace belvan {

MemoryLine::MemoryLine(QString deviceName) : deviceName_(std::move(deviceName)) {}

void MemoryLine::Arrive(qint64 atMs, const QByteArray& bytes, double spacingMs) {
    for (qsizetype i = 0; i < bytes.size(); ++i)
        scheduled_.emplace(static_cast<double>(atMs) + spacingMs * static_cast<double>(i),
                           bytes[i]);
}

void MemoryLine::HangUpAt(qint64 atMs) {
    hangUpAt_ = static_cast<double>(atMs);
}

bool MemoryLine::Open() {
    ++opens_;
    if (!openFailure_.isEmpty()) {
        failureReason_ = openFailure_;
        return false;
    }
    open_ = true;
    lost_ = false;
    hangUpAt_ = -1;
    failureReason_.clear();
    PurgeInput();
    return true;
}

bool MemoryLine::Lost() {
    Deliver();
    return lost_;
}

bool MemoryLine::Write(const QByteArray& bytes) {
    if (!open_ || Lost() || refuseWrites_) return false;
    writes_.push_back(bytes);
    if (responder_) responder_(*this, bytes);
    return true;
}

qint64 MemoryLine::BytesWaiting() {
    Deliver();
    return open_ ? input_.size() : 0;
}

QByteArray MemoryLine::Take(qint64 max) {
    Deliver();
    if (!open_ || max <= 0) return {};
    QByteArray taken = input_.left(max);
    input_.remove(0, taken.size());
    return taken;
}

void MemoryLine::PurgeInput() {
    Deliver();
    input_.clear();
}

void MemoryLine::WaitForInput(qint64 ms) {
    if (!open_ || Lost() || ms <= 0) return;
    const double until = static_cast<double>(now_ + ms);
    double next = until;
    if (!scheduled_.empty()) next = std::min(next, scheduled_.begin()->first);
    if (hangUpAt_ >= 0) next = std::min(next, hangUpAt_);
    // The clock counts whole milliseconds; an arrival within one is taken at its end.
    now_ = std::max(now_, static_cast<qint64>(std::ceil(next)));
    Deliver();
}

void MemoryLine::Deliver() {
    const double now = static_cast<double>(now_);
    if (hangUpAt_ >= 0 && hangUpAt_ <= now && !lost_) {
        lost_ = true;
        input_.clear();
        scheduled_.clear();
        failureReason_ = kDeviceDisconnected;
    }
    if (lost_ || !open_) return;
    while (!scheduled_.empty() && scheduled_.begin()->first <= now) {
        input_ += scheduled_.begin()->second;
        scheduled_.erase(scheduled_.begin());
    }
}

}  // namespace belvan
