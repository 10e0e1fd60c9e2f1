// The tool's top-level window: the form TForm1 as it is, a menu bar above it for what goes beyond
// the form (CSV export and import, the printable sheet) and a status line below it.
#pragma once

#include <QMainWindow>

#include "nastroika.h"

class QAction;

namespace belvan {

class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit MainWindow(const TForm1::Options& options);

    TForm1* Form() const { return form_; }

    // "Файл": "Экспорт в CSV…", "Импорт из CSV…", "Печать…".
    QAction* ExportAction;
    QAction* ImportAction;
    QAction* PrintAction;
    // "Радиостанция": "Папка резервных копий", "Проверять после записи" (remembered).
    QAction* BackupFolderAction;
    QAction* VerifyAction;

  protected:
    // The form decides: it refuses while an exchange with the radio runs.
    void closeEvent(QCloseEvent* event) override;

  private:
    // Runs a menu action through the form; its text, if any, goes to the status line.
    void RunMenuAction(const std::function<QString()>& action);
    QString Print();
    void OpenBackupFolder();

    TForm1* form_ = nullptr;
};

}  // namespace belvan
