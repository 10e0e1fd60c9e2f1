// The commands that talk to radios: read, write (to one radio or several at once) and the
// programming station.
#pragma once

#include <QStringList>
#include "core/error.h"
#include "image/parameter_image.h"
#include "stop_signals.h"

namespace belvan::cli {

// Reads the radio on `port` as `read` does: the progress line on a terminal, the outcome said on
// stderr, and what the radio held kept in the backup folder. The image, or the error after the
// reason was printed: the port does not open (its kind), the radio did not answer (Exchange).
Result<ParameterImage> ReadRadio(const QString& port);

int RunRead(const QStringList& arguments);
int RunWrite(const QStringList& arguments);
int RunStation(const QStringList& arguments);

}  // namespace belvan::cli
