#include "verb_support.h"

#include <QCoreApplication>
#include <QDir>

#include "console.h"
#include "core/texts.h"
#include "file_report.h"
#include "verbs.h"

namespace belvan::cli {

QString Shown(const QString& path) {
    return ShownPath(path);
}

std::optional<int> Parse(QCommandLineParser& parser, const QString& verb,
                         const QStringList& arguments, int minPositional, int maxPositional) {
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Показать эту справку."));
    parser.addOption(help);
    if (const Verb* described = FindVerb(verb))
        parser.setApplicationDescription(described->description);
    if (!parser.parse(arguments)) {
        ReportUsageError(parser.errorText(), verb);
        return Exit::Usage;
    }
    if (parser.isSet(help)) {
        // Qt's usage line names the program only; the command goes right after it.
        QString text = parser.helpText();
        const QString started = QCoreApplication::arguments().value(0);
        const auto at = started.isEmpty() ? -1 : text.indexOf(started);
        if (at >= 0) text.replace(at, started.size(), ProgramName() + u' ' + verb);
        Out(text);
        return Exit::Ok;
    }
    const auto count = parser.positionalArguments().size();
    if (count < minPositional) {
        ReportUsageError(QStringLiteral("не указан файл"), verb);
        return Exit::Usage;
    }
    if (count > maxPositional) {
        ReportUsageError(QStringLiteral("лишние аргументы: %1")
                             .arg(parser.positionalArguments().mid(maxPositional).join(u' ')),
                         verb);
        return Exit::Usage;
    }
    return std::nullopt;
}

std::optional<QString> Required(const QCommandLineParser& parser, const QCommandLineOption& option,
                                const QString& verb) {
    const QString value = parser.value(option);
    if (!value.isEmpty()) return value;
    ReportUsageError(QStringLiteral("не указан параметр --%1").arg(option.names().constLast()),
                     verb);
    return std::nullopt;
}

QCommandLineOption PortOption() {
    return QCommandLineOption({QStringLiteral("p"), QStringLiteral("port")},
                              QStringLiteral("Порт радиостанции: COM1, COM2, … или путь к "
                                             "устройству (/dev/ttyUSB0)."),
                              QStringLiteral("ПОРТ"));
}

QCommandLineOption ForceOption(const QString& what) {
    return QCommandLineOption(
        QStringLiteral("force"),
        QStringLiteral("%1 и файл, контрольная сумма которого не сходится.").arg(what));
}

QCommandLineOption VerifyOption() {
    return QCommandLineOption(
        QStringLiteral("verify"),
        QStringLiteral("После записи прочитать радиостанцию и сравнить с записанным."));
}

Result<FileBytes> ReadFile(const QString& path) {
    Result<FileBytes> read = ReadSettingsFile(path);
    if (!read) {
        ErrLine(QStringLiteral("Ошибка: не удалось прочитать файл «%1»: %2.")
                    .arg(Shown(path), read.error().text));
    }
    return read;
}

QString ChecksumMismatch(const FileBytes& bytes) {
    return QStringLiteral("контрольная сумма не сходится: в файле %1, по содержимому %2")
        .arg(HexByte(bytes[kFileChecksumOffset]), HexByte(FileChecksum(bytes)));
}

Result<ParameterImage> ReadImage(const QString& path, bool force) {
    const Result<FileBytes> bytes = ReadFile(path);
    if (!bytes) return bytes.error();
    if (!FileChecksumMatches(*bytes)) {
        if (!force) {
            const QString text = QStringLiteral("файл «%1»: %2; файл повреждён.")
                                     .arg(Shown(path), ChecksumMismatch(*bytes));
            ErrLine(QStringLiteral("Ошибка: ") + text +
                    QStringLiteral("\nЧтобы взять его всё равно, добавьте --force."));
            return Error{ErrorKind::Checksum, text};
        }
        ErrLine(QStringLiteral("Предупреждение: файл «%1»: %2; берётся всё равно (--force).")
                    .arg(Shown(path), ChecksumMismatch(*bytes)));
    }
    return ImageFromFileBytes(*bytes);
}

bool OutputIsInput(const QString& output, const QString& input, const QString& verb) {
    if (output.isEmpty() || !SameFile(output, input)) return false;
    ReportUsageError(QStringLiteral("файл «%1» — это исходный файл; результат записывается в "
                                    "другой файл")
                         .arg(Shown(output)),
                     verb);
    return true;
}

bool WritableOrSay(const QString& path) {
    const Status target = CheckWriteTarget(path);
    if (target) return true;
    ErrLine(QStringLiteral("Ошибка: не удалось сохранить файл «%1»: %2.")
                .arg(Shown(path), target.error().text));
    return false;
}

bool WriteOrSay(const QString& path, const FileBytes& bytes) {
    return WriteOrSay(path, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                       static_cast<qsizetype>(bytes.size())));
}

bool WriteOrSay(const QString& path, const QByteArray& bytes) {
    const Status written = WriteFileBytes(path, bytes);
    if (written) return true;
    ErrLine(QStringLiteral("Ошибка: не удалось сохранить файл «%1»: %2.")
                .arg(Shown(path), written.error().text));
    return false;
}

}  // namespace belvan::cli
