// The bare Qt window the start-up benchmark measures the tool against: a main window with a menu
// bar, a table of 16 rows and 8 columns and a status line, and nothing else. With
// --exit-after-paint it ends as soon as it has been painted, as belvan does with that option.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>

namespace {
class BareWindow : public QMainWindow {
  public:
    explicit BareWindow(bool exitAfterPaint) : exitAfterPaint_(exitAfterPaint) {
        menuBar()->addMenu(QStringLiteral("&Файл"))->addAction(QStringLiteral("В&ыход"));
        auto* table = new QTableWidget(16, 8, this);
        for (int row = 0; row < 16; ++row)
            for (int column = 0; column < 8; ++column)
                table->setItem(row, column, new QTableWidgetItem(QStringLiteral("146000")));
        setCentralWidget(table);
        statusBar()->showMessage(QStringLiteral("Изменений нет"));
        resize(710, 660);
    }

  protected:
    void paintEvent(QPaintEvent* event) override {
        QMainWindow::paintEvent(event);
        if (exitAfterPaint_) QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }

  private:
    bool exitAfterPaint_;
};
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    BareWindow window(app.arguments().contains(QStringLiteral("--exit-after-paint")));
    window.show();
    return QApplication::exec();
}
