#include "main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "channel_table.h"
#include "core/texts.h"
#include "files/backup.h"
#include "files/file_io.h"
#include "form/csv_handlers.h"
#include "sheet/channel_sheet.h"

namespace belvan {

namespace {
const QString kVerifyKey = QStringLiteral("radio/verifyAfterWrite");
const QString kRecentKey = QStringLiteral("files/recent");
constexpr int kRecentCount = 8;

// The tool's settings, the same whatever the program's name: ~/.config/belvan/belvan.conf on Linux.
QSettings Settings() {
    return QSettings(QStringLiteral("belvan"), QStringLiteral("belvan"));
}
}  // namespace

MainWindow::MainWindow(const TForm1::Options& options) : QMainWindow(nullptr) {
    setObjectName(QStringLiteral("MainWindow"));

    QMenu* file = menuBar()->addMenu(QStringLiteral("&Файл"));
    OpenAction = file->addAction(QStringLiteral("&Открыть…"));
    OpenAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    SaveAction = file->addAction(QStringLiteral("&Сохранить"));
    SaveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    SaveAsAction = file->addAction(QStringLiteral("Сохранить &как…"));
    SaveAsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    RecentMenu = file->addMenu(QStringLiteral("Последние &файлы"));
    file->addSeparator();
    ExportAction = file->addAction(QStringLiteral("&Экспорт в CSV…"));
    ImportAction = file->addAction(QStringLiteral("&Импорт из CSV…"));
    file->addSeparator();
    PrintAction = file->addAction(QStringLiteral("&Печать…"));
    PrintAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    file->addSeparator();
    RestoreAction = file->addAction(QStringLiteral("&Восстановить…"));
    file->addSeparator();
    QuitAction = file->addAction(QStringLiteral("В&ыход"));
    QuitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Правка"));
    UndoAction = edit->addAction(QStringLiteral("&Отменить"));
    UndoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    RedoAction = edit->addAction(QStringLiteral("&Повторить"));
    RedoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    edit->addSeparator();
    CopyChannelAction = edit->addAction(QStringLiteral("&Копировать канал"));
    CopyChannelAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    PasteChannelAction = edit->addAction(QStringLiteral("&Вставить канал"));
    PasteChannelAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    edit->addSeparator();
    ClearChannelAction = edit->addAction(QStringLiteral("Очистить &канал"));
    ClearAllAction = edit->addAction(QStringLiteral("Очистить &все"));

    QMenu* radio = menuBar()->addMenu(QStringLiteral("&Радиостанция"));
    ReadAction = radio->addAction(QStringLiteral("П&рочитать"));
    ReadAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    WriteAction = radio->addAction(QStringLiteral("&Записать"));
    WriteAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W));
    CompareAction = radio->addAction(QStringLiteral("&Сравнить с радиостанцией"));
    radio->addSeparator();
    BackupFolderAction = radio->addAction(QStringLiteral("Папка &резервных копий"));
    VerifyAction = radio->addAction(QStringLiteral("&Проверять после записи"));
    VerifyAction->setCheckable(true);
    VerifyAction->setChecked(Settings().value(kVerifyKey, false).toBool());

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Справка"));
    GuideAction = help->addAction(QStringLiteral("&Руководство"));
    GuideAction->setShortcut(QKeySequence(Qt::Key_F1));
    AboutAction = help->addAction(QStringLiteral("&О программе"));
    // A shortcut works wherever the focus is in the window: in the table, a list or a button.
    // A typed box's line edit keeps the keys it edits with (Ctrl+C, Ctrl+V, Ctrl+Z, Ctrl+Y).
    for (QAction* action :
         {OpenAction, SaveAction, SaveAsAction, PrintAction, QuitAction, UndoAction, RedoAction,
          CopyChannelAction, PasteChannelAction, ReadAction, WriteAction, GuideAction})
        action->setShortcutContext(Qt::WindowShortcut);

    statusBar()->setSizeGripEnabled(false);
    RecoveryLabel = new QLabel;
    RecoveryLabel->setObjectName(QStringLiteral("RecoveryLabel"));
    statusBar()->addPermanentWidget(RecoveryLabel);
    ModifiedLabel = new QLabel;
    ModifiedLabel->setObjectName(QStringLiteral("ModifiedLabel"));
    statusBar()->addPermanentWidget(ModifiedLabel);

    // The form is sized for the screen with the room the menu bar and the status line take.
    TForm1::Options withRoom = options;
    withRoom.extraHeight = menuBar()->sizeHint().height() + statusBar()->sizeHint().height();
    form_ = new TForm1(withRoom);
    form_->State().prefs.verifyAfterWrite = VerifyAction->isChecked();
    // The channel table's commands for its selected rows.
    edit->addSeparator();
    edit->addMenu(form_->TableEditor->Menu());

    // The window looks as the form did on its own: its caption, icon and fixed dialog frame.
    setWindowFlags(form_->windowFlags());
    setWindowTitle(form_->windowTitle());
    setWindowIcon(form_->windowIcon());
    connect(form_, &QWidget::windowTitleChanged, this, &QWidget::setWindowTitle);
    connect(form_, &QWidget::windowIconChanged, this, &QWidget::setWindowIcon);

    connect(OpenAction, &QAction::triggered, this, [this] {
        if (!form_->ExchangeRunning()) form_->LoadSettings();
    });
    connect(SaveAction, &QAction::triggered, this, [this] {
        if (!form_->ExchangeRunning()) form_->Save();
    });
    connect(SaveAsAction, &QAction::triggered, this, [this] {
        if (!form_->ExchangeRunning()) form_->SaveSettings();
    });
    connect(RestoreAction, &QAction::triggered, this, &MainWindow::ShowRecoveryDialog);
    connect(QuitAction, &QAction::triggered, this, &QWidget::close);
    connect(UndoAction, &QAction::triggered, form_, &TForm1::Undo);
    connect(RedoAction, &QAction::triggered, form_, &TForm1::Redo);
    connect(CopyChannelAction, &QAction::triggered, form_, &TForm1::CopyChannel);
    connect(PasteChannelAction, &QAction::triggered, form_, &TForm1::PasteChannel);
    // The form's own buttons do the rest, as if clicked.
    auto press = [this](QAction* action, QPushButton* button) {
        connect(action, &QAction::triggered, this, [this, button] {
            if (!form_->ExchangeRunning() && button->isVisible() && button->isEnabled())
                button->click();
        });
    };
    press(ClearChannelAction, form_->Button7);
    press(ClearAllAction, form_->Button8);
    press(ReadAction, form_->Button5);
    press(WriteAction, form_->Button6);
    connect(GuideAction, &QAction::triggered, this, &MainWindow::ShowGuide);
    connect(AboutAction, &QAction::triggered, this, &MainWindow::ShowAbout);
    connect(form_, &TForm1::editsChanged, this, &MainWindow::FollowForm);
    connect(form_, &TForm1::recoveryChanged, this, &MainWindow::FollowRecovery);

    connect(ExportAction, &QAction::triggered, this,
            [this] { RunMenuAction([this] { return ExportCsvFile(form_->State()); }); });
    connect(ImportAction, &QAction::triggered, this, [this] {
        if (form_->ExchangeRunning()) return;
        form_->RunAction(QStringLiteral("импорт из CSV"), [this] {
            const QString status = ImportCsvFile(form_->State());
            if (!status.isEmpty()) Say(status);
        });
    });
    connect(PrintAction, &QAction::triggered, this,
            [this] { RunMenuAction([this] { return Print(); }); });
    connect(CompareAction, &QAction::triggered, this, [this] {
        RunMenuAction([this] {
            CompareWithRadio(form_->State());
            return QString();
        });
    });
    connect(BackupFolderAction, &QAction::triggered, this, &MainWindow::OpenBackupFolder);
    connect(VerifyAction, &QAction::toggled, this, [this](bool on) {
        form_->State().prefs.verifyAfterWrite = on;
        Settings().setValue(kVerifyKey, on);
    });
    // Nothing of the menu is at hand while the form talks to the radio.
    connect(form_, &TForm1::exchangeRunningChanged, this,
            [this](bool running) { menuBar()->setEnabled(!running); });
    connect(form_, &TForm1::statusLineChanged, this, [this](const QString& text) { Say(text); });
    FillRecentMenu();
    FollowForm();
    FollowRecovery();

    const QSize whole(form_->width(), withRoom.extraHeight + form_->height());
    const QScreen* shownOn = screen() ? screen() : QGuiApplication::primaryScreen();
    const QSize room =
        shownOn ? shownOn->availableGeometry().size() - TForm1::kFrameAllowance : whole;
    if (whole.width() <= room.width() && whole.height() <= room.height()) {
        setCentralWidget(form_);
        setFixedSize(whole);
        return;
    }
    // A screen too small even for the smallest font: the form scrolls.
    // A screen too small even for the smallest font: the form scrolls, and only up and down
    // where the screen is wide enough for it.
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("FormScroll"));
    scroll->setWidget(form_);
    setCentralWidget(scroll);
    const int bar = scroll->verticalScrollBar()->sizeHint().width() + 2 * scroll->frameWidth();
    if (whole.width() + bar <= room.width()) {
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        resize(QSize(whole.width() + bar, whole.height()).boundedTo(room));
        return;
    }
    resize(whole.boundedTo(room));
}

