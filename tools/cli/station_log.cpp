#include "station_log.h"

#include <cerrno>

#include "console.h"
#include "core/texts.h"
#include "files/file_io.h"
#include "verb_support.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace belvan::cli {

namespace {
#ifdef Q_OS_WIN
constexpr char kLineEnd[] = "\r\n";
#else
constexpr char kLineEnd[] = "\n";
#endif

// The device and file number of what a descriptor or a path names. Windows does not let a file
// that is open here be moved or deleted, so there the question never arises.
#ifdef Q_OS_UNIX
std::optional<std::pair<quint64, quint64>> IdentityOf(const struct stat& info) {
    return std::pair<quint64, quint64>(info.st_dev, info.st_ino);
}
std::optional<std::pair<quint64, quint64>> OpenIdentity(int descriptor) {
    struct stat info {};
    if (fstat(descriptor, &info) != 0) return std::nullopt;
    return IdentityOf(info);
}
std::optional<std::pair<quint64, quint64>> PathIdentity(const QString& path) {
    struct stat info {};
    if (stat(QFile::encodeName(path).constData(), &info) != 0) return std::nullopt;
    return IdentityOf(info);
}
#endif
}  // namespace

StationLog::StationLog(const QString& path) : path_(path) {}

Status StationLog::Open() {
    if (path_.isEmpty()) return {};
    // A pipe or a device is refused as every output is: a FIFO without a reader would hold the
    // station before it starts.
    if (const Status target = CheckWriteTarget(path_); !target) return target;
    return OpenFile();
}

Status StationLog::OpenFile() {
    file_.close();
    file_.setFileName(path_);
    errno = 0;
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return Error{ErrorKind::File, FileErrorReason(file_, errno)};
#ifdef Q_OS_UNIX
    identity_ = OpenIdentity(file_.handle());
#endif
    if (file_.size() == 0)
        Append({QStringLiteral("время"), QStringLiteral("порт"), QStringLiteral("итог"),
                QStringLiteral("сообщение"), QStringLiteral("контрольная сумма")},
               QStringLiteral("заголовок"));
    return {};
}

bool StationLog::StillThere() const {
#ifdef Q_OS_UNIX
    return identity_ && PathIdentity(path_) == identity_;
#else
    return true;
#endif
}

void StationLog::Row(const QStringList& cells, const QString& what) {
    if (path_.isEmpty()) return;
    if (file_.isOpen() && !StillThere()) {
        replaced_ = true;
        file_.close();
        ErrLine(QStringLiteral("Ошибка: журнал «%1» перемещён или удалён во время работы: строк, "
                               "записанных раньше, под этим именем больше нет. Следующие строки "
                               "пишутся в новый файл «%1».")
                    .arg(Shown(path_)));
    }
    if (!file_.isOpen()) {
        if (const Status opened = OpenFile(); !opened) {
            ++missing_;
            ErrLine(QStringLiteral("Ошибка: не удалось записать в журнал «%1» %2: %3.")
                        .arg(Shown(path_), what, opened.error().text));
            return;
        }
    }
    Append(cells, what);
}

bool StationLog::Append(const QStringList& cells, const QString& what) {
    QStringList quoted;
    for (const QString& cell : cells) quoted << CsvField(cell);
    const QByteArray row = quoted.join(u',').toUtf8() + kLineEnd;
    const qint64 start = file_.size();
    file_.unsetError();
    errno = 0;
    const qint64 written = file_.write(row);
    const int error = errno;
    if (written == row.size()) return true;
    ++missing_;
    QString reason = FileErrorReason(file_, error);
    // Half a row would spoil the file for whoever reads it next: it is cut off again.
    if (file_.size() != start && !file_.resize(start))
        reason += QStringLiteral("; начало строки осталось в журнале");
    ErrLine(QStringLiteral("Ошибка: не удалось записать в журнал «%1» %2: %3.")
                .arg(Shown(path_), what, reason));
    return false;
}

}  // namespace belvan::cli
