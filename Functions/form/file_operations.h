// Saving the plan to a channel-settings file and loading it back ("Сохранить настройки",
// "Загрузить настройки").
#pragma once

#include <QString>
#include <optional>

#include "core/operator_interface.h"
#include "files/settings_file.h"

namespace belvan {

struct ProgramState;

inline const QString kFileCaptionPrefix = QStringLiteral("Настройка каналов  Файл: ");

// True once a file name was chosen, false when the operator cancelled the dialog.
// Whether a name the program completed (an extension added) may be written: yes when it is the
// name the dialog already asked about or no such file exists, else the operator is asked.
bool MayReplaceCompletedName(OperatorInterface& op, const QString& chosen, const QString& completed,
                             const QString& title);

bool SaveSettingsFile(ProgramState& p);
// The save with its dialog, as "Сохранить настройки" runs it: whether a name was chosen, and the
// file written, if one was (a failure was shown to the operator).
struct SaveOutcome {
    bool chosen = false;
    std::optional<QString> written;
};
SaveOutcome SaveSettingsWithDialog(ProgramState& p);
// The save to a file already named (the plan's own file), with no dialog and no question; the
// same production and checked write. True when the file was written; a failure is shown.
bool SaveSettingsTo(ProgramState& p, const QString& name);
bool LoadSettingsFile(ProgramState& p);
// The load of a file already chosen (the command line, a dropped file): the same checks and
// questions. True when the file was taken in.
bool LoadSettingsFromPath(ProgramState& p, const QString& path);
// What was read of the file named `path` (the reason it could not be, or its bytes) into the
// plan: the same errors and question as above.
bool TakeInSettingsFile(ProgramState& p, const Result<FileBytes>& read, const QString& path);
// The load button: the load, then UpdateToneBoxes whatever became of it.
void Button12Click(ProgramState& p);
// The name the save dialog proposes before the operator chose one: "D:\1\1.ctrch" on Windows,
// "1.ctrch" in the user's documents elsewhere.
QString InitialSaveName();

}  // namespace belvan
