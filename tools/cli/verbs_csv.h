// The commands that move channel lists in and out: export (CSV or the printable sheet as PDF)
// and import (CSV into a channel-settings file).
#pragma once

#include <QStringList>

namespace belvan::cli {

int RunExport(const QStringList& arguments);
int RunImport(const QStringList& arguments);

// True when the command line asks for something drawn (the PDF sheet), which needs a GUI
// application for its fonts; it is made offscreen, without a display.
bool NeedsGuiApplication(int argc, char* argv[]);

}  // namespace belvan::cli
