// What the commands of belvan-cli share: their command-line parsing, the options that recur and
// reading the settings file a command works on.
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <optional>

#include "files/settings_file.h"

namespace belvan::cli {

// A path as the system writes it.
QString Shown(const QString& path);

// Parses a command's arguments. Returns an exit code when the command is done already: its help
// was asked for, or the command line is wrong (with too few or too many positional arguments).
std::optional<int> Parse(QCommandLineParser& parser, const QString& verb,
                         const QStringList& arguments, int minPositional, int maxPositional);
// The value of an option the command cannot go without.
std::optional<QString> Required(const QCommandLineParser& parser, const QCommandLineOption& option,
                                const QString& verb);

QCommandLineOption PortOption();
// --force: take a file whose checksum does not match; `what` says what is then done with it.
QCommandLineOption ForceOption(const QString& what);
QCommandLineOption VerifyOption();

// The file's 255 bytes, or the error (File or WrongFile) after the reason was printed.
Result<FileBytes> ReadFile(const QString& path);
QString ChecksumMismatch(const FileBytes& bytes);

// The image of a settings file, or the error after the reason was printed: a file that is not one
// (File or WrongFile), or whose checksum does not match (Checksum, unless `force`).
Result<ParameterImage> ReadImage(const QString& path, bool force);

// True when the output would overwrite the command's own input, after saying so.
bool OutputIsInput(const QString& output, const QString& input, const QString& verb);

// Why the file cannot be saved, said before any work is done; false then.
bool WritableOrSay(const QString& path);

// Writes the bytes so that an existing file is replaced only by a complete new one; false after
// saying why not.
bool WriteOrSay(const QString& path, const QByteArray& bytes);
bool WriteOrSay(const QString& path, const FileBytes& bytes);

}  // namespace belvan::cli
