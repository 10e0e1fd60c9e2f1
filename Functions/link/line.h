// The serial line to the radio as the exchanges see it: bytes and time only. Two kinds exist: the
// serial port (serial_line.h) and an in-memory line whose replies come from a script
// (memory_line.h), for tests and fuzzing.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace belvan {

// A read of n bytes ends when n bytes are in, when more than kReadGapMs pass between two bytes
// once the first has arrived, or after kReadBaseMs + n ms in all.
inline constexpr int kReadGapMs = 10;
inline constexpr int kReadBaseMs = 100;

// Why a line that was open went away.
inline const QString kDeviceDisconnected = QStringLiteral("Устройство отключено.");

class Line {
  public:
    virtual ~Line() = default;

    // Opens the device with the radio's line settings (9600 8N1, binary, no flow control, DTR
    // raised, RTS low) and purges both buffers.
    virtual bool Open() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // True once an open line went away (a USB adapter pulled out, the other end hung up).
    virtual bool Lost() = 0;
    // Why the last open failed or why the line was lost, in the operator's words.
    virtual QString FailureReason() const = 0;
    // The device's name as the system knows it.
    virtual QString DeviceName() const = 0;

    // Hands all bytes to the device; false when the line refused them or went away.
    virtual bool Write(const QByteArray& bytes) = 0;
    // Bytes that have arrived and not been taken yet.
    virtual qint64 BytesWaiting() = 0;
    // Takes up to `max` of the bytes that have arrived, without waiting.
    virtual QByteArray Take(qint64 max) = 0;
    virtual void PurgeInput() = 0;
    virtual void PurgeOutput() = 0;

    // The line's clock, in milliseconds.
    virtual qint64 NowMs() = 0;
    // Returns when new bytes arrive, when `ms` have passed, or when the line is lost.
    virtual void WaitForInput(qint64 ms) = 0;

    // Reads up to `count` bytes under the read rule above.
    QByteArray Read(int count);
    // Waits until `count` bytes are waiting, `ms` have passed or the line is lost; `arrived` is
    // told the number waiting each time more came. Returns the number waiting.
    qint64 WaitUntilWaiting(qint64 count, qint64 ms,
                            const std::function<void(qint64)>& arrived = {});
    // Drops what has arrived and what goes on arriving until nothing has come for `quietMs`, or
    // until `maxMs` have passed in all on a line that never falls quiet. Returns the bytes dropped.
    qint64 DiscardUntilQuiet(qint64 quietMs, qint64 maxMs);
};

}  // namespace belvan
