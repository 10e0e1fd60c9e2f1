// The command line of the commands that write a file into radios (write, station): the ports,
// none named twice, and the file's image.
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "image/parameter_image.h"

namespace belvan::cli {

// The ports and the file's image, or the exit code once the command is done (help shown, a wrong
// command line, a bad file).
struct RadioCommand {
    std::optional<int> exit;
    QStringList ports = {};
    ParameterImage image = {};
};

// A port named twice would be opened twice and fight itself: the names as given are compared, and
// the devices they stand for ("COM1" and "/dev/ttyS0", a link and its device). The usage error,
// or nothing.
QString RepeatedPort(const QStringList& ports);

// `conflict` names a wrong combination of options, or is empty.
RadioCommand ParseRadioCommand(QCommandLineParser& parser, const QString& verb,
                               const QStringList& arguments, const QCommandLineOption& port,
                               const QCommandLineOption& force,
                               const std::function<QString()>& conflict = {});

}  // namespace belvan::cli
