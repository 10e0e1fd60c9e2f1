#include "main_window.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QUrl>

#include "files/backup.h"
#include "files/file_io.h"
#include "form/csv_handlers.h"
#include "sheet/channel_sheet.h"

namespace belvan {

namespace {
const QString kVerifyKey = QStringLiteral("radio/verifyAfterWrite");

// The tool's settings, the same whatever the program's name: ~/.config/belvan/belvan.conf on Linux.
QSettings Settings() {
    return QSettings(QStringLiteral("belvan"), QStringLiteral("belvan"));
}
}  // namespace

MainWindow::MainWindow(const TForm1::Options& options) : QMainWindow(nullptr) {
    setObjectName(QStringLiteral("MainWindow"));

    QMenu* file = menuBar()->addMenu(QStringLiteral("&Файл"));
    ExportAction = file->addAction(QStringLiteral("&Экспорт в CSV…"));
    ImportAction = file->addAction(QStringLiteral("&Импорт из CSV…"));
    file->addSeparator();
    PrintAction = file->addAction(QStringLiteral("&Печать…"));
    QMenu* radio = menuBar()->addMenu(QStringLiteral("&Радиостанция"));
    BackupFolderAction = radio->addAction(QStringLiteral("Папка &резервных копий"));
    VerifyAction = radio->addAction(QStringLiteral("&Проверять после записи"));
    VerifyAction->setCheckable(true);
    VerifyAction->setChecked(Settings().value(kVerifyKey, false).toBool());
    statusBar()->setSizeGripEnabled(false);

    // The form is sized for the screen with the room the menu bar and the status line take.
    TForm1::Options withRoom = options;
    withRoom.extraHeight = menuBar()->sizeHint().height() + statusBar()->sizeHint().height();
    form_ = new TForm1(withRoom);
    form_->State().prefs.verifyAfterWrite = VerifyAction->isChecked();

    // The window looks as the form did on its own: its caption, icon and fixed dialog frame.
    setWindowFlags(form_->windowFlags());
    setWindowTitle(form_->windowTitle());
    setWindowIcon(form_->windowIcon());
    connect(form_, &QWidget::windowTitleChanged, this, &QWidget::setWindowTitle);
    connect(form_, &QWidget::windowIconChanged, this, &QWidget::setWindowIcon);

    connect(ExportAction, &QAction::triggered, this,
            [this] { RunMenuAction([this] { return ExportCsvFile(form_->State()); }); });
    connect(ImportAction, &QAction::triggered, this,
            [this] { RunMenuAction([this] { return ImportCsvFile(form_->State()); }); });
    connect(PrintAction, &QAction::triggered, this,
            [this] { RunMenuAction([this] { return Print(); }); });
    connect(BackupFolderAction, &QAction::triggered, this, &MainWindow::OpenBackupFolder);
    connect(VerifyAction, &QAction::toggled, this, [this](bool on) {
        form_->State().prefs.verifyAfterWrite = on;
        Settings().setValue(kVerifyKey, on);
    });
    // Nothing of the menu is at hand while the form talks to the radio.
    connect(form_, &TForm1::exchangeRunningChanged, this,
            [this](bool running) { menuBar()->setEnabled(!running); });
    connect(form_, &TForm1::statusLineChanged, this,
            [this](const QString& text) { statusBar()->showMessage(text); });

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
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("FormScroll"));
    scroll->setWidget(form_);
    setCentralWidget(scroll);
    resize(whole.boundedTo(room));
}

void MainWindow::RunMenuAction(const std::function<QString()>& action) {
    // The form takes no input while it talks to the radio; neither does its menu.
    if (form_->ExchangeRunning()) return;
    form_->RunAction([this, action] {
        const QString status = action();
        if (!status.isEmpty()) statusBar()->showMessage(status);
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
    printer.setDocName(title);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Печать листа каналов"));
    if (dialog.exec() != QDialog::Accepted) return {};
    const QString file = printer.outputFileName();
    if (!file.isEmpty() && printer.outputFormat() == QPrinter::PdfFormat) {
        // A PDF file is saved like every other file: checked, and replacing an old one only
        // when complete.
        const QByteArray sheet = ChannelSheetPdf(*image, title, QDateTime::currentDateTime());
        const QString failure = sheet.isEmpty()
                                    ? QStringLiteral("лист каналов не удалось нарисовать")
                                    : WriteFileBytes(file, sheet);
        if (!failure.isEmpty()) {
            ShowError(p.Operator(), QStringLiteral("Не удалось сохранить файл «%1»: %2.")
                                        .arg(QDir::toNativeSeparators(file), failure));
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
    if (!form_->close()) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace belvan
