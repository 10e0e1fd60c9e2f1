#include "session.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/texts.h"
#include "files/file_io.h"
#include "files/settings_file.h"
#include "form/program_state.h"
#include "image/encoding.h"
#include "plan/channel_editing.h"
#include "take_in_image.h"

namespace belvan {

QString SessionFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/belvan/session.ctrch");
}

QString KeepSession(ProgramState& p, const QString& path) {
    ParameterImage image = p.image;
    try {
        image = MakeImage(p.plan, p.ctl, p.image).image;
    } catch (const std::exception&) {
        for (int c = 0; c < kChannelCount; ++c)
            image.SetRecord(c, p.plan[static_cast<std::size_t>(c)]);
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return QStringLiteral("не удалось создать папку «%1»")
            .arg(ShownPath(QFileInfo(path).absolutePath()));
    const FileBytes bytes = BuildFileBytes(image);
    return WriteFileBytes(path, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                           static_cast<qsizetype>(bytes.size())));
}

bool TakeInSession(ProgramState& p, const QString& path) {
    const FileReadResult read = ReadSettingsFile(path);
    if (!read.bytes) {
        ShowError(
            p.Operator(),
            QStringLiteral("Не удалось восстановить план прошлого сеанса: %1.").arg(read.error));
        return false;
    }
    p.image = ImageFromFileBytes(*read.bytes);
    TakeInImage(p, AfterTakeIn::KeepSelection);
    UpdateToneBoxes(p);
    return true;
}

}  // namespace belvan
