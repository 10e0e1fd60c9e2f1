#include "port_advice.h"

#include <QFileInfo>

#include "link/radio_link.h"
#include "link/serial_line.h"

namespace belvan {

PortTrouble PortTroubleOf(bool open, const QString& portName) {
    if (open) return PortTrouble::None;
#ifdef Q_OS_WIN
    return SystemPortNames().contains(portName, Qt::CaseInsensitive) ? PortTrouble::Other
                                                                     : PortTrouble::NotFound;
#else
    const QFileInfo device(DeviceForPortName(portName));
    if (!device.exists()) return PortTrouble::NotFound;
    return device.isWritable() ? PortTrouble::Other : PortTrouble::NoPermission;
#endif
}

QString PortAdvice(PortTrouble trouble, const QString& portName, const QString& reason,
                   const QStringList& ports) {
    switch (trouble) {
        case PortTrouble::None:
            return {};
        case PortTrouble::NotFound:
            if (ports.isEmpty())
                return QStringLiteral(
                           "Порт «%1» не найден: в системе нет последовательных портов. "
                           "Подключите адаптер USB–COM и выберите его порт в списке.")
                    .arg(portName);
            return QStringLiteral(
                       "Порт «%1» не найден. Порты в системе: %2. Выберите порт "
                       "радиостанции в списке или проверьте, подключён ли адаптер.")
                .arg(portName, ports.join(QStringLiteral(", ")));
        case PortTrouble::NoPermission:
#ifdef Q_OS_LINUX
            return QStringLiteral(
                       "Нет прав на порт «%1»: добавьте пользователя в группу dialout "
                       "(sudo usermod -aG dialout $USER) и войдите в систему заново.")
                .arg(portName);
#else
            return QStringLiteral("Нет прав на порт «%1»: нужны права на запись в устройство.")
                .arg(portName);
#endif
        case PortTrouble::Other:
            break;
    }
    return QStringLiteral(
               "Порт «%1» не открыт: %2 Если он занят другой программой, закройте её; "
               "порт откроется снова при выборе в списке.")
        .arg(portName, reason);
}

QString NoAnswerAdvice() {
    return QStringLiteral(
        "Радиостанция не ответила. Проверьте: выбран ли порт радиостанции, "
        "подключён ли кабель программирования к ней и к компьютеру, включена "
        "ли радиостанция.");
}

}  // namespace belvan
