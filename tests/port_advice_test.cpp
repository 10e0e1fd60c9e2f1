// What the status line says about a port that does not open and a radio that does not answer.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "form/port_advice.h"

namespace belvan {
namespace {

TEST(PortAdviceTest, EachTroubleSaysWhyAndWhatToDo) {
    const QString notFound = PortAdvice(PortTrouble::NotFound, QStringLiteral("COM7"), {},
                                        {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("COM1")});
    EXPECT_TRUE(notFound.contains(QStringLiteral("«COM7» не найден"))) << notFound.toStdString();
    EXPECT_TRUE(notFound.contains(QStringLiteral("/dev/ttyUSB0, COM1")));
    const QString none = PortAdvice(PortTrouble::NotFound, QStringLiteral("COM7"), {}, {});
    EXPECT_TRUE(none.contains(QStringLiteral("нет последовательных портов"))) << none.toStdString();

    const QString permission =
        PortAdvice(PortTrouble::NoPermission, QStringLiteral("/dev/ttyUSB0"), {}, {});
    EXPECT_TRUE(permission.contains(QStringLiteral("dialout"))) << permission.toStdString();
    EXPECT_TRUE(permission.contains(QStringLiteral("войдите в систему заново")));

    const QString busy = PortAdvice(PortTrouble::Other, QStringLiteral("/dev/ttyUSB0"),
                                    QStringLiteral("Порт занят другой программой."), {});
    EXPECT_TRUE(busy.contains(QStringLiteral("Порт занят другой программой.")))
        << busy.toStdString();
    EXPECT_TRUE(busy.contains(QStringLiteral("закройте её")));

    EXPECT_TRUE(PortAdvice(PortTrouble::None, QStringLiteral("COM1"), {}, {}).isEmpty());
    for (const char* part : {"порт", "кабель", "включена"})
        EXPECT_TRUE(NoAnswerAdvice().contains(QString::fromUtf8(part))) << part;
}

TEST(PortAdviceTest, TheTroubleComesFromTheDeviceNotFromAMessage) {
    EXPECT_EQ(PortTroubleOf(true, QStringLiteral("/nonexistent/tty")), PortTrouble::None);
    EXPECT_EQ(PortTroubleOf(false, QStringLiteral("/nonexistent/tty")), PortTrouble::NotFound);
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("tty"));
    QFile file(device);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    // A device that is there and writable, but did not open: held by another program or broken.
    EXPECT_EQ(PortTroubleOf(false, device), PortTrouble::Other);
}

}  // namespace
}  // namespace belvan
