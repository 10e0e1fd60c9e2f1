// What the status line says when the port does not open or the radio does not answer: why, and
// what to do about it.
#pragma once

#include <QString>
#include <QStringList>

#include "core/error.h"

namespace belvan {

// The advice for a port that did not open, from the link's word on it (its kind and reason);
// `ports` are the system's serial ports, listed when the port named is not among them.
QString PortAdvice(const QString& portName, const Error& failure, const QStringList& ports);
// The advice after "Нет ответа от радиостанции".
QString NoAnswerAdvice();

}  // namespace belvan
