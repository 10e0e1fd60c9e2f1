#include "serial_port.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <algorithm>

#include "program_state.h"

namespace belvan {

namespace {
constexpr int kGapMs = 10;            // longest gap between two bytes of one read
constexpr int kReadBaseMs = 100;      // a read of n bytes lasts at most 100 + n ms
constexpr int kSliceMs = 5;           // how often a wait calls back
constexpr int kWriteLimitMs = 10000;  // a device that takes nothing for this long is gone

bool LineLost(const QSerialPort& port) {
    return !port.isOpen() || port.error() == QSerialPort::ResourceError;
}
}  // namespace

SerialPort::SerialPort(const QString& deviceName) : deviceName_(deviceName) {}

SerialPort::~SerialPort() = default;

bool SerialPort::Open() {
    port_ = std::make_unique<QSerialPort>();
    port_->setPortName(deviceName_);
    failureReason_.clear();
    if (deviceName_.isEmpty() || !port_->open(QIODevice::ReadWrite)) {
        const QString shown = deviceName_.isEmpty() ? QStringLiteral("(пустое имя)") : deviceName_;
        switch (port_->error()) {
            case QSerialPort::PermissionError:
#ifdef Q_OS_WIN
                failureReason_ = QStringLiteral("Порт %1 занят другой программой.").arg(shown);
#else
                if (QFileInfo(deviceName_).exists() && !QFileInfo(deviceName_).isWritable()) {
                    failureReason_ = QStringLiteral(
                                         "Нет прав на порт %1. Добавьте пользователя в группу «%2» "
                                         "(например: sudo usermod -aG %2 $USER) и войдите в "
                                         "систему заново.")
                                         .arg(shown, QFileInfo(deviceName_).group());
                } else {
                    failureReason_ = QStringLiteral("Порт %1 занят другой программой.").arg(shown);
                }
#endif
                break;
            case QSerialPort::DeviceNotFoundError:
                failureReason_ = QStringLiteral("Порт %1 не найден.").arg(shown);
                break;
            default:
                failureReason_ =
                    QStringLiteral("Порт %1 не открывается: %2").arg(shown, port_->errorString());
                break;
        }
        port_.reset();
        return false;
    }
    // Frames carry the XON and XOFF byte values, so software flow control goes off too.
    port_->setBaudRate(QSerialPort::Baud9600);
    port_->setDataBits(QSerialPort::Data8);
    port_->setParity(QSerialPort::NoParity);
    port_->setStopBits(QSerialPort::OneStop);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    port_->setDataTerminalReady(true);
    port_->setRequestToSend(false);
    // Settings a device refuses (modem lines of a pseudo-terminal) are not an open failure.
    port_->clearError();
    PurgeInput();
    PurgeOutput();
    return true;
}

void SerialPort::Close() {
    if (port_) port_->close();
    port_.reset();
}

bool SerialPort::IsOpen() const {
    return port_ && port_->isOpen();
}

void SerialPort::PurgeInput() {
    if (!IsOpen()) return;
    port_->waitForReadyRead(0);  // takes in what the system holds, so it is discarded too
    port_->clear(QSerialPort::Input);
    port_->readAll();
}

void SerialPort::PurgeOutput() {
    if (IsOpen()) port_->clear(QSerialPort::Output);
}

bool SerialPort::Write(const std::uint8_t* data, int count, const IdleCallback& idle) {
    if (!IsOpen()) return false;
    if (port_->write(reinterpret_cast<const char*>(data), count) != count) return false;
    QElapsedTimer clock;
    clock.start();
    while (port_->bytesToWrite() > 0) {
        if (LineLost(*port_) || clock.elapsed() > kWriteLimitMs) return false;
        port_->waitForBytesWritten(kSliceMs);
        if (idle) idle();
    }
    return !LineLost(*port_);
}

int SerialPort::Read(std::uint8_t* buffer, int count, const IdleCallback& idle) {
    if (!IsOpen() || count <= 0) return 0;
    QElapsedTimer clock;
    clock.start();
    const qint64 totalMs = kReadBaseMs + count;
    int got = 0;
    qint64 lastByteAt = 0;
    while (got < count) {
        if (port_->bytesAvailable() > 0) {
            const qint64 n = port_->read(reinterpret_cast<char*>(buffer + got), count - got);
            if (n > 0) {
                got += static_cast<int>(n);
                lastByteAt = clock.elapsed();
                continue;
            }
        }
        if (LineLost(*port_)) break;
        const qint64 now = clock.elapsed();
        qint64 budget = totalMs - now;
        if (got > 0) budget = std::min(budget, lastByteAt + kGapMs - now);
        if (budget < 0 || (budget == 0 && got > 0)) break;
        port_->waitForReadyRead(static_cast<int>(std::clamp<qint64>(budget, 1, kSliceMs)));
        if (idle) idle();
    }
    return got;
}

int SerialPort::ReadArrived(std::uint8_t* buffer, int count) {
    if (!IsOpen() || count <= 0) return 0;
    if (port_->bytesAvailable() == 0) port_->waitForReadyRead(0);
    const qint64 n = port_->read(reinterpret_cast<char*>(buffer), count);
    return n > 0 ? static_cast<int>(n) : 0;
}

QString DeviceForPortName(const QString& name) {
#ifdef Q_OS_WIN
    return name;
#else
    static const QRegularExpression comName(QStringLiteral("^COM([1-9][0-9]{0,2})$"));
    const auto match = comName.match(name);
    if (match.hasMatch()) return QStringLiteral("/dev/ttyS%1").arg(match.captured(1).toInt() - 1);
    return name;
#endif
}

QStringList SystemPortNames() {
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        names << info.portName();
#else
        names << info.systemLocation();
#endif
    }
    names.sort();
    return names;
}

bool OpenPort(ProgramState& p, const QString& name) {
    p.PortHandle = std::make_unique<SerialPort>(DeviceForPortName(name));
    return p.PortHandle->Open();
}

void ClosePort(ProgramState& p) {
    if (p.PortHandle) p.PortHandle->Close();
}

void ComboBox1Change(ProgramState& p) {
    p.ctl.Label39.clear();
    ClosePort(p);
    const bool opened = OpenPort(p, p.ctl.ComboBox1.text);
    p.ctl.Label1 = opened ? QStringLiteral("открыт.") : QStringLiteral("используется.");
    p.ctl.label1Red = !opened;
    p.ctl.label1Reason = opened ? QString() : p.PortHandle->FailureReason();
    // The new port is watched for the radio's announcement from now on.
    p.ctl.Timer1 = true;
}

}  // namespace belvan
