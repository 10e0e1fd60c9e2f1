// Times reads and writes through the window against a radio on the given port, and measures how
// long the window's event loop goes without turning while the connection watch polls and while
// the exchanges run. Prints the figures; run-bench.sh starts the radio simulator for it.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "nastroika.h"

namespace {
// Answers every message with OK and remembers the last one.
class SilentOperator : public belvan::OperatorInterface {
  public:
    QString last;
    void ShowMessage(const QString& text, const QString&, belvan::MessageIcon) override {
        last = text;
    }
    belvan::Answer AskYesNoCancel(const QString&, const QString&, belvan::MessageIcon) override {
        return belvan::Answer::Cancel;
    }
    belvan::Answer AskYesNo(const QString&, const QString&, belvan::MessageIcon) override {
        return belvan::Answer::No;
    }
    std::optional<QString> ChooseFileToOpen(const belvan::FileDialogRequest&) override {
        return {};
    }
    std::optional<QString> ChooseFileToSave(const belvan::FileDialogRequest&) override {
        return {};
    }
};

// The longest gap between two turns of the event loop, seen by a 1 ms timer.
class StallMeter {
  public:
    StallMeter() {
        timer_.setInterval(1);
        timer_.setTimerType(Qt::PreciseTimer);
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
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Clicks the button and runs the event loop until the exchange it started has ended.
qint64 Exchange(belvan::TForm1& form, QPushButton* button) {
    QEventLoop loop;
    QObject::connect(&form, &belvan::TForm1::exchangeRunningChanged, &loop, [&](bool running) {
        if (!running) loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(0, button, &QPushButton::click);
    loop.exec();
    return clock.elapsed();
}
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: stall_benchmark PORT [rounds] [latency-ms]\n");
        return 64;
    }
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const int latency = argc > 3 ? std::atoi(argv[3]) : 0;
    // What the line allows at 9600 baud, 10 bits a byte: the request, the 'O' and the frame for
    // a read; two frames and two acknowledgements for a write.
    const double readLimit = (5 + 1 + 260) * 10 / 9.6 + latency;
    const double writeLimit = (2 * 260 + 2) * 10 / 9.6;

    SilentOperator op;
    belvan::TForm1 form({QString::fromLocal8Bit(argv[1]), &op});
    form.show();
    Wait(500);  // the first paint of the window is not the watch's doing
    StallMeter meter;

    meter.Start();
    Wait(3000);
    std::printf("watch polling, 3 s: longest stall %.1f ms\n", meter.StopMs());

    // One exchange of a round: its time against the line's limit, and the longest stall.
    auto timed = [&](const char* name, int round, QPushButton* button, double limit) {
        meter.Start();
        const qint64 ms = Exchange(form, button);
        const double stall = meter.StopMs();
        std::printf(
            "%-5s %d: %5lld ms = %.2f x the line's limit of %.0f ms, longest stall %.1f ms "
            "(%s)\n",
            name, round, static_cast<long long>(ms), ms / limit, limit, stall, qPrintable(op.last));
    };
    for (int round = 1; round <= rounds; ++round) {
        timed("read", round, form.Button5, readLimit);
        timed("write", round, form.Button6, writeLimit);
        Wait(2500);  // the simulator takes a read's frame as still being read for 2 s
    }
    return 0;
}
