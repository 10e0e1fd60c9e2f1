#include "file_operations.h"

#include "core/texts.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

#include "files/settings_file.h"
#include "form/program_state.h"
#include "image/decoding.h"
#include "image/encoding.h"
#include "plan/channel_editing.h"
#include "take_in_image.h"

namespace belvan {

namespace {
FileDialogRequest Dialog(const QString& title, const QString& name, bool confirmOverwrite) {
    return {title, QStringLiteral("Files for Cantrel (*.ctrch)"), QStringLiteral("*.ctrch"), name,
            confirmOverwrite};
}

}  // namespace

bool MayReplaceCompletedName(OperatorInterface& op, const QString& chosen, const QString& completed,
                             const QString& title) {
    // The dialog asked about the name as chosen; a completed name is asked about here.
    if (completed == chosen || !QFileInfo::exists(completed)) return true;
    return op.AskYesNo(
               QStringLiteral("Файл «%1» уже существует.\nЗаменить его?").arg(ShownPath(completed)),
               title, MessageIcon::Warning) == Answer::Yes;
}

QString InitialSaveName() {
#ifdef Q_OS_WIN
    return QStringLiteral("D:\\1\\1.ctrch");
#else
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(documents.isEmpty() ? QDir::homePath() : documents)
        .filePath(QStringLiteral("1.ctrch"));
#endif
}

namespace {
// The plan's image into the named file; the caption names it once it is written.
FileOutcome WriteSettingsTo(ProgramState& p, const QString& name) {
    p.FileBuffer = BuildFileBytes(p.image);
    const Status written = WriteSettingsFile(name, p.FileBuffer);
    if (!written) {
        ShowError(p.Operator(), QStringLiteral("Не удалось сохранить файл «%1»: %2.")
                                    .arg(ShownPath(name), written.error().text));
        return FileOutcome::Failed(written.error());
    }
    p.ctl.caption = kFileCaptionPrefix + ShownPath(name);
    return FileOutcome::Done(name);
}

// The plan's image made for the save; a value it cannot take is shown and nothing changes.
Status ProduceForSave(ProgramState& p) {
    const Result<PlanImage> made = MakeImage(p.plan, p.ctl, p.image);
    if (!made) {
        ShowError(p.Operator(), made.error().text);
        return made.error();
    }
    p.plan = made->plan;
    p.image = made->image;
    return {};
}
}  // namespace

FileOutcome SaveSettingsFile(ProgramState& p) {
    RefreshInUseFlags(p);
    if (p.dialogs.saveName.isEmpty()) p.dialogs.saveName = InitialSaveName();
    const auto chosen = p.Operator().ChooseFileToSave(
        Dialog(QStringLiteral("Сохранить настройки"), p.dialogs.saveName, true));
    if (!chosen) return FileOutcome::Cancelled();
    p.dialogs.saveName = *chosen;
    if (const Status made = ProduceForSave(p); !made) return FileOutcome::Failed(made.error());

    const QString name =
        chosen->contains(kSettingsFileExtension) ? *chosen : *chosen + kSettingsFileExtension;
    if (!MayReplaceCompletedName(p.Operator(), *chosen, name,
                                 QStringLiteral("Сохранить настройки")))
        return FileOutcome::Cancelled();
    return WriteSettingsTo(p, name);
}

FileOutcome SaveSettingsTo(ProgramState& p, const QString& name) {
    RefreshInUseFlags(p);
    if (const Status made = ProduceForSave(p); !made) return FileOutcome::Failed(made.error());
    return WriteSettingsTo(p, name);
}

FileOutcome LoadSettingsFile(ProgramState& p) {
    const auto chosen = p.Operator().ChooseFileToOpen(
        Dialog(QStringLiteral("Загрузить настройки"), p.dialogs.openName, false));
    if (!chosen) return FileOutcome::Cancelled();
    p.dialogs.openName = *chosen;
    return LoadSettingsFromPath(p, *chosen);
}

FileOutcome LoadSettingsFromPath(ProgramState& p, const QString& path) {
    // The whole file is read and checked before anything of the current plan is touched.
    return TakeInSettingsFile(p, ReadSettingsFile(path), path);
}

FileOutcome TakeInSettingsFile(ProgramState& p, const Result<FileBytes>& read,
                               const QString& path) {
    if (!read) {
        ShowError(p.Operator(), QStringLiteral("Не удалось загрузить файл «%1»: %2.")
                                    .arg(ShownPath(path), read.error().text));
        return FileOutcome::Failed(read.error());
    }
    if (!FileChecksumMatches(*read) &&
        p.Operator().AskYesNo(
            QStringLiteral("Контрольная сумма файла «%1» не сходится: файл повреждён.\n"
                           "Загрузить его всё равно?")
                .arg(ShownPath(path)),
            QStringLiteral("Загрузить настройки"), MessageIcon::Warning) != Answer::Yes) {
        return FileOutcome::Cancelled();
    }

    p.FileBuffer = *read;
    p.image = ImageFromFileBytes(p.FileBuffer);
    TakeInImage(p, AfterTakeIn::KeepSelection);
    p.ctl.caption = kFileCaptionPrefix + ShownPath(path);
    return FileOutcome::Done(path);
}

void Button12Click(ProgramState& p) {
    LoadSettingsFile(p);
    UpdateToneBoxes(p);
}

}  // namespace belvan
