// The line over a real serial port (or a pseudo-terminal), through QSerialPort. It belongs to the
// thread that opens it.
#pragma once

#include <QElapsedTimer>
#include <QStringList>
#include <memory>

#include "line.h"

class QSerialPort;

namespace belvan {

class SerialLine : public Line {
  public:
    // `deviceName` as the system knows it; see DeviceForPortName.
    explicit SerialLine(const QString& deviceName);
    ~SerialLine() override;

    // Exclusive open. A device that opens counts as open even if it refuses a setting (a
    // pseudo-terminal has no modem lines).
    bool Open() override;
    void Close() override;
    bool IsOpen() const override;
    bool Lost() override;
    Error Failure() const override { return failure_; }
    QString DeviceName() const override { return deviceName_; }

    bool Write(const QByteArray& bytes) override;
    qint64 BytesWaiting() override;
    QByteArray Take(qint64 max) override;
    void PurgeInput() override;
    void PurgeOutput() override;
    qint64 NowMs() override { return clock_.elapsed(); }
    void WaitForInput(qint64 ms) override;

  private:
    QString deviceName_;
    Error failure_;
    std::unique_ptr<QSerialPort> port_;
    QElapsedTimer clock_;
    bool lost_ = false;
};

// The device a port-box name stands for: on Linux "COM3" is /dev/ttyS2; any other name (a full
// device path), and every name on Windows and macOS, is used as it is.
QString DeviceForPortName(const QString& name);
// The serial ports the system reports, by the names the port box shows: COMn on Windows, the
// device paths elsewhere (on macOS the /dev/cu.* ones).
QStringList SystemPortNames();

}  // namespace belvan
