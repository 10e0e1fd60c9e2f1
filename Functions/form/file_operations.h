// Saving the plan to a channel-settings file and loading it back ("Сохранить настройки",
// "Загрузить настройки").
#pragma once

#include <QString>
#include "core/error.h"

#include "core/operator_interface.h"
#include "files/settings_file.h"

namespace belvan {

struct ProgramState;

inline const QString kFileCaptionPrefix = QStringLiteral("Настройка каналов  Файл: ");

// How a save or a load ended: cancelled (no name chosen, or a question answered No), done with
// the file's path, or failed with the error, which the operator has already been shown.
struct FileOutcome {
    enum class Ended { Cancelled, Done, Failed };
    Ended ended = Ended::Cancelled;
    QString path;  // Done: the file written or taken in
    Error error;   // Failed: why

    static FileOutcome Cancelled() { return {}; }
    static FileOutcome Done(const QString& path) { return {Ended::Done, path, {}}; }
    static FileOutcome Failed(const Error& error) { return {Ended::Failed, {}, error}; }
    bool Succeeded() const { return ended == Ended::Done; }
};

// Whether a name the program completed (an extension added) may be written: yes when it is the
// name the dialog already asked about or no such file exists, else the operator is asked.
bool MayReplaceCompletedName(OperatorInterface& op, const QString& chosen, const QString& completed,
                             const QString& title);

// "Сохранить настройки": the dialog, then the plan's image made and written with the checked
// write; the caption names the file once it is written.
FileOutcome SaveSettingsFile(ProgramState& p);
// The save to a file already named (the plan's own file), with no dialog and no question; the
// same production and checked write.
FileOutcome SaveSettingsTo(ProgramState& p, const QString& name);
// "Загрузить настройки": the dialog, then the file read, checked and taken in.
FileOutcome LoadSettingsFile(ProgramState& p);
// The load of a file already chosen (the command line, a dropped file): the same checks and
// questions.
FileOutcome LoadSettingsFromPath(ProgramState& p, const QString& path);
// What was read of the file named `path` (the reason it could not be, or its bytes) into the
// plan: the same errors and question as above.
FileOutcome TakeInSettingsFile(ProgramState& p, const Result<FileBytes>& read, const QString& path);
// The load button: the load, then UpdateToneBoxes whatever became of it.
void Button12Click(ProgramState& p);
// The name the save dialog proposes before the operator chose one: "D:\1\1.ctrch" on Windows,
// "1.ctrch" in the user's documents elsewhere.
QString InitialSaveName();

}  // namespace belvan
