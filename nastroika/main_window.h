// The tool's top-level window: the form TForm1 as it is, a menu bar above it for what goes beyond
// the form (files, undo, the channel clipboard, CSV, the printable sheet, the radio, help) and a
// status line below it that says what the last action did and whether the plan has unsaved
// changes.
#pragma once

#include <QMainWindow>
#include <memory>

#include "core/stop_signals.h"
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

    // "Файл": "Открыть…", "Сохранить", "Сохранить как…", "Последние файлы", "Экспорт в CSV…",
    // "Импорт из CSV…", "Печать…", "Восстановить…", "Выход".
    QAction* OpenAction;
    QAction* SaveAction;
    QAction* SaveAsAction;
    QMenu* RecentMenu;
    QAction* ExportAction;
    QAction* ImportAction;
    QAction* PrintAction;
    QAction* RestoreAction;
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
    // The status line's word on recovery: plans of windows that are gone to restore, or why this
    // window's plan cannot be kept for recovery. Beside the passing messages, never replaced.
    QLabel* RecoveryLabel;

    // The most recent files, newest first, as remembered between runs.
    static QStringList RecentFiles();

    // "Файл" → "Восстановить…": the plans kept for recovery, to restore or discard.
    void ShowRecoveryDialog();
    // A stop signal (SIGTERM, SIGHUP, Ctrl+C): the window closes as the close button closes it,
    // after an exchange under way, its plan kept for recovery, with no question and no message
    // box left open.
    void CloseOnSignal();
    // From now on SIGTERM, SIGHUP and Ctrl+C close the window by CloseOnSignal.
    void EndOnStopSignals();

  protected:
    // The form decides: it refuses while an exchange with the radio runs.
    void closeEvent(QCloseEvent* event) override;

    // Shows a message in the status line: whole when it fits, else shortened with "…" and whole
    // in the status line's tooltip.
    void Say(const QString& text);

  private:
    // Runs a menu action through the form; its text, if any, goes to the status line.
    void RunMenuAction(const std::function<QString()>& action);
    QString Print();
    void OpenBackupFolder();
    // The menu texts, the enabled entries and the status line follow the form after each handler.
    void FollowForm();
    void RememberFile(const QString& path);
    void FillRecentMenu();
    void FollowRecovery();
    void RestoreEntry(const QString& stem);
    void ShowGuide();
    void ShowAbout();

    bool closingOnSignal_ = false;
    std::unique_ptr<StopSignals> stopSignals_;
    QString lastRemembered_;
    QString adviceShown_;

    TForm1* form_ = nullptr;
};

}  // namespace belvan
