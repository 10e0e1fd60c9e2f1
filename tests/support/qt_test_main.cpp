// main() of the test programs that need a Qt application before the tests run: a
// QCoreApplication, or with BELVAN_TEST_WIDGETS a QApplication on the offscreen platform. The
// backups and the remembered settings of what the tests run go to folders of the program's own.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#ifdef BELVAN_TEST_WIDGETS
#include <QApplication>
#else
#include <QCoreApplication>
#endif

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
#ifdef BELVAN_TEST_WIDGETS
    // The offscreen platform, on a screen of a given size when its options name one.
    if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QLatin1String("offscreen")))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
