// One radio on one port, for belvan-cli: a link object on its own thread and the job runner that
// reads the radio, or writes an image (reading the radio first for a backup, reading it back to
// verify, when asked), and, for the programming station, watches the port for the radio's
// announcement in between.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "image/parameter_image.h"
#include "job/job_runner.h"
#include "link/radio_link.h"

namespace belvan::cli {

struct WriteJob {
    ParameterImage image{};
    bool backupFirst = false;  // read the radio and keep what it held before writing
    bool verify = false;       // read back and compare after the write
};

// How one radio's job ended, and how long it took.
struct RadioOutcome {
    JobOutcome job;
    qint64 elapsedMs = 0;
};

// The outcome in belvan-cli's words, one line: "Запись проверена", "Параметры записаны", or the
// failure with the step it happened in ("чтение перед записью: …", "проверка: …").
QString OutcomeMessage(const JobOutcome& outcome);

class PortWorker : public QObject {
    Q_OBJECT

  public:
    explicit PortWorker(const QString& portName, RadioLink::LineFactory factory = {},
                        QObject* parent = nullptr);
    ~PortWorker() override;

    const QString& PortName() const { return portName_; }
    bool Busy() const { return opening_ || runner_.Running(); }
    // A write or the check after it is under way: what the radio holds is not confirmed.
    bool Unconfirmed() const { return runner_.Unconfirmed(); }

    // Opens the port if need be and runs the job; `finished` tells how it went.
    void Run(const WriteJob& job);
    // Opens the port if need be and reads the radio, keeping what it held as a backup; `finished`
    // tells how it went, with the image read.
    void Read();
    // Keeps the port open (the link tries again each second while it will not open) and listens to
    // it for the radio's announcement while no job runs (PollStation: line noise, repeated
    // announcements and a radio just written are not new radios); `announced` tells of each new
    // radio, `announcedAgain` of every other announcement.
    void Watch();
    // Begins no new exchange: watching ends, a write under way is finished and checked as asked,
    // and a job that has not begun its write ends without it (Stopped).
    void Stop();

  signals:
    void progress(const belvan::LinkProgress& at);
    void finished(const belvan::cli::RadioOutcome& outcome);
    void announced();
    // An announcement that is not a new radio, and why: SameRadio or LineBusy (PollStation).
    void announcedAgain(belvan::StationEvent why);
    // The port opened, would not open (with the reason) or was lost; while watching, told when
    // that changes, not at every try to open it.
    void portState(bool open, const QString& reason);

  private:
    void OnPortState(const PortState& state);
    void OnPolled(quint64 ticket, StationEvent event);
    void PollNext();
    // Runs the job asked for, opening the port first if need be.
    void Begin();
    void Finish(std::optional<JobOutcome> outcome);
    void Ask(const std::function<void(RadioLink*)>& request);
    // Listening for announcements: watching, and no job under way.
    bool Watching() const { return watching_ && !Busy(); }

    QString portName_;
    LinkThread link_;
    QueuedJobLink jobLink_;
    JobRunner runner_;
    std::optional<WriteJob> asked_;  // the write asked for; a read when empty
    bool opening_ = false;           // the port is being opened for the job asked for
    bool open_ = false;
    bool watching_ = false;
    bool stopping_ = false;
    bool afterJob_ = false;  // the next poll follows a job on this port
    quint64 ticket_ = 0;
    QElapsedTimer clock_;
};

// Asks every worker to stop (see PortWorker::Stop); the ports whose exchange is still under way.
QStringList StopAll(const std::vector<std::unique_ptr<PortWorker>>& workers);

}  // namespace belvan::cli

Q_DECLARE_METATYPE(belvan::cli::RadioOutcome)
