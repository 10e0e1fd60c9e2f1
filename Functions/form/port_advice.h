// What the status line says when the port does not open or the radio does not answer: why, and
// what to do about it.
#pragma once

#include <QString>
#include <QStringList>

namespace belvan {

enum class PortTrouble { None, NotFound, NoPermission, Other };

// How a port that did not open stands: not in the system, there but not writable by this user,
// or something else (another program holds it). None when the port is open.
PortTrouble PortTroubleOf(bool open, const QString& portName);
// The advice for the port's trouble; `reason` is the link's word on it, `ports` the system's
// serial ports. Empty for PortTrouble::None.
QString PortAdvice(PortTrouble trouble, const QString& portName, const QString& reason,
                   const QStringList& ports);
// The advice after "Нет ответа от радиостанции".
QString NoAnswerAdvice();

}  // namespace belvan
