// The window's "Файл" menu beside the form: channel lists exported to and imported from CSV, and
// the image and title the printable sheet shows.
#pragma once

#include <QString>

#include "core/error.h"
#include "image/parameter_image.h"

namespace belvan {

struct ProgramState;

inline const QString kCsvExportTitle = QStringLiteral("Экспорт в CSV");
inline const QString kCsvImportTitle = QStringLiteral("Импорт из CSV");

// The image a save would write now (MakeImage of the plan on screen) for the menu's commands that
// take it without changing the plan: export, import's base, print. When a typed value cannot be
// encoded, the operator is shown why, as a save shows it, and the error comes back.
Result<ParameterImage> ProduceImage(const ProgramState& p);

// "Экспорт в CSV…": the 16 channels into a CSV file the operator chooses. Returns the status
// line's text, empty when nothing was written.
QString ExportCsvFile(ProgramState& p);

// "Импорт из CSV…": the 16 channels replaced by those of a CSV file the operator chooses; the
// radio-wide settings stay as they are on screen. Refused rows are listed and the operator is
// asked whether to take the rest ("Нет" changes nothing). Returns the status line's text, empty
// when nothing was imported.
QString ImportCsvFile(ProgramState& p);

// The printable sheet's title: the name of the file the caption shows, or "Радиостанция".
QString SheetTitle(const ProgramState& p);

}  // namespace belvan