QStringList MainWindow::RecentFiles() {
    return Settings().value(kRecentKey).toStringList().mid(0, kRecentCount);
}

void MainWindow::RememberFile(const QString& path) {
    if (path.isEmpty() || path == lastRemembered_) return;
    lastRemembered_ = path;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList files = RecentFiles();
    files.removeAll(absolute);
    files.prepend(absolute);
    Settings().setValue(kRecentKey, files.mid(0, kRecentCount));
    FillRecentMenu();
}

void MainWindow::FillRecentMenu() {
    RecentMenu->clear();
    const QStringList files = RecentFiles();
    for (int i = 0; i < files.size(); ++i) {
        QAction* action = RecentMenu->addAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(files[i])));
        connect(action, &QAction::triggered, this, [this, file = files[i]] {
            if (!form_->ExchangeRunning()) form_->LoadFile(file);
        });
    }
    RecentMenu->setEnabled(!files.isEmpty());
}

void MainWindow::FollowForm() {
    const EditHistory& history = form_->History();
    UndoAction->setText(history.CanUndo() ? QStringLiteral("&Отменить: %1").arg(history.UndoName())
                                          : QStringLiteral("&Отменить"));
    UndoAction->setEnabled(history.CanUndo());
    RedoAction->setText(history.CanRedo() ? QStringLiteral("&Повторить: %1").arg(history.RedoName())
                                          : QStringLiteral("&Повторить"));
    RedoAction->setEnabled(history.CanRedo());
    PasteChannelAction->setEnabled(form_->HasCopiedChannel());
    ModifiedLabel->setText(form_->Modified() ? QStringLiteral("Изменения не сохранены")
                                             : QStringLiteral("Изменений нет"));
    RememberFile(form_->LastFile());
    // The advice about the port or the last exchange is said once, when it changes, and goes
    // when the trouble has gone.
    if (form_->Advice() != adviceShown_) {
        if (form_->Advice().isEmpty() && statusBar()->toolTip() == adviceShown_) Say({});
        adviceShown_ = form_->Advice();
        if (!adviceShown_.isEmpty()) Say(adviceShown_);
    }
}

