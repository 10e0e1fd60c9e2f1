#include "port_worker.h"

#include "files/backup.h"
#include "image/image_differences.h"

namespace belvan::cli {

QString VerifyMismatchText(const QStringList& differences) {
    QString text = QStringLiteral("радиостанция подтвердила запись, но хранит другое: ") +
                   differences.mid(0, kDifferencesShown).join(QStringLiteral("; "));
    if (differences.size() > kDifferencesShown)
        text += QStringLiteral(" … и ещё %1").arg(differences.size() - kDifferencesShown);
    return text;
}

PortWorker::PortWorker(const QString& portName, RadioLink::LineFactory factory, QObject* parent)
    : QObject(parent), portName_(portName), link_(std::move(factory)) {
    qRegisterMetaType<JobOutcome>();
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
    job_ = job;
    backupPath_.clear();
    clock_.start();
    if (stopping_) {
        Finish(false, QStringLiteral("остановлено до записи; радиостанция не изменялась"), true);
        return;
    }
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
        PollNext();
    } else {
        Ask([n = portName_](RadioLink* l) { l->OpenPort(n); });
    }
}

void PortWorker::Stop() {
    stopping_ = true;
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
        toldAgain_ = false;
        emit announced();
    } else if (event == StationEvent::SameRadio && !toldAgain_) {
        toldAgain_ = true;
        emit announcedAgain();
    }
    if (step_ == Step::Watching && open_ && ticket == ticket_) PollNext();
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
    if (step_ == Step::Watching && state.open) PollNext();
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
        if (stopping_) {
            Finish(false, QStringLiteral("остановлено до записи; радиостанция не изменялась"),
                   true);
            return;
        }
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
    Finish(false, VerifyMismatchText(differences));
}

void PortWorker::OnWritten(const WriteResult& result) {
    if (step_ != Step::Writing) return;
    if (!Succeeded(result.outcome)) {
        Finish(false, OutcomeText(result.outcome));
        return;
    }
    // The check goes on after a stop too: it is what confirms the write.
    if (job_.verify) {
        step_ = Step::Verifying;
        Ask([](RadioLink* l) { l->Read(); });
        return;
    }
    Finish(true, OutcomeText(result.outcome));
}

void PortWorker::Finish(bool ok, const QString& message, bool stoppedBeforeWrite) {
    step_ = watching_ ? Step::Watching : Step::Idle;
    // The radio just worked with is not taken for a new one until its line goes quiet.
    afterJob_ = open_;
    emit finished({ok, message, clock_.elapsed(), backupPath_, stoppedBeforeWrite});
    if (step_ == Step::Watching && open_) PollNext();
}

}  // namespace belvan::cli
