// A soak of the programming station: `belvan-cli station` watches the ports of several simulated
// radios for a given time while radios are swapped in 1 to 3 s after each one's row, with the
// simulator's faults: noise before its answers, stray bytes on the line, late frames, hang-ups in
// the middle of a write, announcements repeated, and line noise while no radio is plugged in.
//
// It checks that every announcement is in the station's output and in its log exactly once and
// in order, that "успех" is said only of radios that hold the plan, and, with --check-memory,
// that the station's memory stays flat; and prints the figures. The exit code is 0 when every
// check holds.
//
// usage: station_soak --cli PATH --sim PATH [--seconds 600] [--ports 8] [--seed 1]
//                     [--check-memory]
#include <signal.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "files/settings_file.h"

using namespace belvan;

namespace {

// What each radio does wrong, and how often it is picked.
struct FaultChoice {
    const char* name;
    int weight;
    bool repeats;  // may announce again after its row
};
constexpr FaultChoice kFaults[] = {
    {"none", 8, true},        {"noise", 2, true},   {"chatter", 3, true},
    {"late-frame", 2, false}, {"hangup", 1, false},
};
constexpr int kRowTimeoutMs = 25000;  // an announcement with no row by then is missing
constexpr int kOpenTimeoutMs = 15000;
constexpr double kLineNoiseChance = 0.15;  // line noise while no radio is plugged in
constexpr double kRepeatChance = 0.3;
constexpr qint64 kMemoryGrowthLimit = 2 * 1024 * 1024;

ParameterImage MakeImage(std::uint16_t base) {
    ParameterImage image;
    for (int c = 0; c < kChannelCount; ++c) {
        ChannelEntry entry;
        entry.flags = ChannelFlag::Step25 | ChannelFlag::InUse;
        entry.rxCode = static_cast<std::uint16_t>(base + 4 * c);
        entry.txCode = static_cast<std::uint16_t>(base + 2 + 4 * c);
        image.SetRecord(c, entry);
    }
    return image;
}

QString Hex(const ParameterImage& image) {
    const auto& bytes = image.Bytes();
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()))
            .toHex()
            .toUpper());
}

// The fields of one CSV line.
QStringList CsvFields(const QString& line) {
    QStringList fields{QString()};
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted && c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
            fields.last() += c;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (c == u',' && !quoted) {
            fields << QString();
        } else {
            fields.last() += c;
        }
    }
    return fields;
}

// A /proc figure of a process: a line of its status file ("VmRSS") in bytes.
qint64 StatusBytes(qint64 pid, const char* name) {
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(name))
            return line.mid(qstrlen(name) + 1).trimmed().split(' ')[0].toLongLong() * 1024;
    return -1;
}

