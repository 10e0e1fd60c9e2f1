// One radio on one port, for belvan-cli: a link object on its own thread that writes an image
// (reading the radio first for a backup, reading it back to verify, when asked), and, for the
// programming station, watches the port for the radio's announcement in between.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>

#include "image/parameter_image.h"
#include "link/radio_link.h"

namespace belvan::cli {

struct WriteJob {
    ParameterImage image{};
    bool backupFirst = false;  // read the radio and keep what it held before writing
    bool verify = false;       // read back and compare after the write
};

// How one radio's job ended.
struct JobOutcome {
    bool ok = false;
    QString message;  // the outcome in the operator's words
    qint64 elapsedMs = 0;
    QString backupPath;  // the backup kept before the write, if any
};

class PortWorker : public QObject {
    Q_OBJECT

  public:
    explicit PortWorker(const QString& portName, RadioLink::LineFactory factory = {},
                        QObject* parent = nullptr);
    ~PortWorker() override;

    const QString& PortName() const { return portName_; }
    bool Busy() const { return step_ != Step::Idle && step_ != Step::Watching; }

    // Opens the port if need be and runs the job; `finished` tells how it went.
    void Run(const WriteJob& job);
    // Keeps the port open (trying again each second while it will not open) and polls it for
    // the radio's announcement every 30 ms while no job runs; `announced` tells of each one.
    void Watch();

  signals:
    void progress(const QString& stage, int percent);
    void finished(const belvan::cli::JobOutcome& outcome);
    void announced();
    // The port opened, would not open (with the reason) or was lost.
    void portState(bool open, const QString& reason);

  private:
    enum class Step { Idle, Opening, BackupReading, Writing, Verifying, Watching };

    void OnPortState(const PortState& state);
    void OnRead(const ReadResult& result);
    void OnWritten(const WriteResult& result);
    void StartWrite();
    void Finish(bool ok, const QString& message);
    void Ask(const std::function<void(RadioLink*)>& request);

    QString portName_;
    LinkThread link_;
    WriteJob job_;
    Step step_ = Step::Idle;
    bool open_ = false;
    bool watching_ = false;
    quint64 ticket_ = 0;
    QTimer poll_;
    QTimer reopen_;
    QElapsedTimer clock_;
    QString backupPath_;
};

}  // namespace belvan::cli

Q_DECLARE_METATYPE(belvan::cli::JobOutcome)
