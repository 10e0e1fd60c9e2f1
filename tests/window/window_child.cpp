// The tool's window as a process of its own, for the tests that end it with a signal: it keeps
// its plan in the recovery folder given, edits channel 1 as the operator would and, when asked,
// writes it to the radio. It prints "edited" and then "writing" once each is under way.
//   belvan_window_child RECOVERY_FOLDER PORT [write]
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <cstdio>

#include "main_window.h"

namespace {
void Say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

void ClickItem(QListWidget* list, const QString& text) {
    QListWidgetItem* item = list->findItems(text, Qt::MatchExactly).value(0);
    if (!item) return;
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) return 64;
    belvan::MainWindow window(belvan::TForm1::Options{.port = args[2], .recoveryFolder = args[1]});
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 70;
    window.EndOnStopSignals();
    belvan::TForm1* form = window.Form();
    if (args.value(3) == QLatin1String("write") &&
        !QTest::qWaitFor([form] { return form->Label1->text() == QStringLiteral("открыт."); },
                         5000))
        return 69;
    ClickItem(form->ListBox2, QStringLiteral("170"));
    ClickItem(form->ListBox3, QStringLiteral("250"));
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    Say("edited");
    if (args.value(3) == QLatin1String("write")) {
        QTest::mouseClick(form->Button6, Qt::LeftButton);
        if (form->ExchangeRunning()) Say("writing");
    }
    return QApplication::exec();
}
