// The link object: owns the line of one port and runs on a thread of its own. Opening, the
// connection watch's polls, the read and the write run there; requests come in as slot calls
// (queued from other threads), and what happened goes out as signals.
// Requests are named as the tool's operations are (OpenPort, Read); what comes back is named as
// Qt's signals are (portStateChanged, readFinished). New link API keeps to the same two rules.
#pragma once

#include <QMetaType>
#include <QObject>
#include <QStringList>
#include <QThread>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "connection_watch.h"
#include "radio_exchange.h"

class QTimer;

namespace belvan {

// What became of the port.
struct PortState {
    QString name;  // as it was asked for ("COM1", "/dev/ttyUSB0")
    bool open = false;
    bool lost = false;  // it was open and the device went away
    Error failure;      // why it is not open: the port's kind (not found, busy …) or LineLost
    // The system's serial ports, listed here on the link's thread when the port was not found,
    // for the advice that names them.
    QStringList systemPorts;
};

class RadioLink : public QObject {
    Q_OBJECT

  public:
    // Makes the line for a port name; the serial port by default.
    using LineFactory = std::function<std::unique_ptr<Line>(const QString& portName)>;

    explicit RadioLink(LineFactory factory = {}, QObject* parent = nullptr);
    ~RadioLink() override;

    static std::unique_ptr<Line> SerialLineFor(const QString& portName);

  public slots:
    // Closes the line held and opens the named one; portStateChanged tells the outcome.
    void OpenPort(const QString& portName);
    // As OpenPort, and the port is kept: one that will not open is tried again about once a
    // second, as a lost one is; portStateChanged tells only a change of its state.
    void HoldPort(const QString& portName);
    void ClosePort();
    // One poll of the connection watch; polled(ticket, announced) answers it.
    void Poll(quint64 ticket);
    // One listen of the programming station's watch (PollStation); stationPolled(ticket, event)
    // answers it. `afterJob`: a job on this port has just ended, so its radio counts as still
    // there until the line goes quiet.
    void PollStation(quint64 ticket, bool afterJob);
    // The exchanges: progress and the answer carry the `id` of their request.
    void Read(quint64 id);
    void Write(quint64 id, const belvan::ParameterImage& image);
    // Drops what has arrived and goes on dropping until the line has been quiet for a while.
    void DiscardInput();

  signals:
    void portStateChanged(const belvan::PortState& state);
    void progress(quint64 id, const belvan::LinkProgress& progress);
    void polled(quint64 ticket, bool announced);
    void stationPolled(quint64 ticket, belvan::StationEvent event);
    void readFinished(quint64 id, const belvan::ReadResult& result);
    void writeFinished(quint64 id, const belvan::WriteResult& result);

  private:
    // After an exchange or a poll: a line that went away is closed and reported, and tried
    // again about once a second until the same device is back.
    void CheckLost();
    void TryReopen();
    void Open(const QString& portName, bool hold);
    // Emits the port's state; a held port's only when it changed.
    void Tell(const PortState& state);

    LineFactory factory_;
    std::unique_ptr<Line> line_;
    QString portName_;
    QTimer* reopen_ = nullptr;
    QTimer* liveness_ = nullptr;
    StationWatch station_;                          // of the line held; a new line starts afresh
    bool holding_ = false;                          // HoldPort: tried again while it will not open
    std::optional<std::pair<bool, QString>> told_;  // the held port's state last told
};

// A RadioLink on a thread of its own, stopped and joined when this goes away.
class LinkThread {
  public:
    explicit LinkThread(RadioLink::LineFactory factory = {});
    ~LinkThread();
    LinkThread(const LinkThread&) = delete;
    LinkThread& operator=(const LinkThread&) = delete;

    // Lives on the link's thread: call its slots through queued connections or invokeMethod.
    RadioLink* Link() const { return link_; }

  private:
    QThread thread_;
    RadioLink* link_;
};

}  // namespace belvan

Q_DECLARE_METATYPE(belvan::PortState)
Q_DECLARE_METATYPE(belvan::StationEvent)
Q_DECLARE_METATYPE(belvan::LinkProgress)
Q_DECLARE_METATYPE(belvan::ReadResult)
Q_DECLARE_METATYPE(belvan::WriteResult)
Q_DECLARE_METATYPE(belvan::ParameterImage)
