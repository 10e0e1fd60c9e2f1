// The whole program's state: the plan, the controls and the image the form edits, and beside them
// the link's bookkeeping, the preferences and the window's own bookkeeping. The window owns one
// instance and its handlers receive it, so each test starts from a fresh program.
#pragma once

#include <QString>
#include <optional>

#include "files/settings_file.h"
#include "image/image_state.h"
#include "job/job_runner.h"

namespace belvan {

class LinkRequests;

// The radio link as the form sees it: the port, the watch's polls and the jobs (read, compare,
// write) are asked of it, and its answers are matched to what was asked.
struct FormLink {
    LinkRequests* requests = nullptr;
    JobRunner jobs;                // the read, compare or write under way, if any
    quint64 pollTicket = 0;        // the number of the last poll asked for
    bool pollAwaited = false;      // its answer is still wanted
    int selectionBeforeRead = -1;  // the channel list's selection, given back by a failed read
    Error portFailure;             // why the port is not open, while it is not
    QStringList systemPorts;       // the system's ports, when that port was not found
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
    FormLink link;
    Preferences prefs;
    DialogMemory dialogs;
    QString statusLine;  // the window's status line: the last backup, or why none
};

}  // namespace belvan
