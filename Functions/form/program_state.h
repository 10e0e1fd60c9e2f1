// The whole program's state: the plan, the controls and the image the form edits, and beside them
// the link session, the preferences and the window's own bookkeeping. The window owns one
// instance and its handlers receive it, so each test starts from a fresh program.
#pragma once

#include <QString>
#include <optional>

#include "files/settings_file.h"
#include "image/image_state.h"
#include "job/programming_job.h"

namespace belvan {

class LinkRequests;

// The exchange with the radio under way, if any.
enum class Exchange { None, Reading, Writing, Verifying, Comparing };

// The radio link as the form sees it: the port, the watch's polls and the exchanges are asked of
// it, and its answers are matched to what was asked.
struct LinkSession {
    LinkRequests* requests = nullptr;
    Exchange exchange = Exchange::None;
    quint64 pollTicket = 0;             // the number of the last poll asked for
    bool pollAwaited = false;           // its answer is still wanted
    int selectionBeforeRead = -1;       // the channel list's selection, given back by a failed read
    Error portFailure;                  // why the port is not open, while it is not
    std::optional<ProgrammingJob> job;  // the write under way and its check, if any
};

// What the operator chose in the menus, kept between runs by the window.
struct Preferences {
    bool verifyAfterWrite = false;  // "Проверять после записи": a write is read back and compared
    QString backupFolder;  // where reads are kept; the user's data folder when empty
};

// The last names chosen in the file dialogs.
struct DialogMemory {
    QString saveName;
    QString openName;
    QString csvName;  // the last channel list chosen for a CSV export or import
};

struct ProgramState : ImageState {
    ProgramState();
    ~ProgramState();
    ProgramState(const ProgramState&) = delete;
    ProgramState& operator=(const ProgramState&) = delete;

    FileBytes FileBuffer{};  // the 255 bytes of the last save
    LinkSession link;
    Preferences prefs;
    DialogMemory dialogs;
    QString statusLine;  // the window's status line: the last backup, or why none
};

}  // namespace belvan
