#include "radio_handlers.h"

#include "core/texts.h"
#include "form/program_state.h"
#include "image/encoding.h"
#include "image/image_differences.h"
#include "link_requests.h"
#include "plan/channel_editing.h"
#include "take_in_image.h"

namespace belvan {

namespace {
void HideReadAndWriteButtons(Controls& ctl) {
    ctl.Button6Visible = false;
    ctl.Button5Visible = false;
}

// The watch stops, and the answer to a poll already asked for is no longer awaited.
void StopWatch(ProgramState& p) {
    p.ctl.Timer1 = false;
    p.link.pollAwaited = false;
}

// The runner of the form's jobs, asking the form's link.
JobRunner& Jobs(ProgramState& p) {
    p.link.jobs.SetLink(p.link.requests);
    return p.link.jobs;
}

// The outcome of an exchange in its box: `done` on success, else the failure.
void ShowOutcome(ProgramState& p, const JobOutcome& outcome, ExchangeOutcome done) {
    if (outcome.Succeeded()) {
        ShowInformation(p.Operator(), OutcomeText(done));
        return;
    }
    ShowError(p.Operator(), outcome.status.error().text);
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
    p.link.systemPorts = state.systemPorts;
    if (state.lost) {
        // Nothing is connected any more, and a dead line is not polled.
        p.ctl.Label39.clear();
        StopWatch(p);
    } else if (state.open && !p.link.jobs.Running()) {
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
    Jobs(p).StartRead(JobKind::Read, p.prefs.backupFolder);
}

void CompareWithRadio(ProgramState& p) {
    StopWatch(p);
    HideReadAndWriteButtons(p.ctl);
    Jobs(p).StartRead(JobKind::Compare, p.prefs.backupFolder);
}

namespace {
// At most 16 differences, one a line, and how many more there are.
QString DifferenceList(const QStringList& differences) {
    return ListedAtMost(differences, kDifferencesShown, QStringLiteral("\n"), QStringLiteral("\n"));
}

// A job ended: the read and write buttons come back, and so does the watch.
void ShowReadAndWatch(ProgramState& p) {
    p.ctl.Button6Visible = true;
    p.ctl.Button5Visible = true;
    p.ctl.Timer1 = true;
}

// Every image read from a radio is also kept as a file; a backup that fails only says so.
void SayBackup(ProgramState& p, const JobOutcome& outcome) {
    p.statusLine = outcome.backupKept
                       ? QStringLiteral("Резервная копия: %1").arg(ShownPath(outcome.backupPath))
                       : QStringLiteral("Резервная копия не сохранена: %1")
                             .arg(outcome.backupKept.error().text);
}

// The plan and the radio-wide controls are replaced only by a read that succeeded.
void ReadEnded(ProgramState& p, const JobOutcome& outcome) {
    if (!outcome.Succeeded()) {
        ShowOutcome(p, outcome, ExchangeOutcome::Read);
        // Nothing of the operator's plan was touched: it stays as it was, and so does the window.
        p.ctl.ListBox1.index = p.link.selectionBeforeRead;
        p.BulkUpdateGuard = false;
        ShowReadAndWatch(p);
        return;
    }
    p.image = outcome.image;
    SayBackup(p, outcome);
    ShowOutcome(p, outcome, ExchangeOutcome::Read);
    ShowReadAndWatch(p);
    TakeInImage(p, AfterTakeIn::SelectFirstChannel);
}

// The comparison of the plan on screen with what the radio holds; the plan stays as it is.
void CompareEnded(ProgramState& p, const JobOutcome& outcome) {
    ShowReadAndWatch(p);
    if (!outcome.Succeeded()) {
        ShowOutcome(p, outcome, ExchangeOutcome::Read);
        return;
    }
    SayBackup(p, outcome);
    const Result<PlanImage> onScreen = MakeImage(p.plan, p.ctl, p.image);
    if (!onScreen) {
        ShowError(p.Operator(), onScreen.error().text);
        return;
    }
    const QStringList differences = ImageDifferences(onScreen->image, outcome.image);
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

// The check after a write: what the radio holds against what was sent. The plan stays as it is.
void VerifyEnded(ProgramState& p, const JobOutcome& outcome) {
    ShowReadAndWatch(p);
    // The write was acknowledged; one box says what the check found, and the status line keeps it.
    if (outcome.Verified()) {
        p.statusLine = QStringLiteral("Параметры записаны. Запись проверена");
        ShowInformation(p.Operator(), OutcomeText(ExchangeOutcome::Written));
        return;
    }
    if (outcome.status.error().kind == ErrorKind::Mismatch) {
        p.statusLine =
            QStringLiteral("Запись подтверждена, но радиостанция хранит другое: изменений %1")
                .arg(outcome.differences.size());
        ShowError(p.Operator(),
                  QStringLiteral("Радиостанция подтвердила запись, но хранит не то, что записано "
                                 "(записано → в радиостанции):\n") +
                      DifferenceList(outcome.differences));
        return;
    }
    p.statusLine =
        QStringLiteral("Запись подтверждена, но не проверена: ") + outcome.status.error().text;
    ShowError(p.Operator(), QStringLiteral("Радиостанция подтвердила запись, но проверить её не "
                                           "удалось: ") +
                                outcome.status.error().text);
    if (p.link.requests) p.link.requests->DiscardInput();
}

// A job ended: the window shows what became of it as the job it was.
std::optional<JobOutcome> JobEnded(ProgramState& p, std::optional<JobOutcome> outcome) {
    if (!outcome) return outcome;
    switch (outcome->kind) {
        case JobKind::Read:
            ReadEnded(p, *outcome);
            break;
        case JobKind::Compare:
            CompareEnded(p, *outcome);
            break;
        case JobKind::Write:
            if (outcome->step == JobStep::Verify) {
                VerifyEnded(p, *outcome);
            } else {
                ShowOutcome(p, *outcome, ExchangeOutcome::Written);
                ShowReadAndWatch(p);
            }
            break;
    }
    return outcome;
}

}  // namespace

bool PlanIsTheRadios(const JobOutcome& outcome) {
    return outcome.Succeeded() && outcome.kind != JobKind::Compare;
}

std::optional<JobOutcome> ReadFinished(ProgramState& p, quint64 id, const ReadResult& result) {
    return JobEnded(p, Jobs(p).TakeRead(id, result));
}

void Button6Click(ProgramState& p) {
    StopWatch(p);
    HideReadAndWriteButtons(p.ctl);
    const Result<PlanImage> made = MakeImage(p.plan, p.ctl, p.image);
    if (!made) {
        ShowReadAndWatch(p);
        ShowError(p.Operator(), made.error().text);
        return;
    }
    p.plan = made->plan;
    p.image = made->image;
    // The window keeps no backup before its write; a check follows when the operator asks.
    JobEnded(p, Jobs(p).StartWrite(p.image, false, p.prefs.verifyAfterWrite && p.link.requests));
}

std::optional<JobOutcome> WriteFinished(ProgramState& p, quint64 id, const WriteResult& result) {
    // With a check to follow, the check speaks first.
    return JobEnded(p, Jobs(p).TakeWritten(id, result));
}

}  // namespace belvan
