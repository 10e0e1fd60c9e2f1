#include "radio_command.h"

#include <QFileInfo>
#include <QHash>

#include "link/serial_line.h"
#include "verb_support.h"
#include "verbs.h"

namespace belvan::cli {

QString RepeatedPort(const QStringList& ports) {
    QHash<QString, QString> seen;  // device -> the name it was given as first
    for (const QString& name : ports) {
        QString device = DeviceForPortName(name);
#ifdef Q_OS_WIN
        device = device.toUpper();
#else
        const QString canonical = QFileInfo(device).canonicalFilePath();
        if (!canonical.isEmpty()) device = canonical;
#endif
        if (const auto first = seen.constFind(device); first != seen.constEnd()) {
            if (*first == name) return QStringLiteral("порт «%1» указан дважды").arg(name);
            return QStringLiteral("порты «%1» и «%2» — одно и то же устройство").arg(*first, name);
        }
        seen.insert(device, name);
    }
    return {};
}

RadioCommand ParseRadioCommand(QCommandLineParser& parser, const QString& verb,
                               const QStringList& arguments, const QCommandLineOption& port,
                               const QCommandLineOption& force,
                               const std::function<QString()>& conflict) {
    parser.addPositionalArgument(QStringLiteral("ФАЙЛ"), QStringLiteral("Файл настроек (.ctrch)."));
    if (const auto done = Parse(parser, verb, arguments, 1, 1)) return {done};
    if (!Required(parser, port, verb)) return {Exit::Usage};
    QString wrong = RepeatedPort(parser.values(port));
    if (wrong.isEmpty() && conflict) wrong = conflict();
    if (!wrong.isEmpty()) {
        ReportUsageError(wrong, verb);
        return {Exit::Usage};
    }
    const Result<ParameterImage> read =
        ReadImage(parser.positionalArguments().constFirst(), parser.isSet(force));
    if (!read) return {ExitCode(read.error().kind)};
    return {std::nullopt, parser.values(port), *read};
}

}  // namespace belvan::cli
