#include "csv_handlers.h"

#include <QDir>
#include <QFileInfo>

#include "core/texts.h"
#include "file_operations.h"
#include "files/channel_csv.h"
#include "files/settings_file.h"
#include "form/program_state.h"
#include "image/encoding.h"
#include "plan/channel_editing.h"
#include "take_in_image.h"

namespace belvan {

namespace {
// More lines than this make a message box taller than the screen.
constexpr std::size_t kListedNotes = 15;

FileDialogRequest Dialog(const QString& title, const QString& name, bool confirmOverwrite) {
    return {title, QStringLiteral("Списки каналов CSV (*.csv)"), QStringLiteral("*.csv"), name,
            confirmOverwrite};
}

QString NoteList(const std::vector<CsvRowNote>& notes) {
    QStringList lines;
    for (std::size_t i = 0; i < notes.size() && i < kListedNotes; ++i)
        lines << QStringLiteral("• ") + CsvRowNoteText(notes[i]);
    if (notes.size() > kListedNotes)
        lines << QStringLiteral("… и ещё %1").arg(notes.size() - kListedNotes);
    return lines.join(u'\n');
}

// The file the caption names after a save or load, if any.
QString CaptionFile(const ProgramState& p) {
    return p.ctl.caption.startsWith(kFileCaptionPrefix)
               ? p.ctl.caption.mid(kFileCaptionPrefix.size())
               : QString();
}

QString ProposedCsvName(const ProgramState& p) {
    if (!p.dialogs.csvName.isEmpty()) return p.dialogs.csvName;
    const QString file = CaptionFile(p);
    if (!file.isEmpty()) {
        const QFileInfo info(QDir::fromNativeSeparators(file));
        return info.dir().filePath(info.completeBaseName() + QStringLiteral(".csv"));
    }
    return QDir::home().filePath(QStringLiteral("каналы.csv"));
}
}  // namespace

std::optional<ParameterImage> ProduceImage(const ProgramState& p) {
    try {
        return MakeImage(p.plan, p.ctl, p.image).image;
    } catch (const std::exception& error) {
        ShowError(p.Operator(), QString::fromStdString(error.what()));
        return std::nullopt;
    }
}

QString ExportCsvFile(ProgramState& p) {
    const auto image = ProduceImage(p);
    if (!image) return {};
    const auto chosen =
        p.Operator().ChooseFileToSave(Dialog(kCsvExportTitle, ProposedCsvName(p), true));
    if (!chosen) return {};
    p.dialogs.csvName = *chosen;

    const QString name = chosen->endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)
                             ? *chosen
                             : *chosen + QStringLiteral(".csv");
    if (!MayReplaceCompletedName(p.Operator(), *chosen, name, kCsvExportTitle)) return {};
    const QByteArray csv = ExportCsv(*image);
    const QString failure = WriteFileBytes(name, csv);
    if (!failure.isEmpty()) {
        ShowError(
            p.Operator(),
            QStringLiteral("Не удалось сохранить файл «%1»: %2.").arg(ShownPath(name), failure));
        return {};
    }
    const QStringList losses = CsvExportLosses(*image);
    if (!losses.isEmpty()) {
        p.Operator().ShowMessage(
            QStringLiteral("Файл «%1» сохранён, но при импорте из него не вернутся:\n• %2")
                .arg(ShownPath(name), losses.join(QStringLiteral("\n• "))),
            kCsvExportTitle, MessageIcon::Warning);
    }
    int channels = 0;
    for (int c = 0; c < kChannelCount; ++c) channels += image->Record(c).IsEmpty() ? 0 : 1;
    return QStringLiteral("В файл «%1» экспортировано каналов: %2")
        .arg(QFileInfo(name).fileName())
        .arg(channels);
}

QString ImportCsvFile(ProgramState& p) {
    const auto chosen =
        p.Operator().ChooseFileToOpen(Dialog(kCsvImportTitle, ProposedCsvName(p), false));
    if (!chosen) return {};
    p.dialogs.csvName = *chosen;
    const QString path = *chosen;

    const CsvFileRead read = ReadCsvFile(path);
    if (!read.data) {
        ShowError(
            p.Operator(),
            QStringLiteral("Не удалось прочитать файл «%1»: %2.").arg(ShownPath(path), read.error));
        return {};
    }
    // The settings on screen and each channel's reserved byte are the base of the new image.
    const auto base = ProduceImage(p);
    if (!base) return {};
    const CsvImport imported = ImportCsv(*read.data, *base);
    if (!imported.error.isEmpty()) {
        QString text =
            QStringLiteral("Файл «%1» не импортирован: %2.").arg(ShownPath(path), imported.error);
        if (!imported.refused.empty()) text += QStringLiteral("\n\n") + NoteList(imported.refused);
        ShowError(p.Operator(), text);
        return {};
    }

    bool warningsShown = false;
    if (!imported.refused.empty()) {
        QString text = QStringLiteral("В файле «%1» не подошли строки (%2):\n%3")
                           .arg(ShownPath(path))
                           .arg(imported.refused.size())
                           .arg(NoteList(imported.refused));
        if (!imported.warnings.empty()) {
            text += QStringLiteral("\n\nПринято с изменениями:\n") + NoteList(imported.warnings);
            warningsShown = true;
        }
        text += QStringLiteral(
                    "\n\nИмпортировать остальные каналы (%1)? Каналы, которых нет в файле, "
                    "станут пустыми.")
                    .arg(imported.channels);
        if (p.Operator().AskYesNo(text, kCsvImportTitle, MessageIcon::Question) != Answer::Yes)
            return {};
    }

    // The take-in decodes the settings too, which would turn a typed time the lists do not
    // offer into the list's first entry; the radio-wide controls stay as the operator left them.
    const Controls before = p.ctl;
    p.image = imported.image;
    TakeInImage(p, AfterTakeIn::KeepSelection);
    p.ctl.ComboBox4 = before.ComboBox4;
    p.ctl.ComboBox29 = before.ComboBox29;
    p.ctl.ComboBox30 = before.ComboBox30;
    p.ctl.keyBoxes = before.keyBoxes;
    p.ctl.CheckBox3 = before.CheckBox3;
    p.ctl.CheckBox6 = before.CheckBox6;
    p.ctl.RadioButton9 = before.RadioButton9;
    p.ctl.RadioButton10 = before.RadioButton10;
    p.ctl.RadioButton11 = before.RadioButton11;
    p.ctl.RadioButton12 = before.RadioButton12;
    if (!imported.warnings.empty() && !warningsShown) {
        p.Operator().ShowMessage(
            QStringLiteral("Каналы из файла «%1» импортированы, но некоторые приняты с "
                           "изменениями:\n%2")
                .arg(ShownPath(path), NoteList(imported.warnings)),
            kCsvImportTitle, MessageIcon::Warning);
    }
    return QStringLiteral("Из файла «%1» импортировано каналов: %2")
        .arg(QFileInfo(path).fileName())
        .arg(imported.channels);
}

QString SheetTitle(const ProgramState& p) {
    const QString file = CaptionFile(p);
    return file.isEmpty() ? QStringLiteral("Радиостанция")
                          : QFileInfo(QDir::fromNativeSeparators(file)).fileName();
}

}  // namespace belvan
