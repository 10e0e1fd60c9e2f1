// What the status line says about a port that does not open and a radio that does not answer.
#include <gtest/gtest.h>

#include "form/port_advice.h"

namespace belvan {
namespace {

TEST(PortAdviceTest, TheAdviceFollowsTheKindOfTheLinksFailure) {
    const QStringList ports = {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("COM1")};
    const QString permission = QStringLiteral("Нет прав на порт /dev/ttyUSB0. Добавьте …");
    struct Case {
        Error failure;
        QStringList ports;
        QStringList says;
    } cases[] = {
        {{ErrorKind::PortNotFound, QStringLiteral("Порт COM7 не найден.")},
         ports,
         {QStringLiteral("«COM7» не найден"), QStringLiteral("/dev/ttyUSB0, COM1")}},
        {{ErrorKind::PortNotFound, QStringLiteral("Порт COM7 не найден.")},
         {},
         {QStringLiteral("нет последовательных портов")}},
        // The link's reason already names the group and the command: it is the advice.
        {{ErrorKind::PortNoPermission, permission}, ports, {permission}},
        {{ErrorKind::PortBusy, QStringLiteral("Порт COM7 занят другой программой.")},
         ports,
         {QStringLiteral("Порт COM7 занят другой программой."), QStringLiteral("закройте её")}},
        {{ErrorKind::PortUnavailable, QStringLiteral("Порт COM7 не открывается: это папка.")},
         ports,
         {QStringLiteral("это папка.")}},
    };
    for (const Case& c : cases) {
        const QString advice = PortAdvice(QStringLiteral("COM7"), c.failure, c.ports);
        for (const QString& part : c.says)
            EXPECT_TRUE(advice.contains(part)) << advice.toStdString();
        // A port named in the system is no port "not found", whatever the device looks like.
        EXPECT_EQ(advice.contains(QStringLiteral("не найден.")),
                  c.failure.kind == ErrorKind::PortNotFound && !c.ports.isEmpty())
            << advice.toStdString();
    }
    for (const char* part : {"порт", "кабель", "включена"})
        EXPECT_TRUE(NoAnswerAdvice().contains(QString::fromUtf8(part))) << part;
}

}  // namespace
}  // namespace belvan
