#include "memory_line.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace belvan {

MemoryLine::MemoryLine(QString deviceName) : deviceName_(std::move(deviceName)) {}

void MemoryLine::Arrive(qint64 atMs, const QByteArray& bytes, double spacingMs) {
    // What has arrived goes; the new bytes are sorted among themselves, then merged after the
    // bytes scheduled before them for the same time (usually all of them: then nothing moves).
    scheduled_.erase(scheduled_.begin(), scheduled_.begin() + static_cast<std::ptrdiff_t>(due_));
    due_ = 0;
    const auto earlier = [](const Arrival& a, const Arrival& b) { return a.atMs < b.atMs; };
    const auto old = static_cast<std::ptrdiff_t>(scheduled_.size());
    if (scheduled_.capacity() < scheduled_.size() + static_cast<std::size_t>(bytes.size()))
        scheduled_.reserve(2 * scheduled_.size() + static_cast<std::size_t>(bytes.size()));
    for (qsizetype i = 0; i < bytes.size(); ++i)
        scheduled_.push_back(
            {static_cast<double>(atMs) + spacingMs * static_cast<double>(i), bytes[i]});
    const auto middle = scheduled_.begin() + old;
    if (spacingMs < 0) std::stable_sort(middle, scheduled_.end(), earlier);
    if (middle == scheduled_.end()) return;
    const auto later = std::upper_bound(scheduled_.begin(), middle, *middle, earlier);
    if (later != middle) std::inplace_merge(later, middle, scheduled_.end(), earlier);
}

void MemoryLine::HangUpAt(qint64 atMs) {
    hangUpAt_ = static_cast<double>(atMs);
}

bool MemoryLine::Open() {
    ++opens_;
    if (openFailure_) {
        failure_ = *openFailure_;
        return false;
    }
    open_ = true;
    lost_ = false;
    hangUpAt_ = -1;
    failure_ = {};
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
    if (!open_ || max <= 0 || input_.isEmpty()) return {};
    const qsizetype size = std::min(max, input_.size());
    QByteArray taken;
    if (size == 1) {
        // Bytes mostly arrive and are taken one at a time: a lone byte is handed out from a table
        // (each followed by a zero, as a byte array's data is), not from a new allocation.
        static const auto kLoneBytes = [] {
            std::array<char, 512> bytes{};
            for (int b = 0; b < 256; ++b) bytes[static_cast<std::size_t>(2 * b)] = char(b);
            return bytes;
        }();
        const auto byte = static_cast<unsigned char>(input_.front());
        taken = QByteArray::fromRawData(&kLoneBytes[2 * std::size_t{byte}], 1);
    } else {
        taken = QByteArray(input_.constData(), size);  // a copy: the input keeps its buffer
    }
    input_.remove(0, size);
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
    if (due_ < scheduled_.size()) next = std::min(next, scheduled_[due_].atMs);
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
        due_ = 0;
        failure_ = DeviceDisconnected();
    }
    if (lost_ || !open_) return;
    for (; due_ < scheduled_.size() && scheduled_[due_].atMs <= now; ++due_)
        input_.append(scheduled_[due_].byte);
}

}  // namespace belvan
