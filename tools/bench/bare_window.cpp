// The bare Qt window the start-up benchmark measures the tool against: a main window with a menu
// bar, a table of 16 rows and 8 columns and a status line, and nothing else. With
// --exit-after-paint it ends as soon as it has been painted, as belvan does with that option;
// --size=WxH makes it that size (710 x 660 unless given), so that it can be as large as the tool's
// window, whose pixels are a good part of either's memory.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <chrono>
#include <cstdio>

namespace {
class BareWindow : public QMainWindow {
  public:
    BareWindow(bool exitAfterPaint, QSize size) : exitAfterPaint_(exitAfterPaint) {
        menuBar()->addMenu(QStringLiteral("&Файл"))->addAction(QStringLiteral("В&ыход"));
        auto* table = new QTableWidget(16, 8, this);
        for (int row = 0; row < 16; ++row)
            for (int column = 0; column < 8; ++column)
                table->setItem(row, column, new QTableWidgetItem(QStringLiteral("146000")));
        setCentralWidget(table);
        statusBar()->showMessage(QStringLiteral("Изменений нет"));
        resize(size);
    }

  protected:
    void paintEvent(QPaintEvent* event) override {
        QMainWindow::paintEvent(event);
        if (!exitAfterPaint_) return;
        exitAfterPaint_ = false;
        QTimer::singleShot(0, qApp, [] {  // as belvan does: when the paint was done
            using namespace std::chrono;
            std::printf(
                "painted %lld\n",
                static_cast<long long>(
                    duration_cast<microseconds>(system_clock::now().time_since_epoch()).count()));
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    }

  private:
    bool exitAfterPaint_;
};
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QSize size(710, 660);
    for (const QString& argument : app.arguments()) {
        if (!argument.startsWith(QLatin1String("--size="))) continue;
        const QStringList sides = argument.mid(7).split(u'x');
        const QSize given = sides.size() == 2 ? QSize(sides[0].toInt(), sides[1].toInt()) : QSize();
        if (!given.isEmpty()) size = given;
    }
    BareWindow window(app.arguments().contains(QStringLiteral("--exit-after-paint")), size);
    window.show();
    return QApplication::exec();
}
