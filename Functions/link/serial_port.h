// The one serial device through which the tool talks to the radio: opened by name with the
// radio's line settings (9600 8N1, binary, no flow control, DTR raised, RTS low), purged, written
// and read under the read rule.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

class QSerialPort;

namespace belvan {

struct ProgramState;

// Called from every wait of a read or write, a few milliseconds apart.
using IdleCallback = std::function<void()>;

class SerialPort {
  public:
    explicit SerialPort(const QString& deviceName);
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Exclusive open with the line settings, then both buffers purged. A device that opens
    // counts as open even if it refuses a setting (a pseudo-terminal has no modem lines).
    bool Open();
    void Close();
    bool IsOpen() const;
    // Why the last Open failed, in the operator's words.
    QString FailureReason() const { return failureReason_; }

    void PurgeInput();
    void PurgeOutput();
    // Hands all bytes to the device; false when the device refused them.
    bool Write(const std::uint8_t* data, int count, const IdleCallback& idle = {});
    // Reads up to `count` bytes: returns when all arrived, when more than 10 ms pass between two
    // bytes once the first has arrived, or after 100 + count ms in all; the number read.
    int Read(std::uint8_t* buffer, int count, const IdleCallback& idle = {});
    // Takes up to `count` bytes of what has already arrived, without waiting.
    int ReadArrived(std::uint8_t* buffer, int count);

  private:
    QString deviceName_;
    QString failureReason_;
    std::unique_ptr<QSerialPort> port_;
};

// The device a port-box name stands for: "COM3" is /dev/ttyS2 on systems without COM names;
// any other name (a full device path) is used as it is.
QString DeviceForPortName(const QString& name);
// The serial ports the system reports, by the names the port box shows.
QStringList SystemPortNames();

// Opens the named port into PortHandle; the caller closes the previous one first.
bool OpenPort(ProgramState& p, const QString& name);
void ClosePort(ProgramState& p);
// The port box changed: close, open its text, show the outcome in Label1, empty Label39.
void ComboBox1Change(ProgramState& p);

}  // namespace belvan
