// The plan of the last session: kept in the user's data folder when the window closes with
// changes that were not saved, written or read, and offered back at the next start.
#pragma once

#include <QString>

namespace belvan {

struct ProgramState;

// <the user's data folder>/belvan/session.ctrch, beside the backups folder.
QString SessionFile();
// The plan on screen as a complete channel-settings file at `path`. When a typed value cannot be
// encoded, the channels are kept with the radio-wide settings last encoded. Returns the empty
// text on success, else why not in the operator's words.
QString KeepSession(ProgramState& p, const QString& path = SessionFile());
// The kept plan into the window as a load takes a file in, the caption left as it is. False, with
// the reason shown, when it cannot be read.
bool TakeInSession(ProgramState& p, const QString& path = SessionFile());

}  // namespace belvan
