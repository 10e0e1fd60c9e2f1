#include "csv_handlers.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

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
constexpr qsizetype kListedNotes = 15;

FileDialogRequest Dialog(const QString& title, const QString& name, bool confirmOverwrite) {
    return {title, QStringLiteral("Списки каналов CSV (*.csv)"), QStringLiteral("*.csv"), name,
            confirmOverwrite};
}

QString NoteList(const std::vector<CsvRowNote>& notes) {
    QStringList lines;
    for (const CsvRowNote& note : notes) lines << QStringLiteral("• ") + CsvRowNoteText(note);
    return ListedAtMost(lines, kListedNotes, QStringLiteral("\n"), QStringLiteral("\n"));
}

// A list numbered from 0 or longer than 16 can be taken in the order of its rows instead: asks
// whether to renumber ("Да"), to take the rows whose numbers fit ("Нет", when there are any) or
// to change nothing. The warnings of `asNumbered` are listed in the question when rows fit.
Answer AskRenumbering(ProgramState& p, const QString& path, const CsvImport& asNumbered,
                      const CsvImport& inOrder) {
    const bool someFit = !asNumbered.error;
    const QString outside = QStringLiteral(
        "номера каналов не укладываются в 1–16 (нумерация с 0 или каналов больше 16)");
    QString text;
    if (someFit) {
        text = QStringLiteral("В файле «%1» не подошли строки (%2):\n%3")
                   .arg(ShownPath(path))
                   .arg(asNumbered.refused.size())
                   .arg(NoteList(asNumbered.refused));
        if (!asNumbered.warnings.empty())
            text += QStringLiteral("\n\nПринято с изменениями:\n") + NoteList(asNumbered.warnings);
        text += QStringLiteral("\n\nВ файле %1. ").arg(outside);
    } else {
        text = QStringLiteral("В файле «%1» %2, и ни одна строка не подошла:\n%3\n\n")
                   .arg(ShownPath(path), outside, NoteList(asNumbered.refused));
    }
    QString renumbered = QStringLiteral("каналы 1–%1 по порядку строк").arg(inOrder.channels);
    if (!inOrder.refused.empty())
        renumbered += QStringLiteral(" (не войдут строк: %1)").arg(inOrder.refused.size());
    text += QStringLiteral(
                "Пронумеровать каналы заново по порядку строк файла?\n\nДа — %1; "
                "названия каналов не сохраняются.\n")
                .arg(renumbered);
    if (someFit) {
        text += QStringLiteral(
                    "Нет — импортировать остальные каналы (%1) под их номерами.\n"
                    "Отмена — ничего не менять.\n")
                    .arg(asNumbered.channels);
    } else {
        text += QStringLiteral("Нет — ничего не менять.\n");
    }
    text += QStringLiteral("\nКаналы, которых нет в файле, станут пустыми.");
    if (someFit) return p.Operator().AskYesNoCancel(text, kCsvImportTitle, MessageIcon::Question);
    return p.Operator().AskYesNo(text, kCsvImportTitle, MessageIcon::Question) == Answer::Yes
               ? Answer::Yes
               : Answer::Cancel;
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

Result<ParameterImage> ProduceImage(const ProgramState& p) {
    const Result<PlanImage> made = MakeImage(p.plan, p.ctl, p.image);
    if (!made) {
        ShowError(p.Operator(), made.error().text);
        return made.error();
    }
    return made->image;
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
    const Status written = WriteFileBytes(name, csv);
    if (!written) {
        ShowError(p.Operator(), QStringLiteral("Не удалось сохранить файл «%1»: %2.")
                                    .arg(ShownPath(name), written.error().text));
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

    const Result<QByteArray> read = ReadCsvFile(path);
    if (!read) {
        ShowError(p.Operator(), QStringLiteral("Не удалось прочитать файл «%1»: %2.")
                                    .arg(ShownPath(path), read.error().text));
        return {};
    }
    // The settings on screen and each channel's reserved byte are the base of the new image.
    const auto base = ProduceImage(p);
    if (!base) return {};
    CsvImport imported = ImportCsv(*read, *base);
    std::optional<CsvImport> inOrder;
    if (imported.locationsOutside) {
        inOrder = ImportCsv(*read, *base, CsvNumbering::InFileOrder);
        if (inOrder->error) inOrder.reset();
    }
    if (imported.error && !inOrder) {
        QString text = QStringLiteral("Файл «%1» не импортирован: %2.")
                           .arg(ShownPath(path), imported.error->text);
        if (!imported.refused.empty()) text += QStringLiteral("\n\n") + NoteList(imported.refused);
        ShowError(p.Operator(), text);
        return {};
    }

    std::vector<CsvRowNote> unshown = imported.warnings;  // warnings no box has listed yet
    if (inOrder) {
        const Answer answer = AskRenumbering(p, path, imported, *inOrder);
        if (answer == Answer::Cancel) return {};
        const std::vector<CsvRowNote> listed =
            !imported.error ? imported.warnings : std::vector<CsvRowNote>{};
        if (answer == Answer::Yes) imported = std::move(*inOrder);
        unshown.clear();
        for (const CsvRowNote& note : imported.warnings) {
            const QString said = CsvRowNoteText(note);
            if (std::none_of(listed.begin(), listed.end(), [&said](const CsvRowNote& shown) {
                    return CsvRowNoteText(shown) == said;
                }))
                unshown.push_back(note);
        }
    } else if (!imported.refused.empty()) {
        QString text = QStringLiteral("В файле «%1» не подошли строки (%2):\n%3")
                           .arg(ShownPath(path))
                           .arg(imported.refused.size())
                           .arg(NoteList(imported.refused));
        if (!imported.warnings.empty()) {
            text += QStringLiteral("\n\nПринято с изменениями:\n") + NoteList(imported.warnings);
            unshown.clear();
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
    // Saved, the plan proposes the list's own name.
    const QFileInfo list(path);
    p.dialogs.saveName = list.dir().filePath(list.completeBaseName() + kSettingsFileExtension);
    if (!unshown.empty()) {
        p.Operator().ShowMessage(
            QStringLiteral("Каналы из файла «%1» импортированы, но некоторые приняты с "
                           "изменениями:\n%2")
                .arg(ShownPath(path), NoteList(unshown)),
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
