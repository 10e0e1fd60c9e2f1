// Measures how long the window's event loop goes without turning while the connection watch
// polls a silent port, and during a read and a write against a radio on the given port.
// Prints the figures; the port is normally the radio simulator's (run-bench.sh starts it).
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "nastroika.h"

namespace {
// Answers every message with OK and records nothing: the benchmark only watches the clock.
class SilentOperator : public belvan::OperatorInterface {
public:
    QString last;
    void ShowMessage(const QString& text, const QString&, belvan::MessageIcon) override { last = text; }
    belvan::Answer AskYesNoCancel(const QString&, const QString&, belvan::MessageIcon) override {
        return belvan::Answer::Cancel;
    }
    belvan::Answer AskYesNo(const QString&, const QString&, belvan::MessageIcon) override {
        return belvan::Answer::No;
    }
    std::optional<QString> ChooseFileToOpen(const belvan::FileDialogRequest&) override { return {}; }
    std::optional<QString> ChooseFileToSave(const belvan::FileDialogRequest&) override { return {}; }
};

// The longest gap between two turns of the event loop, seen by a 1 ms timer.
class StallMeter {
public:
    StallMeter() {
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
    }
    void Start() {
        longest_ = 0;
        clock_.start();
        last_ = 0;
        timer_.start();
    }
    double StopMs() {
        timer_.stop();
        longest_ = std::max(longest_, clock_.nsecsElapsed() - last_);
        return longest_ / 1e6;
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

void Wait(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: stall_benchmark PORT [rounds]\n");
        return 64;
    }
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    SilentOperator op;
    belvan::TForm1 form({QString::fromLocal8Bit(argv[1]), &op});
    form.show();
    Wait(500);  // the first paint of the window is not the watch's doing
    StallMeter meter;

    meter.Start();
    Wait(3000);
    std::printf("watch polling a silent port, 3 s: longest stall %.1f ms\n", meter.StopMs());

    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer exchange;
        meter.Start();
        exchange.start();
        form.Button5->click();
        const qint64 readMs = exchange.elapsed();
        const double readStall = meter.StopMs();
        std::printf("read  %d: %lld ms, longest stall %.1f ms (%s)\n", round + 1,
                    static_cast<long long>(readMs), readStall, qPrintable(op.last));

        meter.Start();
        exchange.start();
        form.Button6->click();
        const qint64 writeMs = exchange.elapsed();
        const double writeStall = meter.StopMs();
        std::printf("write %d: %lld ms, longest stall %.1f ms (%s)\n", round + 1,
                    static_cast<long long>(writeMs), writeStall, qPrintable(op.last));
    }
    return 0;
}
