#include "file_operations.h"

#include <QDir>
#include <QFileInfo>
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

QString Shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}
}  // namespace

QString InitialSaveName() {
#ifdef Q_OS_WIN
    return QStringLiteral("D:\\1\\1.ctrch");
#else
    return QDir::home().filePath(QStringLiteral("1.ctrch"));
#endif
}

bool SaveSettingsFile(ProgramState& p) {
    RefreshInUseFlags(p);
    if (p.dialogs.saveName.isEmpty()) p.dialogs.saveName = InitialSaveName();
    const auto chosen = p.Operator().ChooseFileToSave(
        Dialog(QStringLiteral("Сохранить настройки"), p.dialogs.saveName, true));
    if (!chosen) return false;
    p.dialogs.saveName = *chosen;

    const PlanImage made = MakeImage(p.plan, p.ctl, p.image);
    p.plan = made.plan;
    p.image = made.image;

    const QString name =
        chosen->contains(kSettingsFileExtension) ? *chosen : *chosen + kSettingsFileExtension;
    // The dialog asked about the name as chosen; a completed name is asked about here.
    if (name != *chosen && QFileInfo::exists(name) &&
        p.Operator().AskYesNo(
            QStringLiteral("Файл «%1» уже существует.\nЗаменить его?").arg(Shown(name)),
            QStringLiteral("Сохранить настройки"), MessageIcon::Warning) != Answer::Yes) {
        return true;
    }

    p.FileBuffer = BuildFileBytes(p.image);
    const QString failure = WriteSettingsFile(name, p.FileBuffer);
    if (!failure.isEmpty()) {
        ShowError(p.Operator(),
                  QStringLiteral("Не удалось сохранить файл «%1»: %2.").arg(Shown(name), failure));
        return true;
    }
    p.ctl.caption = kFileCaptionPrefix + Shown(name);
    return true;
}

bool LoadSettingsFile(ProgramState& p) {
    const auto chosen = p.Operator().ChooseFileToOpen(
        Dialog(QStringLiteral("Загрузить настройки"), p.dialogs.openName, false));
    if (!chosen) return false;
    p.dialogs.openName = *chosen;
    LoadSettingsFromPath(p, *chosen);
    return true;
}

bool LoadSettingsFromPath(ProgramState& p, const QString& path) {
    // The whole file is read and checked before anything of the current plan is touched.
    return TakeInSettingsFile(p, ReadSettingsFile(path), path);
}

bool TakeInSettingsFile(ProgramState& p, const FileReadResult& read, const QString& path) {
    if (!read.bytes) {
        ShowError(
            p.Operator(),
            QStringLiteral("Не удалось загрузить файл «%1»: %2.").arg(Shown(path), read.error));
        return false;
    }
    if (!FileChecksumMatches(*read.bytes) &&
        p.Operator().AskYesNo(
            QStringLiteral("Контрольная сумма файла «%1» не сходится: файл повреждён.\n"
                           "Загрузить его всё равно?")
                .arg(Shown(path)),
            QStringLiteral("Загрузить настройки"), MessageIcon::Warning) != Answer::Yes) {
        return false;
    }

    p.FileBuffer = *read.bytes;
    p.image = ImageFromFileBytes(p.FileBuffer);
    TakeInImage(p, AfterTakeIn::KeepSelection);
    p.ctl.caption = kFileCaptionPrefix + Shown(path);
    return true;
}

void Button12Click(ProgramState& p) {
    LoadSettingsFile(p);
    UpdateToneBoxes(p);
}

}  // namespace belvan
