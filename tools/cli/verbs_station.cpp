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
#include "station_log.h"
#include "stop_signals.h"
#include "verb_support.h"
#include "verbs.h"
#include "verbs_radio.h"

namespace belvan::cli {

namespace {

// Why an announcement was not taken for a new radio, as the station prints and logs it.
QString NotTakenReason(StationEvent why) {
    const QString quiet = QString::number(kStationQuietMs / 1000.0, 'f', 1).replace(u'.', u',');
    const QString advice = QStringLiteral(
        "не записана; если это другая радиостанция, отключите её и "
        "подключите заново");
    return why == StationEvent::LineBusy
               ? QStringLiteral(
                     "линия занята: сообщение о подключении меньше чем через %1 с "
                     "после работы с радиостанцией на этом порту; %2")
                     .arg(quiet, advice)
               : QStringLiteral(
                     "та же радиостанция: сообщение о подключении меньше чем через "
                     "%1 с после предыдущего; %2")
                     .arg(quiet, advice);
}

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
    if (const Status opened = report.Open(); !opened) {
        ErrLine(QStringLiteral("Ошибка: не удалось открыть журнал «%1»: %2.")
                    .arg(Shown(parser.value(log)), opened.error().text));
        return Exit::FileProblem;
    }
    const QString checksum = HexByte(BuildFileBytes(image)[kFileChecksumOffset]);
    const WriteJob job{image, false, !parser.isSet(noVerify)};

    QEventLoop loop;
    std::vector<std::unique_ptr<PortWorker>> workers;
    int programmed = 0, failed = 0, skipped = 0;
    bool stopping = false;
    bool outputLost = false;
    auto summary = [&](int unknown) {
        QString text = QStringLiteral("Итог: записано %1, ошибок %2").arg(programmed).arg(failed);
        if (skipped > 0) text += QStringLiteral(", пропущено %1").arg(skipped);
        if (unknown > 0) text += QStringLiteral(", состояние неизвестно: %1").arg(unknown);
        text += u'.';
        OutLine(text);
        // Standard output gone, the summary still reaches the operator.
        if (outputLost || !StdoutWritten()) ErrLine(text);
    };
    auto anyBusy = [&] {
        return std::any_of(workers.begin(), workers.end(),
                           [](const auto& worker) { return worker->Busy(); });
    };
    // No new radio is taken from now on; the exchanges under way finish, and then the station
    // ends. `why` is what the operator is told besides.
    auto beginStop = [&](const QString& why) {
        stopping = true;
        const QStringList busy = StopAll(workers);
        if (busy.isEmpty()) {
            if (!why.isEmpty()) ErrLine(QStringLiteral("Остановка%1.").arg(why));
            loop.quit();
            return;
        }
        ErrLine(QStringLiteral("Остановка%1: запись на %2 доводится до конца, новые "
                               "радиостанции не принимаются (%3).")
                    .arg(why, OnPorts(busy), kStopAgain));
    };
    // A row about a radio: in the log first, then on standard output. Output that no longer gets
    // out stops the station as a signal does: whoever read it has gone.
    struct Row {
        QString printed, logged;  // the result: "успех", "ОШИБКА" ("ошибка"), "пропущена"
        QString message;
        QString elapsed;   // the job's time, printed only
        QString checksum;  // of the file written, logged only
    };
    auto reportRadio = [&](const QString& port, const Row& row) {
        const QString time = QDateTime::currentDateTime().toString(Qt::ISODate);
        report.Row({time, port, row.logged, row.message, row.checksum},
                   QStringLiteral("строку о радиостанции на порту ") + port);
        OutLine(QStringLiteral("%1 %2: %3 — %4").arg(time, port, row.printed, row.message) +
                (row.elapsed.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(row.elapsed)));
        if (outputLost || StdoutWritten()) return;
        outputLost = true;
        if (!stopping)
            beginStop(
                QStringLiteral(": вывод не записывается (%1)").arg(StdoutWritten().error().text));
    };
    const StopSignals stop(
        [&] { beginStop({}); },
        [&] {
            QStringList unconfirmed;
            for (const auto& worker : workers) {
                if (!worker->Unconfirmed()) continue;
                unconfirmed << worker->PortName();
                report.Row({QDateTime::currentDateTime().toString(Qt::ISODate), worker->PortName(),
                            QStringLiteral("прервано"),
                            QStringLiteral("запись прервана, состояние радиостанции "
                                           "неизвестно"),
                            checksum},
                           QStringLiteral("строку о радиостанции на порту ") + worker->PortName());
            }
            summary(static_cast<int>(unconfirmed.size()));
            AbandonExchanges(unconfirmed);
        });

    for (const QString& name : ports) {
        workers.push_back(std::make_unique<PortWorker>(name));
        PortWorker* worker = workers.back().get();
        QObject::connect(worker, &PortWorker::announced, &loop, [worker, &job, &stopping] {
            if (stopping) return;
            ErrLine(QStringLiteral("%1: радиостанция подключена, запись…").arg(worker->PortName()));
            worker->Run(job);
        });
        QObject::connect(worker, &PortWorker::announcedAgain, &loop, [&, worker](StationEvent why) {
            if (stopping) return;
            ++skipped;
            const QString skip = QStringLiteral("пропущена");
            reportRadio(worker->PortName(), {skip, skip, NotTakenReason(why), {}, {}});
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
                (ok ? programmed : failed)++;
                reportRadio(
                    worker->PortName(),
                    {ok ? QStringLiteral("успех") : QStringLiteral("ОШИБКА"),
                     ok ? QStringLiteral("успех") : QStringLiteral("ошибка"),
                     OutcomeMessage(outcome.job), SecondsText(outcome.elapsedMs), checksum});
                if (stopping && !anyBusy()) loop.quit();
            });
        worker->Watch();
    }
    ErrLine(QStringLiteral("Станция работает; Ctrl+C — завершить."));
    loop.exec();
    summary(0);
    // A radio whose row is missing from the log is work lost: that fails the station first.
    const QString logPath = Shown(parser.value(log));
    if (report.Replaced())
        ErrLine(QStringLiteral("Ошибка: журнал «%1» был перемещён или удалён во время работы; в "
                               "файле с этим именем только строки, записанные после этого.")
                    .arg(logPath));
    if (report.Missing() > 0)
        ErrLine(QStringLiteral("Ошибка: журнал «%1» записан не полностью: не записано строк: %2; "
                               "о каждой сказано выше.")
                    .arg(logPath)
                    .arg(report.Missing()));
    if (report.Replaced() || report.Missing() > 0 || outputLost) return Exit::FileProblem;
    return failed == 0 ? Exit::Ok : Exit::LinkFailed;
}

}  // namespace belvan::cli
