#include "port_worker.h"

#include "files/backup.h"
#include "image/image_differences.h"
#include "link/connection_watch.h"

namespace belvan::cli {

PortWorker::PortWorker(const QString& portName, RadioLink::LineFactory factory, QObject* parent)
    : QObject(parent), portName_(portName), link_(std::move(factory)) {
    qRegisterMetaType<JobOutcome>();
    RadioLink* link = link_.Link();
    connect(link, &RadioLink::portStateChanged, this, &PortWorker::OnPortState);
    connect(link, &RadioLink::readFinished, this, &PortWorker::OnRead);
    connect(link, &RadioLink::writeFinished, this, &PortWorker::OnWritten);
    connect(link, &RadioLink::progress, this, [this](const LinkProgress& at) {
        emit progress(at.stage, at.total > 0 ? at.done * 100 / at.total : 0);
    });
    connect(link, &RadioLink::polled, this, [this](quint64 ticket, bool announced) {
        if (step_ != Step::Watching || ticket != ticket_) return;
        if (announced) {
            emit this->announced();
            return;
        }
        poll_.start();
    });
    poll_.setSingleShot(true);
    poll_.setInterval(kWatchIntervalMs);
    connect(&poll_, &QTimer::timeout, this, [this] {
        if (step_ != Step::Watching || !open_) return;
        Ask([t = ++ticket_](RadioLink* l) { l->Poll(t); });
    });
    reopen_.setInterval(1000);
    connect(&reopen_, &QTimer::timeout, this, [this] {
        if (!open_ && step_ == Step::Watching)
            Ask([n = portName_](RadioLink* l) { l->OpenPort(n); });
    });
}

PortWorker::~PortWorker() {
    disconnect(link_.Link(), nullptr, this, nullptr);
}

void PortWorker::Ask(const std::function<void(RadioLink*)>& request) {
    QMetaObject::invokeMethod(link_.Link(), [l = link_.Link(), request] { request(l); });
}

void PortWorker::Run(const WriteJob& job) {
    job_ = job;
    backupPath_.clear();
    poll_.stop();
    clock_.start();
    if (!open_) {
        step_ = Step::Opening;
        Ask([n = portName_](RadioLink* l) { l->OpenPort(n); });
        return;
    }
    if (job_.backupFirst) {
        step_ = Step::BackupReading;
        Ask([](RadioLink* l) { l->Read(); });
        return;
    }
    StartWrite();
}

void PortWorker::Watch() {
    watching_ = true;
    step_ = Step::Watching;
    reopen_.start();
    if (open_) {
        poll_.start();
    } else {
        Ask([n = portName_](RadioLink* l) { l->OpenPort(n); });
    }
}

void PortWorker::OnPortState(const PortState& state) {
    open_ = state.open;
    emit portState(state.open, state.reason);
    if (step_ == Step::Opening) {
        if (!state.open) {
            Finish(false, state.reason);
            return;
        }
        Run(job_);
        return;
    }
    if (step_ == Step::Watching && state.open) poll_.start();
}

void PortWorker::StartWrite() {
    step_ = Step::Writing;
    Ask([image = job_.image](RadioLink* l) { l->Write(image); });
}

void PortWorker::OnRead(const ReadResult& result) {
    if (step_ == Step::BackupReading) {
        if (!Succeeded(result.outcome)) {
            Finish(false, QStringLiteral("чтение перед записью: ") + OutcomeText(result.outcome));
            return;
        }
        const BackupResult backup = WriteBackup(result.image);
        if (!backup.Ok()) {
            // The radio's contents could not be kept: nothing is written over them.
            Finish(false, QStringLiteral("резервная копия не сохранена: ") + backup.error);
            return;
        }
        backupPath_ = backup.path;
        StartWrite();
        return;
    }
    if (step_ != Step::Verifying) return;
    if (!Succeeded(result.outcome)) {
        Finish(false, QStringLiteral("проверка: ") + OutcomeText(result.outcome));
        return;
    }
    const QStringList differences = ImageDifferences(job_.image, result.image);
    if (differences.isEmpty()) {
        Finish(true, QStringLiteral("Запись проверена"));
        return;
    }
    Finish(false, QStringLiteral("радиостанция хранит не то, что записано: ") +
                      differences.join(QStringLiteral("; ")));
}

void PortWorker::OnWritten(const WriteResult& result) {
    if (step_ != Step::Writing) return;
    if (!Succeeded(result.outcome)) {
        Finish(false, OutcomeText(result.outcome));
        return;
    }
    if (job_.verify) {
        step_ = Step::Verifying;
        Ask([](RadioLink* l) { l->Read(); });
        return;
    }
    Finish(true, OutcomeText(result.outcome));
}

void PortWorker::Finish(bool ok, const QString& message) {
    step_ = watching_ ? Step::Watching : Step::Idle;
    emit finished({ok, message, clock_.elapsed(), backupPath_});
    if (step_ == Step::Watching && open_) poll_.start();
}

}  // namespace belvan::cli
