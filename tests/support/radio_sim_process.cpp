#include "radio_sim_process.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>

#ifndef BELVAN_RADIO_SIM_PATH
#error "BELVAN_RADIO_SIM_PATH must name the belvan-radio-sim binary"
#endif

namespace belvan::testing {

RadioSimProcess::RadioSimProcess() {
    process_.setProgram(QStringLiteral(BELVAN_RADIO_SIM_PATH));
}

RadioSimProcess::~RadioSimProcess() {
    Stop();
}

QString RadioSimProcess::Start(const QStringList& arguments, int timeoutMs) {
    Stop();
    stdout_.clear();
    stderr_.clear();
    devicePath_.clear();
    error_.clear();
    process_.setArguments(arguments);
    process_.start();
    if (!process_.waitForStarted(timeoutMs)) {
        error_ =
            QStringLiteral("cannot start %1: %2").arg(process_.program(), process_.errorString());
        return {};
    }
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (const auto line = TakeLine()) {
            if (!line->startsWith(QLatin1String("PTY "))) {
                error_ = QStringLiteral("first line is not 'PTY <path>': ") + *line;
                return {};
            }
            devicePath_ = line->mid(4);
            return devicePath_;
        }
        if (deadline.hasExpired() || !IsRunning()) break;
        Pump(static_cast<int>(deadline.remainingTime()));
    }
    error_ = IsRunning()
                 ? QStringLiteral("no PTY line in time")
                 : QStringLiteral("the simulator ended with code %1").arg(process_.exitCode());
    error_ += QStringLiteral("; log: ") + stderr_;
    return {};
}

RadioSimProcess::Reply RadioSimProcess::Command(const QString& command, int timeoutMs) {
    Reply reply;
    if (!IsRunning()) return reply;
    process_.write((command + QLatin1Char('\n')).toUtf8());
    process_.waitForBytesWritten(timeoutMs);
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        while (const auto line = TakeLine()) {
            if (line->startsWith(QLatin1String("ok")) || line->startsWith(QLatin1String("error"))) {
                reply.ok = line->startsWith(QLatin1String("ok"));
                reply.status = *line;
                return reply;
            }
            reply.lines << *line;
        }
        if (deadline.hasExpired() || !IsRunning()) return reply;
        Pump(static_cast<int>(deadline.remainingTime()));
    }
}

std::optional<ParameterImage> RadioSimProcess::Image(int timeoutMs) {
    const Reply reply = Command(QStringLiteral("dump"), timeoutMs);
    if (!reply.ok || reply.lines.size() != 1) return std::nullopt;
    const QString& line = reply.lines.front();
    if (!line.startsWith(QLatin1String("IMAGE "))) return std::nullopt;
    const QByteArray hex = line.mid(6).toLatin1();
    const QByteArray bytes = QByteArray::fromHex(hex);
    if (hex.size() != 2 * kImageSize || bytes.size() != kImageSize) return std::nullopt;
    return ParameterImage::FromBytes(reinterpret_cast<const std::uint8_t*>(bytes.constData()));
}

QString RadioSimProcess::Log() {
    Pump(0);
    return stderr_;
}

bool RadioSimProcess::WaitForLog(const QString& text, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        Pump(0);
        if (stderr_.contains(text)) return true;
        if (deadline.hasExpired() || !IsRunning()) return false;
        Pump(static_cast<int>(std::min<qint64>(deadline.remainingTime(), 50)));
    }
}

std::optional<int> RadioSimProcess::WaitForExit(int timeoutMs) {
    if (IsRunning() && !process_.waitForFinished(timeoutMs)) return std::nullopt;
    Pump(0);
    if (process_.exitStatus() != QProcess::NormalExit) return std::nullopt;
    return process_.exitCode();
}

void RadioSimProcess::Stop() {
    if (!IsRunning()) return;
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(3000);
    }
    Pump(0);
}

void RadioSimProcess::Pump(int timeoutMs) {
    if (IsRunning() && timeoutMs > 0) process_.waitForReadyRead(timeoutMs);
    stdout_ += process_.readAllStandardOutput();
    stderr_ += QString::fromUtf8(process_.readAllStandardError());
}

std::optional<QString> RadioSimProcess::TakeLine() {
    const auto end = stdout_.indexOf('\n');
    if (end < 0) return std::nullopt;
    QString line = QString::fromUtf8(stdout_.left(end));
    stdout_.remove(0, end + 1);
    return line;
}

void SimulatorFixture::StartSim(QStringList arguments) {
    if (!arguments.contains(QStringLiteral("--no-announce")))
        arguments.prepend(QStringLiteral("--no-announce"));
    port_ = sim_.Start(arguments);
    ASSERT_FALSE(port_.isEmpty()) << sim_.Error().toStdString();
}

ParameterImage SimulatorFixture::Held() {
    const auto image = sim_.Image();
    EXPECT_TRUE(image.has_value());
    return image.value_or(ParameterImage{});
}

}  // namespace belvan::testing
