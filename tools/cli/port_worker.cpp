#include "port_worker.h"

namespace belvan::cli {

QString OutcomeMessage(const JobOutcome& outcome) {
    if (outcome.Verified()) return QStringLiteral("Запись проверена");
    if (outcome.Written()) return OutcomeText(ExchangeOutcome::Written);
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
        case JobStep::Write:
            break;
    }
    return error.text;
}

PortWorker::PortWorker(const QString& portName, RadioLink::LineFactory factory, QObject* parent)
    : QObject(parent), portName_(portName), link_(std::move(factory)) {
    qRegisterMetaType<RadioOutcome>();
    RadioLink* link = link_.Link();
    connect(link, &RadioLink::portStateChanged, this, &PortWorker::OnPortState);
    connect(link, &RadioLink::readFinished, this, &PortWorker::OnRead);
    connect(link, &RadioLink::writeFinished, this, &PortWorker::OnWritten);
    connect(link, &RadioLink::stationPolled, this, &PortWorker::OnPolled);
    connect(link, &RadioLink::progress, this, [this](const LinkProgress& at) {
        emit progress(at.stage, at.total > 0 ? at.done * 100 / at.total : 0);
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
    asked_ = job;
    job_.reset();
    clock_.start();
    if (!open_ && !stopping_) {
        step_ = Step::Opening;
        Ask([n = portName_](RadioLink* l) { l->OpenPort(n); });
        return;
    }
    step_ = Step::Running;
    job_.emplace(job.image, job.backupFirst, job.verify);
    if (stopping_) job_->Stop();
    Follow(job_->Start());
}

void PortWorker::Watch() {
    watching_ = true;
    step_ = Step::Watching;
    reopen_.start();
    if (open_) {
        PollNext();
    } else {
        Ask([n = portName_](RadioLink* l) { l->OpenPort(n); });
    }
}

void PortWorker::Stop() {
    stopping_ = true;
    if (job_) job_->Stop();
    watching_ = false;
    reopen_.stop();
    if (step_ == Step::Watching) step_ = Step::Idle;
}

void PortWorker::PollNext() {
    // Each poll listens for a while itself, so the next follows at once; an answer to an older
    // ticket is not followed up.
    Ask([t = ++ticket_, after = std::exchange(afterJob_, false)](RadioLink* l) {
        l->PollStation(t, after);
    });
}

void PortWorker::OnPolled(quint64 ticket, StationEvent event) {
    if (step_ != Step::Watching || ticket != ticket_) return;
    if (event == StationEvent::NewRadio) {
        emit announced();
    } else if (event != StationEvent::Nothing) {
        emit announcedAgain(event);
    }
    if (step_ == Step::Watching && open_ && ticket == ticket_) PollNext();
}

void PortWorker::OnPortState(const PortState& state) {
    open_ = state.open;
    const std::pair<bool, QString> told{state.open, state.open ? QString() : state.failure.text};
    if (toldState_ != told) {
        toldState_ = told;
        emit portState(told.first, told.second);
    }
    if (step_ == Step::Opening) {
        if (!state.open) {
            JobOutcome notOpened;
            notOpened.step = JobStep::Open;
            notOpened.status = state.failure;
            Finish(notOpened);
            return;
        }
        Run(asked_);
        return;
    }
    if (step_ == Step::Watching && state.open) PollNext();
}

void PortWorker::Follow(const JobNext& next) {
    if (const auto* outcome = std::get_if<JobOutcome>(&next)) {
        Finish(*outcome);
    } else if (const auto* request = std::get_if<JobRequest>(&next)) {
        if (*request == JobRequest::ReadRadio) {
            Ask([](RadioLink* l) { l->Read(); });
        } else {
            Ask([image = job_->Image()](RadioLink* l) { l->Write(image); });
        }
    }
}

void PortWorker::OnRead(const ReadResult& result) {
    if (step_ == Step::Running && job_ && job_->AwaitsRead()) Follow(job_->OnRead(result));
}

void PortWorker::OnWritten(const WriteResult& result) {
    if (step_ == Step::Running && job_ && job_->AwaitsWrite()) Follow(job_->OnWritten(result));
}

void PortWorker::Finish(const JobOutcome& outcome) {
    step_ = watching_ ? Step::Watching : Step::Idle;
    // The radio just worked with is not taken for a new one until its line goes quiet.
    afterJob_ = open_;
    emit finished({outcome, clock_.elapsed()});
    if (step_ == Step::Watching && open_) PollNext();
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