// The CPU time a process has used, user and system, in seconds.
double CpuSeconds(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QByteArray stat = file.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) return -1;
    return (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

// One simulated radio's program, on its link; commands go to its stdin one line each and are
// answered in turn.
class Simulator : public QObject {
  public:
    using Reply = std::function<void(const QStringList& lines, bool ok)>;

    Simulator(QString program, QString link)
        : program_(std::move(program)), link_(std::move(link)) {
        connect(&process_, &QProcess::readyReadStandardOutput, this, [this] { Read(); });
        connect(&process_, &QProcess::finished, this, [this](int code) {
            // What it was asked and did not answer is answered as failed.
            for (auto& [reply, lines] : std::exchange(pending_, {}))
                if (reply) reply(lines, false);
            if (ended_) ended_(code);
        });
        process_.setStandardErrorFile(link_ + QStringLiteral(".log"), QIODevice::Append);
    }
    ~Simulator() override {
        process_.disconnect(this);
        process_.terminate();
        if (!process_.waitForFinished(3000)) process_.kill();
    }
    void Start() {
        QFile::remove(link_);
        process_.start(program_,
                       {QStringLiteral("--no-announce"), QStringLiteral("--link"), link_});
    }
    void Command(const QString& line, Reply reply = {}) {
        pending_.push_back({std::move(reply), {}});
        process_.write((line + u'\n').toUtf8());
    }
    void OnEnded(std::function<void(int)> ended) { ended_ = std::move(ended); }
    bool Running() const { return process_.state() != QProcess::NotRunning; }

  private:
    void Read() {
        while (process_.canReadLine()) {
            const QString line = QString::fromUtf8(process_.readLine()).trimmed();
            if (line.startsWith(QLatin1String("PTY ")) || pending_.empty()) continue;
            const bool ok = line.startsWith(QLatin1String("ok"));
            if (!ok && !line.startsWith(QLatin1String("error"))) {
                pending_.front().second << line;
                continue;
            }
            auto [reply, lines] = std::move(pending_.front());
            pending_.erase(pending_.begin());
            if (reply) reply(lines, ok);
        }
    }

    QString program_;
    QString link_;
    QProcess process_;
    std::vector<std::pair<Reply, QStringList>> pending_;
    std::function<void(int)> ended_;
};

struct Figures {
    int radios = 0, announcements = 0, repeats = 0, noiseGaps = 0;
    std::map<QString, int> faults;
    std::map<QString, int> results;
    QStringList problems;
    std::vector<double> jobSeconds;
};

// One port: radios plugged in one after the other, each announcement awaiting its row.
class Port : public QObject {
  public:
    Port(const QString& simulator, const QString& link, const QString& factory,
         const QString& planHex, Figures& figures, QRandomGenerator& random)
        : link_(link),
          factory_(factory),
          planHex_(planHex),
          figures_(figures),
          random_(random),
          sim_(simulator, link) {
        timer_.setSingleShot(true);
        rowTimer_.setSingleShot(true);
        connect(&rowTimer_, &QTimer::timeout, this, [this] {
            Problem(QStringLiteral("no row for announcement %1, of radio %2 (%3)")
                        .arg(said_.size())
                        .arg(said_.back().radio)
                        .arg(said_.back().fault));
            state_ = State::Idle;
            After(1000, 3000, [this] { NextRadio(); });
        });
        sim_.OnEnded([this](int code) {
            if (code != 3) Problem(QStringLiteral("simulator ended with %1").arg(code));
            // Hung up by its fault: the radio's adapter comes back as a new device.
            simEnded_ = true;
            if (state_ == State::AwaitHangUp) Restart();
        });
    }

    const QString& Link() const { return link_; }
    void StartSimulator() { sim_.Start(); }
    // Radios come until `forMs` have passed, the first once the station has opened the port.
    void Begin(qint64 forMs) {
        clock_.start();
        stopAtMs_ = forMs;
        WaitForOpen();
    }
    bool Done() const { return state_ == State::Done; }
    // The results of its rows, as announced and in order.
    QStringList Results() const {
        QStringList results;
        for (const Said& said : said_) results << said.result;
        return results;
    }

    // The station says the port is open.
    void Opened() {
        if (state_ == State::AwaitOpen) {
            state_ = State::Idle;
            After(1000, 3000, [this] { NextRadio(); });
        }
    }
    // A row of the station about this port.
    void Row(const QString& result, const QString& message) {
        if (state_ != State::AwaitRow) {
            Problem(QStringLiteral("a row nobody announced: %1 — %2").arg(result, message));
            return;
        }
        rowTimer_.stop();
        Said& said = said_.back();
        said.result = result;
        figures_.results[result]++;
        static const QRegularExpression seconds(QStringLiteral("\\(([0-9]+,[0-9]+) с\\)$"));
        if (const auto match = seconds.match(message); match.hasMatch())
            figures_.jobSeconds.push_back(match.captured(1).replace(u',', u'.').toDouble());
        state_ = State::Idle;
        if (result == QStringLiteral("успех")) {
            ++checks_;
            sim_.Command(QStringLiteral("dump"), [this, radio = said.radio](
                                                     const QStringList& lines, bool ok) {
                --checks_;
                if (!ok || lines.value(0) != QStringLiteral("IMAGE ") + planHex_)
                    Problem(QStringLiteral("radio %1: «успех», but it does not hold the plan")
                                .arg(radio));
            });
        }
        const bool written = result != QStringLiteral("пропущена");
        if (said.fault == QLatin1String("hangup") && written) {
            state_ = State::AwaitHangUp;
            if (simEnded_) Restart();
            return;
        }
        if (repeatsLeft_ > 0) {
            --repeatsLeft_;
            After(200, 800,
                  [this, radio = said.radio, fault = said.fault] { Announce(radio, fault, true); });
            return;
        }
        if (random_.generateDouble() < kLineNoiseChance) {
            // The line is noisy until the next radio is plugged in, which announces a moment
            // later.
            ++figures_.noiseGaps;
            sim_.Command(QStringLiteral("fault line-noise"));
            After(500, 2500, [this] {
                sim_.Command(QStringLiteral("fault none"));
                After(500, 500, [this] { NextRadio(); });
            });
            return;
        }
        After(1000, 3000, [this] { NextRadio(); });
    }

    bool Settled() const {
        return checks_ == 0 && (state_ == State::Done || state_ == State::Idle);
    }

  private:
    enum class State { AwaitOpen, Idle, AwaitRow, AwaitHangUp, Done };
    struct Said {
        int radio;
        QString fault;
        QString result;
    };

    void After(int lowMs, int highMs, std::function<void()> then) {
        timer_.disconnect();
        connect(&timer_, &QTimer::timeout, this, std::move(then));
        timer_.start(lowMs + int(random_.bounded(highMs - lowMs + 1)));
    }

    void NextRadio() {
        if (clock_.elapsed() >= stopAtMs_) {
            state_ = State::Done;
            return;
        }
        int total = 0;
        for (const FaultChoice& choice : kFaults) total += choice.weight;
        int pick = int(random_.bounded(total));
        const FaultChoice* fault = kFaults;
        while (pick >= fault->weight) pick -= (fault++)->weight;
        figures_.faults[QString::fromLatin1(fault->name)]++;
        repeatsLeft_ = fault->repeats && random_.generateDouble() < kRepeatChance
                           ? 1 + int(random_.bounded(2))
                           : 0;
        // A fresh radio with its fault, straight from the factory.
        sim_.Command(QStringLiteral("fault ") + QString::fromLatin1(fault->name));
        Announce(++figures_.radios, QString::fromLatin1(fault->name), false);
    }

    // The radio plugged in, or (`repeat`) the same one announcing again.
    void Announce(int radio, const QString& fault, bool repeat) {
        said_.push_back({radio, fault, {}});
        ++figures_.announcements;
        if (repeat) ++figures_.repeats;
        state_ = State::AwaitRow;
        sim_.Command(repeat ? QStringLiteral("swap") : QStringLiteral("swap ") + factory_);
        rowTimer_.start(kRowTimeoutMs);
    }

    void WaitForOpen() {
        state_ = State::AwaitOpen;
        timer_.disconnect();
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (state_ != State::AwaitOpen) return;
            Problem(QStringLiteral("the station did not open the port again"));
            state_ = State::Done;
        });
        timer_.start(kOpenTimeoutMs);
    }

    void Restart() {
        simEnded_ = false;
        sim_.Start();
        WaitForOpen();
    }

    void Problem(const QString& text) { figures_.problems << link_ + QStringLiteral(": ") + text; }

    QString link_, factory_, planHex_;
    Figures& figures_;
    QRandomGenerator& random_;
    Simulator sim_;
    QTimer timer_, rowTimer_;
    State state_ = State::AwaitOpen;
    std::vector<Said> said_;
    QElapsedTimer clock_;
    int repeatsLeft_ = 0;
    int checks_ = 0;
    bool simEnded_ = false;
    qint64 stopAtMs_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption cliOption(QStringLiteral("cli"), QStringLiteral("belvan-cli"),
                                       QStringLiteral("PATH"));
    const QCommandLineOption simOption(QStringLiteral("sim"), QStringLiteral("belvan-radio-sim"),
                                       QStringLiteral("PATH"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"),
                                           QStringLiteral("How long radios come (600)."),
                                           QStringLiteral("N"), QStringLiteral("600"));
    const QCommandLineOption portsOption(QStringLiteral("ports"), QStringLiteral("Ports (8)."),
                                         QStringLiteral("N"), QStringLiteral("8"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Random seed (1)."),
                                        QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption memoryOption(QStringLiteral("check-memory"),
                                          QStringLiteral("Fail when the station's memory grows."));
    parser.addOptions({cliOption, simOption, secondsOption, portsOption, seedOption, memoryOption});
    parser.addHelpOption();
    parser.process(app);
    if (!parser.isSet(cliOption) || !parser.isSet(simOption)) parser.showHelp(2);
    const qint64 runMs = parser.value(secondsOption).toLongLong() * 1000;
    const int portCount = std::clamp(parser.value(portsOption).toInt(), 1, 32);
    QRandomGenerator random(parser.value(seedOption).toUInt());

    QTemporaryDir work;
    const ParameterImage plan = MakeImage(400);
    const QString planFile = work.filePath(QStringLiteral("plan.ctrch"));
    const QString factoryFile = work.filePath(QStringLiteral("factory.ctrch"));
    if (!WriteSettingsFile(planFile, BuildFileBytes(plan)) ||
        !WriteSettingsFile(factoryFile, BuildFileBytes(MakeImage(100)))) {
        std::fprintf(stderr, "station_soak: cannot write the images in %s\n",
                     qPrintable(work.path()));
        return 2;
    }
    const QString log = work.filePath(QStringLiteral("report.csv"));

    Figures figures;
    std::vector<std::unique_ptr<Port>> ports;
    std::map<QString, Port*> byLink;
    QStringList arguments = {QStringLiteral("station"), QStringLiteral("--log"), log};
    for (int i = 0; i < portCount; ++i) {
        const QString link = work.filePath(QStringLiteral("radio%1").arg(i + 1));
        ports.push_back(std::make_unique<Port>(parser.value(simOption), link, factoryFile,
                                               Hex(plan), figures, random));
        byLink[link] = ports.back().get();
        arguments << QStringLiteral("--port") << link;
        ports.back()->StartSimulator();
    }
    arguments << planFile;
    // The station opens what the simulators link to: they must be there first.
    for (const auto& port : ports) {
        QElapsedTimer waited;
        waited.start();
        while (!QFile::exists(port->Link()) && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }

    QProcess station;
    QByteArray out, err;
    // Kept beside the log, for a look when a check fails.
    QFile outCopy(work.filePath(QStringLiteral("station.out")));
    QFile errCopy(work.filePath(QStringLiteral("station.err")));
    outCopy.open(QIODevice::WriteOnly);
    errCopy.open(QIODevice::WriteOnly);
    const QRegularExpression rowPattern(
        QStringLiteral("^\\S+ (.+?): (успех|ОШИБКА|пропущена) — (.*)$"));
    const QRegularExpression openPattern(QStringLiteral("^(.+): порт открыт"));
    QObject::connect(&station, &QProcess::readyReadStandardOutput, [&] {
        const QByteArray got = station.readAllStandardOutput();
        outCopy.write(got);
        out += got;
        qsizetype end;
        while ((end = out.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(out.left(end));
            out.remove(0, end + 1);
            const auto match = rowPattern.match(line);
            if (!match.hasMatch()) continue;
            const auto port = byLink.find(match.captured(1));
            if (port == byLink.end()) {
                figures.problems << QStringLiteral("a row of no port: ") + line;
                continue;
            }
            port->second->Row(match.captured(2), match.captured(3));
        }
    });
    QObject::connect(&station, &QProcess::readyReadStandardError, [&] {
        const QByteArray got = station.readAllStandardError();
        errCopy.write(got);
        err += got;
        qsizetype end;
        while ((end = err.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(err.left(end));
            err.remove(0, end + 1);
            const auto match = openPattern.match(line);
            if (!match.hasMatch()) continue;
            if (const auto port = byLink.find(match.captured(1)); port != byLink.end())
                port->second->Opened();
        }
    });
    station.start(parser.value(cliOption), arguments);
    if (!station.waitForStarted(5000)) {
        std::fprintf(stderr, "station_soak: cannot start %s\n", qPrintable(station.program()));
        return 2;
    }
    const qint64 pid = station.processId();

    QElapsedTimer clock;
    clock.start();
    for (const auto& port : ports) port->Begin(runMs);
    // Memory every two seconds; the figure a quarter of the way in is the base for the growth.
    std::vector<std::pair<qint64, qint64>> memory;  // ms, bytes
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout,
                     [&] { memory.emplace_back(clock.elapsed(), StatusBytes(pid, "VmRSS:")); });
    sampler.start(2000);

    QEventLoop loop;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (station.state() == QProcess::NotRunning) {
            figures.problems << QStringLiteral("the station ended by itself");
            loop.quit();
            return;
        }
        if (clock.elapsed() < runMs) return;
        if (std::all_of(ports.begin(), ports.end(), [](const auto& p) { return p->Settled(); }) ||
            clock.elapsed() > runMs + kRowTimeoutMs + 5000)
            loop.quit();
    });
    watch.start(200);
    loop.exec();
    for (const auto& port : ports)
        if (!port->Settled()) figures.problems << port->Link() + QStringLiteral(": still busy");

    const double cpu = CpuSeconds(pid);
    const qint64 ranMs = clock.elapsed();
    ::kill(pid_t(pid), SIGINT);
    if (!station.waitForFinished(15000)) {
        figures.problems << QStringLiteral("the station did not end after Ctrl+C");
        station.kill();
        station.waitForFinished(3000);
    }
    const int exit = station.exitStatus() == QProcess::NormalExit ? station.exitCode() : -1;
    const bool anyFailed = figures.results[QStringLiteral("ОШИБКА")] > 0;
    if (exit != (anyFailed ? 1 : 0))
        figures.problems << QStringLiteral("the station ended with %1").arg(exit);

    // The log holds the rows the station printed, port by port in the same order.
    std::map<QString, QStringList> logged;
    QFile logFile(log);
    int logRows = 0;
    if (logFile.open(QIODevice::ReadOnly)) {
        const QStringList lines =
            QString::fromUtf8(logFile.readAll()).split(u'\n', Qt::SkipEmptyParts);
        for (const QString& line : lines.mid(1)) {
            const QStringList fields = CsvFields(line);
            if (fields.size() != 5) {
                figures.problems << QStringLiteral("a log row of %1 fields: ").arg(fields.size()) +
                                        line;
                continue;
            }
            ++logRows;
            logged[fields[1]] << (fields[2] == QStringLiteral("ошибка") ? QStringLiteral("ОШИБКА")
                                                                        : fields[2]);
        }
    } else {
        figures.problems << QStringLiteral("no log");
    }
    for (const auto& port : ports) {
        const QStringList& rows = logged[port->Link()];
        const QStringList results = port->Results();
        if (rows == results) continue;
        qsizetype at = 0;
        while (at < rows.size() && at < results.size() && rows[at] == results[at]) ++at;
        figures.problems << port->Link() + QStringLiteral(
                                               ": %1 rows logged, %2 announcements; "
                                               "from the %3th the log says «%4», the "
                                               "output «%5»")
                                               .arg(rows.size())
                                               .arg(results.size())
                                               .arg(at + 1)
                                               .arg(rows.value(at), results.value(at));
    }

    // Memory: the mean of the second quarter against the mean of the last, so that the heap's
    // ups and downs between two samples do not count as growth.
    double secondQuarter = 0, lastQuarter = 0;
    int inSecond = 0, inLast = 0;
    qint64 highest = 0;
    for (const auto& [at, bytes] : memory) {
        if (bytes <= 0) continue;
        highest = std::max(highest, bytes);
        if (at >= ranMs / 4 && at < ranMs / 2) secondQuarter += double(bytes), ++inSecond;
        if (at >= ranMs * 3 / 4) lastQuarter += double(bytes), ++inLast;
    }
    const qint64 base = inSecond > 0 ? qint64(secondQuarter / inSecond) : -1;
    const qint64 last = inLast > 0 ? qint64(lastQuarter / inLast) : -1;
    const auto mib = [](qint64 bytes) { return double(bytes) / (1024 * 1024); };
    std::sort(figures.jobSeconds.begin(), figures.jobSeconds.end());

    std::printf("station soak: %d ports, %.0f s, seed %u\n", portCount, ranMs / 1000.0,
                parser.value(seedOption).toUInt());
    QStringList faults;
    for (const auto& [name, count] : figures.faults)
        faults << QStringLiteral("%1 %2").arg(name).arg(count);
    std::printf("radios: %d (%s", figures.radios, qPrintable(faults.join(QStringLiteral(", "))));
    std::printf("); line noise between radios %d times\n", figures.noiseGaps);
    std::printf("announcements: %d (%d of them repeated)\n", figures.announcements,
                figures.repeats);
    std::printf("rows printed: успех %d, ОШИБКА %d, пропущена %d; rows logged: %d\n",
                figures.results[QStringLiteral("успех")], figures.results[QStringLiteral("ОШИБКА")],
                figures.results[QStringLiteral("пропущена")], logRows);
    if (!figures.jobSeconds.empty())
        std::printf("jobs: median %.1f s, longest %.1f s\n",
                    figures.jobSeconds[figures.jobSeconds.size() / 2], figures.jobSeconds.back());
    // The trace: the highest figure of each minute.
    QStringList trace;
    for (const auto& [at, bytes] : memory) {
        const qsizetype minute = at / 60000;
        if (trace.size() <= minute) trace.resize(minute + 1, QStringLiteral("0"));
        trace[minute] = QString::number(std::max(trace[minute].toDouble(), mib(bytes)), 'f', 1);
    }
    if (base > 0 && last > 0) {
        std::printf(
            "station memory (RSS): %.1f MiB on average in the second quarter, %.1f MiB in the "
            "last, %.1f MiB highest; growth %.2f MiB\n",
            mib(base), mib(last), mib(highest), mib(last - base));
        std::printf("station memory by minute (MiB): %s\n", qPrintable(trace.join(u' ')));
        if (parser.isSet(memoryOption) && last - base > kMemoryGrowthLimit)
            figures.problems << QStringLiteral("the station's memory grew by %1 MiB")
                                    .arg(mib(last - base), 0, 'f', 2);
    }
    if (cpu >= 0)
        std::printf("station CPU: %.1f s over %.0f s (%.1f %% of one core)\n", cpu, ranMs / 1000.0,
                    100.0 * cpu / (ranMs / 1000.0));
    std::printf("station exit code: %d\n", exit);
    for (const QString& problem : figures.problems)
        std::printf("PROBLEM: %s\n", qPrintable(problem));
    if (!figures.problems.isEmpty()) {
        work.setAutoRemove(false);
        std::printf("the log, the station's output and the simulators' logs: %s\n",
                    qPrintable(work.path()));
    }
    std::printf("%s\n", figures.problems.isEmpty() ? "every check holds" : "CHECKS FAILED");
    return figures.problems.isEmpty() ? 0 : 1;
}
