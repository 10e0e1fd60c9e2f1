#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <memory>
#include <vector>

#include "console.h"
#include "core/texts.h"
#include "file_report.h"
#include "port_worker.h"
#include "radio_command.h"
#include "stop_signals.h"
#include "verb_support.h"
#include "verbs.h"
#include "verbs_radio.h"

namespace belvan::cli {

namespace {

// The log of a programming station: one CSV row a radio, the header when the file is new. Every
// write is checked and flushed; a row that could not be written is said at once.
class StationLog {
  public:
    explicit StationLog(const QString& path) : file_(path) {}
    bool Open() {
        if (file_.fileName().isEmpty()) return true;
        const bool fresh = !file_.exists() || file_.size() == 0;
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) return false;
        if (fresh)
            Row({QStringLiteral("время"), QStringLiteral("порт"), QStringLiteral("итог"),
                 QStringLiteral("сообщение"), QStringLiteral("контрольная сумма")},
                QStringLiteral("заголовок"));
        return true;
    }
    QString Error() const { return file_.errorString(); }
    // True once a row could not be written.
    bool Failed() const { return failed_; }
    // `what` names the row in the message when it cannot be written.
    void Row(const QStringList& cells, const QString& what) {
        if (!file_.isOpen()) return;
        QStringList quoted;
        for (const QString& cell : cells) quoted << CsvField(cell);
        const QByteArray bytes = (quoted.join(u',') + u'\n').toUtf8();
        if (file_.write(bytes) == bytes.size() && file_.flush()) return;
        failed_ = true;
        ErrLine(QStringLiteral("Ошибка: не удалось записать в журнал «%1» %2: %3.")
                    .arg(Shown(file_.fileName()), what, file_.errorString()));
    }

  private:
    QFile file_;
    bool failed_ = false;
};

}  // namespace

