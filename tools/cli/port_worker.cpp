#include "port_worker.h"

#include <utility>

namespace belvan::cli {

QString OutcomeMessage(const JobOutcome& outcome) {
    if (outcome.Verified()) return QStringLiteral("Запись проверена");
    if (outcome.Written()) return OutcomeText(ExchangeOutcome::Written);
    if (outcome.Succeeded()) return OutcomeText(ExchangeOutcome::Read);
    const Error& error = outcome.status.error();
    switch (outcome.step) {
        case JobStep::BackupRead:
            return QStringLiteral("чтение перед записью: ") + error.text;
        case JobStep::Backup:
            return QStringLiteral("резервная копия не сохранена: ") + error.text;
        case JobStep::Verify:
            if (error.kind != ErrorKind::Mismatch) return QStringLiteral("проверка: ") + error.text;
            break;
        case JobStep::Open:
        case JobStep::Read:
        case JobStep::Write:
            break;
    }
    return error.text;
}

PortWorker::PortWorker(const QString& portName, RadioLink::LineFactory factory, QObject* parent)
    : QObject(parent),
      portName_(portName),
      link_(std::move(factory)),
      jobLink_(link_.Link()),
      runner_(&jobLink_) {
    qRegisterMetaType<RadioOutcome>();
    RadioLink* link = link_.Link();
    connect(link, &RadioLink::portStateChanged, this, &PortWorker::OnPortState);
    connect(link, &RadioLink::readFinished, this,
            [this](quint64 id, const ReadResult& result) { Finish(runner_.TakeRead(id, result)); });
    connect(link, &RadioLink::writeFinished, this, [this](quint64 id, const WriteResult& result) {
        Finish(runner_.TakeWritten(id, result));
    });
    connect(link, &RadioLink::stationPolled, this, &PortWorker::OnPolled);
    connect(link, &RadioLink::progress, this, [this](quint64 id, const LinkProgress& at) {
        if (runner_.Awaits(id)) emit progress(at);
    });
}

PortWorker::~PortWorker() {
    disconnect(link_.Link(), nullptr, this, nullptr);
}

void PortWorker::Ask(const std::function<void(RadioLink*)>& request) {
    QMetaObject::invokeMethod(link_.Link(), [l = link_.Link(), request] { request(l); });
}

void PortWorker::Run(const WriteJob& job) {
    asked_ = job;
    clock_.start();
    Begin();
}

void PortWorker::Read() {
    asked_.reset();
    clock_.start();
    Begin();
}

void PortWorker::Begin() {
    // A write asked for after a stop ends at once, without opening the port.
    if (!open_ && !(asked_ && stopping_)) {
        opening_ = true;
        Ask([n = portName_](RadioLink* l) { l->OpenPort(n); });
        return;
    }
    if (asked_) {
        Finish(runner_.StartWrite(asked_->image, asked_->backupFirst, asked_->verify));
    } else {
        runner_.StartRead(JobKind::Read);
    }
}

void PortWorker::Watch() {
    watching_ = true;
    if (open_) {
        PollNext();
    } else {
        Ask([n = portName_](RadioLink* l) { l->HoldPort(n); });
    }
}

void PortWorker::Stop() {
    stopping_ = true;
    runner_.Stop();
    watching_ = false;
    // A port that will not open is no longer tried.
    if (!open_ && !Busy()) Ask([](RadioLink* l) { l->ClosePort(); });
}

void PortWorker::PollNext() {
    // Each poll listens for a while itself, so the next follows at once; an answer to an older
    // ticket is not followed up.
    Ask([t = ++ticket_, after = std::exchange(afterJob_, false)](RadioLink* l) {
        l->PollStation(t, after);
    });
}

void PortWorker::OnPolled(quint64 ticket, StationEvent event) {
    if (!Watching() || ticket != ticket_) return;
    if (event == StationEvent::NewRadio) {
        emit announced();
    } else if (event != StationEvent::Nothing) {
        emit announcedAgain(event);
    }
    if (Watching() && open_ && ticket == ticket_) PollNext();
}

void PortWorker::OnPortState(const PortState& state) {
    open_ = state.open;
    emit portState(state.open, state.open ? QString() : state.failure.text);
    if (opening_) {
        opening_ = false;
        if (!state.open) {
            JobOutcome notOpened;
            notOpened.kind = asked_ ? JobKind::Write : JobKind::Read;
            notOpened.step = JobStep::Open;
            notOpened.status = state.failure;
            Finish(notOpened);
            return;
        }
        Begin();
        return;
    }
    if (Watching() && state.open) PollNext();
}

void PortWorker::Finish(std::optional<JobOutcome> outcome) {
    if (!outcome) return;
    // The radio just worked with is not taken for a new one until its line goes quiet.
    afterJob_ = open_;
    emit finished({*outcome, clock_.elapsed()});
    if (Watching() && open_) PollNext();
}

QStringList StopAll(const std::vector<std::unique_ptr<PortWorker>>& workers) {
    QStringList busy;
    for (const auto& worker : workers) {
        worker->Stop();
        if (worker->Busy()) busy << worker->PortName();
    }
    return busy;
}

}  // namespace belvan::cli
