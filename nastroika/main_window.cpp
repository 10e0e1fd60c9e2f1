#include "main_window.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QStatusBar>

#include "files/channel_sheet.h"
#include "form/csv_handlers.h"

namespace belvan {

MainWindow::MainWindow(const TForm1::Options& options)
    : QMainWindow(nullptr), form_(new TForm1(options)) {
    setObjectName(QStringLiteral("MainWindow"));
    // The window looks as the form did on its own: its caption, icon and fixed dialog frame.
    setWindowFlags(form_->windowFlags());
    setWindowTitle(form_->windowTitle());
    setWindowIcon(form_->windowIcon());
    connect(form_, &QWidget::windowTitleChanged, this, &QWidget::setWindowTitle);
    connect(form_, &QWidget::windowIconChanged, this, &QWidget::setWindowIcon);
    setCentralWidget(form_);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&Файл"));
    ExportAction = file->addAction(QStringLiteral("&Экспорт в CSV…"));
    ImportAction = file->addAction(QStringLiteral("&Импорт из CSV…"));
    file->addSeparator();
    PrintAction = file->addAction(QStringLiteral("&Печать…"));
    connect(ExportAction, &QAction::triggered, this,
            [this] { RunMenuAction([this] { return ExportCsvFile(form_->State()); }); });
    connect(ImportAction, &QAction::triggered, this,
            [this] { RunMenuAction([this] { return ImportCsvFile(form_->State()); }); });
    connect(PrintAction, &QAction::triggered, this,
            [this] { RunMenuAction([this] { return Print(); }); });
    statusBar()->setSizeGripEnabled(false);

    setFixedSize(form_->width(), menuBar()->sizeHint().height() + form_->height() +
                                     statusBar()->sizeHint().height());
}

void MainWindow::RunMenuAction(const std::function<QString()>& action) {
    // The form takes no input while it talks to the radio; neither does its menu.
    if (form_->ExchangeRunning()) return;
    form_->RunAction([this, action] {
        const QString status = action();
        if (!status.isEmpty()) statusBar()->showMessage(status);
    });
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