void MainWindow::Say(const QString& text) {
    statusBar()->setToolTip(text);
    int room = statusBar()->width() - 12;
    for (const QLabel* label : {RecoveryLabel, ModifiedLabel})
        if (label->isVisible()) room -= label->sizeHint().width() + 8;
    statusBar()->showMessage(
        statusBar()->fontMetrics().elidedText(text, Qt::ElideRight, std::max(room, 80)));
}

void MainWindow::EndOnStopSignals() {
    stopSignals_ =
        std::make_unique<StopSignals>([this] { CloseOnSignal(); }, [this] { CloseOnSignal(); });
}

void MainWindow::CloseOnSignal() {
    if (closingOnSignal_) return;
    closingOnSignal_ = true;
    (void)form_->KeepRecoveryNow();  // a failure shows in the status line
    // A message box or dialog open when the signal came is answered as its close button would
    // answer it; the window closes once an exchange under way has ended.
    auto* closing = new QTimer(this);
    connect(closing, &QTimer::timeout, this, [this] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != this) {
            modal->close();
            return;
        }
        if (isVisible()) close();
    });
    closing->start(50);
}

void MainWindow::ShowGuide() {
    QFile guide(QStringLiteral(":/help/guide.html"));
    QString text;
    if (guide.open(QIODevice::ReadOnly)) text = QString::fromUtf8(guide.readAll());
    auto* dialog = new QDialog(this);
    dialog->setObjectName(QStringLiteral("GuideDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Руководство"));
    auto* browser = new QTextBrowser(dialog);
    browser->setHtml(text);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(browser);
    dialog->resize(QSize(560, 480).boundedTo(size().expandedTo(QSize(400, 300))));
    dialog->show();
}

