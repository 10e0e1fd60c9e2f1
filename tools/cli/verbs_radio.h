// The commands that talk to radios: read, write (to one radio or several at once) and the
// programming station.
#pragma once

#include <QStringList>

namespace belvan::cli {

int RunRead(const QStringList& arguments);
int RunWrite(const QStringList& arguments);
int RunStation(const QStringList& arguments);

}  // namespace belvan::cli
