#include "port_advice.h"

namespace belvan {

QString PortAdvice(const QString& portName, const Error& failure, const QStringList& ports) {
    switch (failure.kind) {
        case ErrorKind::PortNotFound:
            if (ports.isEmpty())
                return QStringLiteral(
                           "Порт «%1» не найден: в системе нет последовательных портов. "
                           "Подключите адаптер USB–COM и выберите его порт в списке.")
                    .arg(portName);
            return QStringLiteral(
                       "Порт «%1» не найден. Порты в системе: %2. Выберите порт "
                       "радиостанции в списке или проверьте, подключён ли адаптер.")
                .arg(portName, ports.join(QStringLiteral(", ")));
        case ErrorKind::PortNoPermission:
            // The link's reason names the group that may open the port and how to join it.
            return failure.text;
        default:
            break;
    }
    return QStringLiteral(
               "Порт «%1» не открыт: %2 Если он занят другой программой, закройте её; "
               "порт откроется снова при выборе в списке.")
        .arg(portName, failure.text);
}

QString NoAnswerAdvice() {
    return QStringLiteral(
        "Радиостанция не ответила. Проверьте: выбран ли порт радиостанции, "
        "подключён ли кабель программирования к ней и к компьютеру, включена "
        "ли радиостанция.");
}

}  // namespace belvan
