// A line in memory, for tests and fuzzing: what arrives and when comes from a script, time is the
// line's own and passes only while the exchange waits, so the read rule's timings are exact and
// nothing sleeps.
#pragma once

#include <QString>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "link/line.h"

namespace belvan {

class MemoryLine : public Line {
  public:
    // Called after every write the line accepted, with what was written; it may schedule the
    // answer with Arrive(NowMs() + delay, ...).
    using Responder = std::function<void(MemoryLine& line, const QByteArray& written)>;

    explicit MemoryLine(QString deviceName = QStringLiteral("memory"));

    // --- The script ------------------------------------------------------------------------
    // `bytes` arrive at `atMs` on the line's clock, one after the other, `spacingMs` apart.
    void Arrive(qint64 atMs, const QByteArray& bytes, double spacingMs = 0);
    // The line goes away at `atMs`: what has not been taken is lost and every later read and
    // write fails.
    void HangUpAt(qint64 atMs);
    void SetResponder(Responder responder) { responder_ = std::move(responder); }
    // Opens fail with this error while one is set.
    void SetOpenFailure(std::optional<Error> failure) { openFailure_ = std::move(failure); }
    // Writes are refused (the device takes nothing) while set.
    void SetRefuseWrites(bool refuse) { refuseWrites_ = refuse; }
    // The clock moves on by `ms` at once, as when the thread reading the line is held up.
    void Advance(qint64 ms) { now_ += ms; }
    // Every write the line accepted, in order.
    const std::vector<QByteArray>& Writes() const { return writes_; }
    int Opens() const { return opens_; }

    // --- Line ------------------------------------------------------------------------------
    // The device and its state, as the line keeps them.
    QString DeviceName() const override { return deviceName_; }
    bool IsOpen() const override { return open_; }
    Error Failure() const override { return failure_; }
    bool Open() override;
    void Close() override { open_ = false; }
    bool Lost() override;
    // The line's own clock, and the bytes the script made arrive by now.
    qint64 NowMs() override { return now_; }
    void WaitForInput(qint64 ms) override;
    bool Write(const QByteArray& bytes) override;
    qint64 BytesWaiting() override;
    QByteArray Take(qint64 max) override;
    void PurgeInput() override;
    void PurgeOutput() override {}

  private:
    void Deliver();  // moves what is due by now into the input

    struct Arrival {
        double atMs;
        char byte;
    };

    QString deviceName_;
    qint64 now_ = 0;
    bool open_ = false;
    bool lost_ = false;
    int opens_ = 0;
    std::optional<Error> openFailure_;
    Error failure_;
    bool refuseWrites_ = false;
    // Bytes still to arrive from scheduled_[due_] on, in order of arrival time; bytes due at the
    // same time arrive in the order they were scheduled. A vector, not a map: a script of a
    // thousand bytes is one allocation, not a thousand.
    std::vector<Arrival> scheduled_;
    std::size_t due_ = 0;
    double hangUpAt_ = -1;
    QByteArray input_;
    std::vector<QByteArray> writes_;
    Responder responder_;
};

}  // namespace belvan