void MainWindow::ShowAbout() {
    QMessageBox::about(
        this, QStringLiteral("О программе"),
        QStringLiteral("<b>Belvan-T</b> — программирование радиостанции Belvan-T.<br>"
                       "Версия %1.<br>Лицензия: GNU GPL версии 3 или более поздней.<br>"
                       "Qt %2.<br>Папка данных: %3")
            .arg(QCoreApplication::applicationVersion(), QString::fromLatin1(qVersion()),
                 QDir::toNativeSeparators(
                     QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                     QStringLiteral("/belvan"))));
}

MainWindow::~MainWindow() {
    // Closing the window moves the focus out of a typed box, which runs the form's handler; what
    // the form then tells must not reach a main window that is half destroyed.
    disconnect(form_, nullptr, this, nullptr);
}

void MainWindow::RunMenuAction(const std::function<QString()>& action) {
    // The form takes no input while it talks to the radio; neither does its menu.
    if (form_->ExchangeRunning()) return;
    form_->RunAction([this, action] {
        const QString status = action();
        if (!status.isEmpty()) Say(status);
    });
}

void MainWindow::OpenBackupFolder() {
    const QString folder = BackupFolder();
    if (!QDir().mkpath(folder) || !QDesktopServices::openUrl(QUrl::fromLocalFile(folder))) {
        ShowError(form_->State().Operator(),
                  QStringLiteral("Не удалось открыть папку резервных копий «%1».")
                      .arg(QDir::toNativeSeparators(folder)));
    }
}

QString MainWindow::Print() {
    ProgramState& p = form_->State();
    const auto image = ProduceImage(p);
    if (!image) return {};
    const QString title = SheetTitle(p);
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(SheetPageLayout());
    // A PDF is proposed under the name the plan would be saved as (the list's after an import),
    // in that name's folder: the print dialog proposes the document's name in the working folder.
    const QFileInfo proposed(p.dialogs.saveName.isEmpty() ? InitialSaveName() : p.dialogs.saveName);
    printer.setDocName(p.dialogs.saveName.isEmpty() ? title : proposed.completeBaseName());
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Печать листа каналов"));
    const QString workingFolder = QDir::currentPath();
    QDir::setCurrent(proposed.absolutePath());
    const int answer = dialog.exec();
    QDir::setCurrent(workingFolder);
    if (answer != QDialog::Accepted) return {};
    const QString file = printer.outputFileName();
    if (!file.isEmpty() && printer.outputFormat() == QPrinter::PdfFormat) {
        // A PDF file is saved like every other file: checked, and replacing an old one only
        // when complete.
        const QByteArray sheet = ChannelSheetPdf(*image, title, QDateTime::currentDateTime());
        const Status saved =
            sheet.isEmpty() ? Status(Error{ErrorKind::File,
                                           QStringLiteral("лист каналов не удалось нарисовать")})
                            : WriteFileBytes(file, sheet);
        if (!saved) {
            ShowError(p.Operator(), QStringLiteral("Не удалось сохранить файл «%1»: %2.")
                                        .arg(QDir::toNativeSeparators(file), saved.error().text));
            return {};
        }
        return QStringLiteral("Лист каналов сохранён в файл «%1»")
            .arg(QDir::toNativeSeparators(file));
    }
    if (!PaintChannelSheet(*image, title, QDateTime::currentDateTime(), printer)) {
        ShowError(
            p.Operator(),
            QStringLiteral("Не удалось напечатать лист каналов: принтер или файл недоступен."));
        return {};
    }
    if (!printer.outputFileName().isEmpty())
        return QStringLiteral("Лист каналов сохранён в файл «%1»")
            .arg(QDir::toNativeSeparators(printer.outputFileName()));
    return QStringLiteral("Лист каналов отправлен на печать: %1").arg(printer.printerName());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // During an exchange the form refuses and closes the window once the exchange has ended.
    if (form_->ExchangeRunning()) {
        form_->close();
        event->ignore();
        return;
    }
    // The window closes without a question while the plan is kept for recovery; only a plan that
    // could not be kept makes it ask, since closing would lose it.
    const Status kept = form_->KeepRecoveryNow();
    if (!kept && form_->Modified() && !closingOnSignal_) {
        const Answer answer = form_->State().Operator().AskYesNoCancel(
            QStringLiteral("Изменения плана не удаётся сохранить для восстановления: %1.\n"
                           "Сохранить план в файл перед выходом?")
                .arg(kept.error().text),
            kToolCaption, MessageIcon::Warning);
        if (answer == Answer::Yes) form_->SaveSettings();
        if (answer == Answer::Cancel || (answer == Answer::Yes && form_->Modified())) {
            event->ignore();
            return;
        }
    }
    if (!form_->close()) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace belvan
