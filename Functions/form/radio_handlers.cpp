#include "radio_handlers.h"

#include <QDir>

#include "core/texts.h"
#include "files/backup.h"
#include "form/program_state.h"
#include "image/encoding.h"
#include "image/image_differences.h"
#include "link_requests.h"
#include "plan/channel_editing.h"
#include "take_in_image.h"

namespace belvan {

namespace {
void ShowReadAndWriteButtons(Controls& ctl) {
    ctl.Button6Visible = true;
    ctl.Button5Visible = true;
}

void HideReadAndWriteButtons(Controls& ctl) {
    ctl.Button6Visible = false;
    ctl.Button5Visible = false;
}

// The watch stops, and the answer to a poll already asked for is no longer awaited.
void StopWatch(ProgramState& p) {
    p.ctl.Timer1 = false;
    p.link.pollAwaited = false;
}

void ShowOutcome(ProgramState& p, ExchangeOutcome outcome) {
    if (Succeeded(outcome)) {
        ShowInformation(p.Operator(), OutcomeText(outcome));
        return;
    }
    ShowError(p.Operator(), OutcomeText(outcome));
    // What the radio sent while the box was open is no answer to anything.
    if (p.link.requests) p.link.requests->DiscardInput();
}
}  // namespace

void ComboBox1Change(ProgramState& p) {
    p.ctl.Label39.clear();
    StopWatch(p);
    if (p.link.requests) p.link.requests->OpenPort(p.ctl.ComboBox1.text);
    // The new port is watched for the radio's announcement from now on.
    p.ctl.Timer1 = true;
}

void PortStateChanged(ProgramState& p, const PortState& state) {
    p.ctl.Label1 = state.open ? QStringLiteral("открыт.") : QStringLiteral("используется.");
    p.ctl.label1Red = !state.open;
    p.ctl.label1Reason = state.failure.text;
    p.link.portFailure = state.failure;
    if (state.lost) {
        // Nothing is connected any more, and a dead line is not polled.
        p.ctl.Label39.clear();
        StopWatch(p);
    } else if (state.open && p.link.exchange == Exchange::None) {
        // A device that came back is watched for its announcement again.
        p.ctl.Timer1 = true;
    }
}

void Timer1Timer(ProgramState& p) {
    p.ctl.Timer1 = false;
    p.link.pollAwaited = true;
    ++p.link.pollTicket;
    if (p.link.requests) p.link.requests->Poll(p.link.pollTicket);
}

void PollFinished(ProgramState& p, quint64 ticket, bool announced) {
    if (!p.link.pollAwaited || ticket != p.link.pollTicket) return;
    p.link.pollAwaited = false;
    if (announced) {
        p.ctl.Label39 = QStringLiteral("Устройство подключено.");
        return;
    }
    p.ctl.Timer1 = true;
}

void Button5Click(ProgramState& p) {
    StopWatch(p);
    p.BulkUpdateGuard = true;
    p.link.selectionBeforeRead = p.ctl.ListBox1.index;
    p.ctl.ListBox1.index = -1;
    HideReadAndWriteButtons(p.ctl);
    p.link.exchange = Exchange::Reading;
    if (p.link.requests) p.link.requests->Read();
}

void CompareWithRadio(ProgramState& p) {
    StopWatch(p);
    HideReadAndWriteButtons(p.ctl);
    p.link.exchange = Exchange::Comparing;
    if (p.link.requests) p.link.requests->Read();
}

namespace {
// At most 16 differences, one a line, and how many more there are.
QString DifferenceList(const QStringList& differences) {
    return ListedAtMost(differences, kDifferencesShown, QStringLiteral("\n"), QStringLiteral("\n"));
}

// Asks the link for what the job needs next; false when it needs nothing more. The window's job
// reads only to check its write: the buttons stay hidden and the watch stopped meanwhile.
bool AskForJob(ProgramState& p, const JobNext& next) {
    const auto* request = std::get_if<JobRequest>(&next);
    if (!request) return false;
    if (*request == JobRequest::WriteImage) {
        p.link.exchange = Exchange::Writing;
        if (p.link.requests) p.link.requests->Write(p.link.job->Image());
    } else {
        p.link.exchange = Exchange::Verifying;
        if (p.link.requests) p.link.requests->Read();
    }
    return true;
}

// The check after a write: what the radio holds against what was sent. The plan stays as it is.
// True when the radio holds what was written.
bool VerifyFinished(ProgramState& p, const ReadResult& result) {
    const JobNext next = p.link.job->OnRead(result);
    const auto* outcome = std::get_if<JobOutcome>(&next);
    if (!outcome) return false;
    p.link.job.reset();
    p.link.exchange = Exchange::None;
    ShowReadAndWriteButtons(p.ctl);
    p.ctl.Timer1 = true;
    // The write was acknowledged; one box says what the check found, and the status line keeps it.
    if (outcome->Verified()) {
        p.statusLine = QStringLiteral("Параметры записаны. Запись проверена");
        ShowInformation(p.Operator(), OutcomeText(ExchangeOutcome::Written));
        return true;
    }
    if (outcome->status.error().kind == ErrorKind::Mismatch) {
        p.statusLine =
            QStringLiteral("Запись подтверждена, но радиостанция хранит другое: изменений %1")
                .arg(outcome->differences.size());
        ShowError(p.Operator(),
                  QStringLiteral("Радиостанция подтвердила запись, но хранит не то, что записано "
                                 "(записано → в радиостанции):\n") +
                      DifferenceList(outcome->differences));
        return false;
    }
    p.statusLine =
        QStringLiteral("Запись подтверждена, но не проверена: ") + outcome->status.error().text;
    ShowError(p.Operator(), QStringLiteral("Радиостанция подтвердила запись, но проверить её не "
                                           "удалось: ") +
                                outcome->status.error().text);
    if (p.link.requests) p.link.requests->DiscardInput();
    return false;
}

// Every image read from a radio is also kept as a file; a backup that fails only says so.
void KeepBackup(ProgramState& p, const ParameterImage& image) {
    const Result<QString> backup =
        WriteBackup(image, QDateTime::currentDateTime(),
                    p.prefs.backupFolder.isEmpty() ? BackupFolder() : p.prefs.backupFolder);
    p.statusLine =
        backup ? QStringLiteral("Резервная копия: %1").arg(ShownPath(*backup))
               : QStringLiteral("Резервная копия не сохранена: %1").arg(backup.error().text);
}

// The comparison of the plan on screen with what the radio holds; the plan stays as it is.
void CompareFinished(ProgramState& p, const ReadResult& result) {
    p.link.exchange = Exchange::None;
    ShowReadAndWriteButtons(p.ctl);
    p.ctl.Timer1 = true;
    if (!Succeeded(result.outcome)) {
        ShowOutcome(p, result.outcome);
        return;
    }
    KeepBackup(p, result.image);
    const Result<PlanImage> onScreen = MakeImage(p.plan, p.ctl, p.image);
    if (!onScreen) {
        ShowError(p.Operator(), onScreen.error().text);
        return;
    }
    const QStringList differences = ImageDifferences(onScreen->image, result.image);
    if (differences.isEmpty()) {
        ShowInformation(p.Operator(), QStringLiteral("План на экране и радиостанция совпадают."));
        return;
    }
    p.Operator().ShowMessage(
        QStringLiteral("План на экране отличается от того, что хранит радиостанция (на экране → в "
                       "радиостанции):\n") +
            DifferenceList(differences),
        QStringLiteral("Belvan-T"), MessageIcon::Warning);
}

}  // namespace

bool ReadFinished(ProgramState& p, const ReadResult& result) {
    if (p.link.exchange == Exchange::Verifying) return VerifyFinished(p, result);
    if (p.link.exchange == Exchange::Comparing) {
        CompareFinished(p, result);
        return false;
    }
    p.link.exchange = Exchange::None;
    if (!Succeeded(result.outcome)) {
        ShowOutcome(p, result.outcome);
        // Nothing of the operator's plan was touched: it stays as it was, and so does the window.
        p.ctl.ListBox1.index = p.link.selectionBeforeRead;
        p.BulkUpdateGuard = false;
        ShowReadAndWriteButtons(p.ctl);
        p.ctl.Timer1 = true;
        return false;
    }
    p.image = result.image;
    KeepBackup(p, result.image);
    ShowOutcome(p, result.outcome);
    ShowReadAndWriteButtons(p.ctl);
    p.ctl.Timer1 = true;
    TakeInImage(p, AfterTakeIn::SelectFirstChannel);
    return true;
}

void Button6Click(ProgramState& p) {
    StopWatch(p);
    HideReadAndWriteButtons(p.ctl);
    const Result<PlanImage> made = MakeImage(p.plan, p.ctl, p.image);
    if (!made) {
        ShowReadAndWriteButtons(p.ctl);
        p.ctl.Timer1 = true;
        ShowError(p.Operator(), made.error().text);
        return;
    }
    p.plan = made->plan;
    p.image = made->image;
    // The window keeps no backup before its write; a check follows when the operator asks.
    p.link.job.emplace(p.image, false, p.prefs.verifyAfterWrite && p.link.requests);
    AskForJob(p, p.link.job->Start());
}

bool WriteFinished(ProgramState& p, const WriteResult& result) {
    p.link.exchange = Exchange::None;
    // With a check to follow, the check speaks first, and the plan counts as kept only once it
    // agrees.
    if (p.link.job && AskForJob(p, p.link.job->OnWritten(result))) return false;
    ShowOutcome(p, result.outcome);
    p.link.job.reset();
    ShowReadAndWriteButtons(p.ctl);
    p.ctl.Timer1 = true;
    return Succeeded(result.outcome);
}

}  // namespace belvan