int RunStation(const QStringList& arguments) {
    const QString verb = QStringLiteral("station");
    QCommandLineParser parser;
    const QCommandLineOption port = PortOption();
    const QCommandLineOption force = ForceOption(QStringLiteral("Записать"));
    const QCommandLineOption verify(
        QStringLiteral("verify"),
        QStringLiteral("После записи прочитать радиостанцию и сравнить с записанным (так и "
                       "без этого параметра)."));
    const QCommandLineOption noVerify(
        QStringLiteral("no-verify"),
        QStringLiteral("Не проверять после записи: быстрее, но запись, которую радиостанция "
                       "подтвердила, а не сохранила, останется незамеченной."));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Дописывать строку о каждой радиостанции в "
                                                "CSV-файл (время, порт, итог, сообщение, "
                                                "контрольная сумма)."),
                                 QStringLiteral("ФАЙЛ"));
    parser.addOptions({port, force, verify, noVerify, log});
    const RadioCommand command =
        ParseRadioCommand(parser, verb, arguments, port, force, [&]() -> QString {
            if (parser.isSet(verify) && parser.isSet(noVerify))
                return QStringLiteral("--verify и --no-verify исключают друг друга");
            return {};
        });
    if (command.exit) return *command.exit;
    const QStringList& ports = command.ports;
    const ParameterImage& image = command.image;
    StationLog report(parser.value(log));
    if (!report.Open()) {
        ErrLine(QStringLiteral("Ошибка: не удалось открыть журнал «%1»: %2.")
                    .arg(Shown(parser.value(log)), report.Error()));
        return Exit::FileProblem;
    }
    const QString checksum = HexByte(BuildFileBytes(image)[kFileChecksumOffset]);
    const WriteJob job{image, false, !parser.isSet(noVerify)};

    QEventLoop loop;
    std::vector<std::unique_ptr<PortWorker>> workers;
    int programmed = 0, failed = 0;
    auto summary = [&](int unknown) {
        QString text = QStringLiteral("Итог: записано %1, ошибок %2").arg(programmed).arg(failed);
        if (unknown > 0) text += QStringLiteral(", состояние неизвестно: %1").arg(unknown);
        OutLine(text + u'.');
    };
    auto anyBusy = [&] {
        return std::any_of(workers.begin(), workers.end(),
                           [](const auto& worker) { return worker->Busy(); });
    };
    const StopSignals stop(
        [&] {
            const QStringList busy = StopAll(workers);
            if (busy.isEmpty()) {
                loop.quit();
                return;
            }
            ErrLine(QStringLiteral("Остановка: запись на %1 доводится до конца, новые "
                                   "радиостанции не принимаются (%2).")
                        .arg(OnPorts(busy), kStopAgain));
        },
        [&] {
            QStringList unconfirmed;
            for (const auto& worker : workers) {
                if (!worker->Unconfirmed()) continue;
                unconfirmed << worker->PortName();
                report.Row({QDateTime::currentDateTime().toString(Qt::ISODate), worker->PortName(),
                            QStringLiteral("прервано"),
                            QStringLiteral("запись прервана, состояние радиостанции неизвестно"),
                            checksum},
                           QStringLiteral("строку о радиостанции на порту ") + worker->PortName());
            }
            summary(static_cast<int>(unconfirmed.size()));
            AbandonExchanges(unconfirmed);
        });

    for (const QString& name : ports) {
        workers.push_back(std::make_unique<PortWorker>(name));
        PortWorker* worker = workers.back().get();
        QObject::connect(worker, &PortWorker::announced, &loop, [worker, &job, &stop] {
            if (stop.Stopping()) return;
            ErrLine(QStringLiteral("%1: радиостанция подключена, запись…").arg(worker->PortName()));
            worker->Run(job);
        });
        QObject::connect(worker, &PortWorker::announcedAgain, &loop, [worker] {
            ErrLine(
                QStringLiteral("%1: радиостанция снова сообщила о подключении — не считается "
                               "новой: линия не молчала %2 с. Чтобы записать её ещё раз, "
                               "отключите её и подключите заново.")
                    .arg(worker->PortName(),
                         QString::number(kStationQuietMs / 1000.0, 'f', 1).replace(u'.', u',')));
        });
        QObject::connect(
            worker, &PortWorker::portState, &loop, [worker](bool open, const QString& reason) {
                ErrLine(open ? QStringLiteral("%1: порт открыт, ожидание радиостанции.")
                                   .arg(worker->PortName())
                             : QStringLiteral("%1: %2").arg(worker->PortName(), reason));
            });
        QObject::connect(
            worker, &PortWorker::finished, &loop, [&, worker](const RadioOutcome& outcome) {
                const bool ok = outcome.job.Succeeded();
                const QString message = OutcomeMessage(outcome.job);
                (ok ? programmed : failed)++;
                const QString time = QDateTime::currentDateTime().toString(Qt::ISODate);
                OutLine(QStringLiteral("%1 %2: %3 — %4 (%5)")
                            .arg(time, worker->PortName(),
                                 ok ? QStringLiteral("успех") : QStringLiteral("ОШИБКА"), message,
                                 SecondsText(outcome.elapsedMs)));
                report.Row(
                    {time, worker->PortName(),
                     ok ? QStringLiteral("успех") : QStringLiteral("ошибка"), message, checksum},
                    QStringLiteral("строку о радиостанции на порту ") + worker->PortName());
                if (stop.Stopping() && !anyBusy()) loop.quit();
            });
        worker->Watch();
    }
    ErrLine(QStringLiteral("Станция работает; Ctrl+C — завершить."));
    loop.exec();
    summary(0);
    // A radio whose row is missing from the log is work lost: that fails the station first.
    if (report.Failed()) {
        ErrLine(QStringLiteral("Ошибка: журнал «%1» записан не полностью; чего в нём нет, "
                               "сказано выше.")
                    .arg(Shown(parser.value(log))));
        return Exit::FileProblem;
    }
    return failed == 0 ? Exit::Ok : Exit::LinkFailed;
}

}  // namespace belvan::cli
