// The tool's top-level window: the form TForm1 as it is, a menu bar above it for what goes beyond
// the form (files, undo, the channel clipboard, CSV, the printable sheet, the radio, help) and a
// status line below it that says what the last action did and whether the plan has unsaved
// changes.
#pragma once

#include <QMainWindow>

#include "nastroika.h"

class QAction;
class QLabel;
class QMenu;

namespace belvan {

class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit MainWindow(const TForm1::Options& options);
    ~MainWindow() override;

    TForm1* Form() const { return form_; }

    // "Файл": "Открыть…", "Сохранить…", "Последние файлы", "Экспорт в CSV…", "Импорт из CSV…",
    // "Печать…", "Восстановить план прошлого сеанса", "Выход".
    QAction* OpenAction;
    QAction* SaveAction;
    QMenu* RecentMenu;
    QAction* ExportAction;
    QAction* ImportAction;
    QAction* PrintAction;
    QAction* RestoreSessionAction;
    QAction* QuitAction;
    // "Правка": undo and redo, the channel clipboard, the two clears.
    QAction* UndoAction;
    QAction* RedoAction;
    QAction* CopyChannelAction;
    QAction* PasteChannelAction;
    QAction* ClearChannelAction;
    QAction* ClearAllAction;
    // "Радиостанция": "Прочитать", "Записать", "Папка резервных копий", "Проверять после записи"
    // (remembered).
    QAction* ReadAction;
    QAction* WriteAction;
    QAction* CompareAction;
    QAction* BackupFolderAction;
    QAction* VerifyAction;
    // "Справка": "Руководство", "О программе".
    QAction* GuideAction;
    QAction* AboutAction;
    // The status line's mark of unsaved changes.
    QLabel* ModifiedLabel;

    // The most recent files, newest first, as remembered between runs.
    static QStringList RecentFiles();

  protected:
    // The form decides: it refuses while an exchange with the radio runs.
    void closeEvent(QCloseEvent* event) override;

  private:
    // Runs a menu action through the form; its text, if any, goes to the status line.
    void RunMenuAction(const std::function<QString()>& action);
    QString Print();
    void OpenBackupFolder();
    // The menu texts, the enabled entries and the status line follow the form after each handler.
    void FollowForm();
    void RememberFile(const QString& path);
    void FillRecentMenu();
    void RestoreSession();
    void ShowGuide();
    void ShowAbout();

    bool sessionRestored_ = false;
    QString lastRemembered_;
    QString adviceShown_;

    TForm1* form_ = nullptr;
};

}  // namespace belvan
