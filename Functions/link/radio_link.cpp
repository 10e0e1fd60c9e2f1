#include "radio_link.h"

#include <QTimer>

#include "connection_watch.h"
#include "serial_line.h"

namespace belvan {

namespace {
constexpr int kReopenIntervalMs = 1000;
constexpr int kLivenessIntervalMs = 1000;
}  // namespace

RadioLink::RadioLink(LineFactory factory, QObject* parent)
    : QObject(parent), factory_(factory ? std::move(factory) : LineFactory(SerialLineFor)) {
    qRegisterMetaType<PortState>();
    qRegisterMetaType<StationEvent>();
    qRegisterMetaType<LinkProgress>();
    qRegisterMetaType<ReadResult>();
    qRegisterMetaType<WriteResult>();
    qRegisterMetaType<ParameterImage>();
    reopen_ = new QTimer(this);
    reopen_->setInterval(kReopenIntervalMs);
    connect(reopen_, &QTimer::timeout, this, &RadioLink::TryReopen);
    // A line nobody polls (the watch has seen its radio) is still noticed when it goes away.
    liveness_ = new QTimer(this);
    liveness_->setInterval(kLivenessIntervalMs);
    connect(liveness_, &QTimer::timeout, this, &RadioLink::CheckLost);
}

RadioLink::~RadioLink() {
    if (line_) line_->Close();
}

std::unique_ptr<Line> RadioLink::SerialLineFor(const QString& portName) {
    return std::make_unique<SerialLine>(DeviceForPortName(portName));
}

void RadioLink::OpenPort(const QString& portName) {
    Open(portName, false);
}

void RadioLink::HoldPort(const QString& portName) {
    Open(portName, true);
}

void RadioLink::Open(const QString& portName, bool hold) {
    ClosePort();
    holding_ = hold;
    told_.reset();
    portName_ = portName;
    line_ = factory_(portName);
    station_ = {};
    PortState state{portName, line_->Open(), false, {}, {}};
    if (state.open) {
        liveness_->start();
    } else {
        state.failure = line_->Failure();
        if (state.failure.kind == ErrorKind::PortNotFound) state.systemPorts = SystemPortNames();
        if (holding_) reopen_->start();
    }
    Tell(state);
}

void RadioLink::Tell(const PortState& state) {
    if (holding_) {
        std::pair<bool, QString> told{state.open, state.failure.text};
        if (told_ == told) return;
        told_ = std::move(told);
    }
    emit portStateChanged(state);
}

void RadioLink::ClosePort() {
    holding_ = false;
    reopen_->stop();
    liveness_->stop();
    if (line_) line_->Close();
    line_.reset();
}

void RadioLink::Poll(quint64 ticket) {
    const bool announced = line_ && PollRadioMessage(*line_);
    emit polled(ticket, announced);
    CheckLost();
}

void RadioLink::PollStation(quint64 ticket, bool afterJob) {
    StationEvent event = StationEvent::Nothing;
    if (line_ && line_->IsOpen()) {
        if (afterJob) station_.JobEnded(line_->NowMs());
        event = belvan::PollStation(*line_, station_);
    }
    emit stationPolled(ticket, event);
    CheckLost();
}

void RadioLink::Read(quint64 id) {
    ReadResult result;
    if (line_) {
        result = ReadParameters(*line_, 0,
                                [this, id](const LinkProgress& at) { emit progress(id, at); });
    }
    emit readFinished(id, result);
    CheckLost();
}

void RadioLink::Write(quint64 id, const ParameterImage& image) {
    WriteResult result;
    if (line_) {
        result = WriteParameters(*line_, image,
                                 [this, id](const LinkProgress& at) { emit progress(id, at); });
    } else {
        // No port: the frames go nowhere and no acknowledgement comes.
        result.frame = BuildDataFrame(image, kFirstWriteFrame);
    }
    emit writeFinished(id, result);
    CheckLost();
}

void RadioLink::DiscardInput() {
    if (line_) DiscardStrayInput(*line_);
    CheckLost();
}

void RadioLink::CheckLost() {
    if (!line_ || !line_->IsOpen() || !line_->Lost()) return;
    const Error failure = line_->Failure();
    line_->Close();
    liveness_->stop();
    Tell({portName_, false, true, failure, {}});
    reopen_->start();
}

void RadioLink::TryReopen() {
    if (!line_) {
        reopen_->stop();
        return;
    }
    // A fresh line each time, as on a first open.
    auto line = factory_(portName_);
    if (!line->Open()) {
        if (holding_) Tell({portName_, false, false, line->Failure(), {}});
        return;
    }
    line_ = std::move(line);
    station_ = {};
    reopen_->stop();
    liveness_->start();
    Tell({portName_, true, false, {}, {}});
}

LinkThread::LinkThread(RadioLink::LineFactory factory) : link_(new RadioLink(std::move(factory))) {
    thread_.setObjectName(QStringLiteral("radio link"));
    link_->moveToThread(&thread_);
    QObject::connect(&thread_, &QThread::finished, link_, &QObject::deleteLater);
    thread_.start();
}

LinkThread::~LinkThread() {
    thread_.quit();
    thread_.wait();
}

}  // namespace belvan
