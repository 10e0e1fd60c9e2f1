#include "serial_line.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace belvan {

namespace {
constexpr int kWriteLimitMs = 10000;  // a device that takes nothing for this long is gone
constexpr int kWriteSliceMs = 20;

// Whether the device hung up (pulled out, the other end closed), as the system says of it without
// a read. Where the system cannot be asked so, every read error counts.
bool HungUp(QSerialPort& port) {
#ifdef Q_OS_UNIX
    pollfd descriptor{static_cast<int>(port.handle()), POLLIN, 0};
    if (::poll(&descriptor, 1, 0) < 0) return true;
    return (descriptor.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    Q_UNUSED(port);
    return true;
#endif
}

Error OpenFailure(const QSerialPort& port, const QString& deviceName) {
    const QString shown = deviceName.isEmpty() ? QStringLiteral("(пустое имя)") : deviceName;
    switch (port.error()) {
        case QSerialPort::PermissionError: {
#ifndef Q_OS_WIN
            const QFileInfo device(deviceName);
            if (device.exists() && !device.isWritable()) {
                return {ErrorKind::PortNoPermission,
                        QStringLiteral("Нет прав на порт %1. Добавьте пользователя в группу «%2» "
                                       "(например: sudo usermod -aG %2 $USER) и войдите в систему "
                                       "заново.")
                            .arg(shown, device.group())};
            }
#endif
            return {ErrorKind::PortBusy,
                    QStringLiteral("Порт %1 занят другой программой.").arg(shown)};
        }
        case QSerialPort::DeviceNotFoundError:
            return {ErrorKind::PortNotFound, QStringLiteral("Порт %1 не найден.").arg(shown)};
        default:
            break;
    }
    // The system's own words ("Is a directory") mean little to the operator; what the name
    // stands for says more.
    QString why;
#ifndef Q_OS_WIN
    const QFileInfo device(deviceName);
    if (device.isDir()) {
        why = QStringLiteral("это папка, а не устройство порта");
    } else if (device.isFile()) {
        why = QStringLiteral("это обычный файл, а не устройство порта");
    }
#endif
    if (why.isEmpty()) {
        switch (port.error()) {
            case QSerialPort::UnsupportedOperationError:
                why = QStringLiteral("это устройство не последовательный порт");
                break;
            case QSerialPort::ResourceError:
                why = QStringLiteral("устройство не отвечает; проверьте, подключён ли адаптер");
                break;
            case QSerialPort::OpenError:
                why = QStringLiteral("порт уже открыт этой программой");
                break;
            default:
                why = QStringLiteral("система отказала (%1)").arg(port.errorString());
                break;
        }
    }
    return {ErrorKind::PortUnavailable,
            QStringLiteral("Порт %1 не открывается: %2.").arg(shown, why)};
}
}  // namespace

SerialLine::SerialLine(const QString& deviceName) : deviceName_(deviceName) {
    clock_.start();
}

SerialLine::~SerialLine() = default;

bool SerialLine::Open() {
    port_ = std::make_unique<QSerialPort>();
    port_->setPortName(deviceName_);
    failure_ = {};
    lost_ = false;
    if (deviceName_.isEmpty() || !port_->open(QIODevice::ReadWrite)) {
        failure_ = OpenFailure(*port_, deviceName_);
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

void SerialLine::Close() {
    if (port_) port_->close();
    port_.reset();
}

bool SerialLine::IsOpen() const {
    return port_ && port_->isOpen();
}

bool SerialLine::Lost() {
    // A device that went away answers reads with an error (EIO on a hung-up line), which Qt
    // reports as a read or a resource error.
    auto error = port_ ? port_->error() : QSerialPort::NoError;
    const bool readFailed = error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
    if (!lost_ && readFailed && port_->isOpen() && !HungUp(*port_)) {
        // Qt also reports a read that found nothing (its read notice came after a wait had
        // taken the bytes) as a read error, and a read the system asked to try again as a
        // resource error; the line is there all the same.
        port_->clearError();
        error = QSerialPort::NoError;
    }
    if (!lost_ && port_ &&
        (!port_->isOpen() || error == QSerialPort::ResourceError ||
         error == QSerialPort::ReadError)) {
        lost_ = true;
        failure_ = DeviceDisconnected();
    }
    return lost_;
}

bool SerialLine::Write(const QByteArray& bytes) {
    if (!IsOpen() || Lost()) return false;
    if (port_->write(bytes) != bytes.size()) {
        Lost();
        return false;
    }
    const qint64 start = NowMs();
    while (port_->bytesToWrite() > 0) {
        if (Lost() || NowMs() - start > kWriteLimitMs) return false;
        port_->waitForBytesWritten(kWriteSliceMs);
    }
    return !Lost();
}

qint64 SerialLine::BytesWaiting() {
    if (!IsOpen()) return 0;
    // Takes in what the system holds, so a wait never ends on bytes that are already here.
    if (port_->bytesAvailable() == 0) port_->waitForReadyRead(0);
    return port_->bytesAvailable();
}

QByteArray SerialLine::Take(qint64 max) {
    if (!IsOpen() || max <= 0) return {};
    if (port_->bytesAvailable() == 0) port_->waitForReadyRead(0);
    return port_->read(max);
}

void SerialLine::PurgeInput() {
    if (!IsOpen()) return;
    port_->waitForReadyRead(0);
    port_->clear(QSerialPort::Input);
    port_->readAll();
}

void SerialLine::PurgeOutput() {
    if (IsOpen()) port_->clear(QSerialPort::Output);
}

void SerialLine::WaitForInput(qint64 ms) {
    if (!IsOpen() || Lost()) return;
    port_->waitForReadyRead(static_cast<int>(std::clamp<qint64>(ms, 0, 1000)));
}

QString DeviceForPortName(const QString& name) {
#ifdef Q_OS_LINUX
    // The board's serial ports are /dev/ttyS0, /dev/ttyS1…: COM1 is the first, up to COM999.
    // Read by hand rather than by a pattern, which would bring the pattern engine in at start.
    const QStringView number = QStringView(name).mid(3);
    const bool numbered =
        name.startsWith(QLatin1String("COM")) && !number.isEmpty() && number.size() <= 3 &&
        number.front() != u'0' &&
        std::all_of(number.begin(), number.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (numbered) return QStringLiteral("/dev/ttyS%1").arg(number.toInt() - 1);
    return name;
#else
    // Windows opens COMn by that name (Qt adds the \\.\ prefix COM10 and above need); macOS
    // has no numbered ports, only the adapters' devices, so COM1 there is a port not found.
    return name;
#endif
}

QStringList SystemPortNames() {
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        names << info.portName();
#else
        const QString device = info.systemLocation();
#ifdef Q_OS_MACOS
        // macOS has each adapter twice: /dev/tty.* opens only once the modem's carrier is up,
        // which a radio's cable never raises; /dev/cu.* opens at once.
        if (!device.startsWith(QLatin1String("/dev/cu."))) continue;
#endif
        names << device;
#endif
    }
    names.sort();
    return names;
}

}  // namespace belvan
