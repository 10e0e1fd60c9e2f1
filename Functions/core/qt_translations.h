// Qt's own texts in Russian, like the program's: file dialogs, context menus, serial-port errors,
// the option parser's help and errors.
#pragma once

class QCoreApplication;

namespace belvan {

// Installs Qt's Russian catalogues where Qt's translations are installed; without them Qt's
// texts stay in English.
void InstallRussianQtTranslations(QCoreApplication& app);

}  // namespace belvan
