#include "file_io.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <filesystem>
#include <system_error>
#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace belvan {

namespace {

std::filesystem::path FsPath(const QString& path) {
    return std::filesystem::path(QDir::toNativeSeparators(path).toStdWString());
}

// The system's error number of the call just made; 0 where the call set none (Qt's own checks,
// or a system whose file calls report errors otherwise).
class SystemErrorCatcher {
  public:
    SystemErrorCatcher() { errno = 0; }
    int Taken() const { return errno; }
};

QString Folder(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absolutePath());
}

Error FileError(const QString& reason) {
    return {ErrorKind::File, reason};
}

// What was written to an open file reaches the disk itself, not only the system's cache.
bool SyncToDisk(QFile& file) {
    if (!file.flush()) return false;
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

}  // namespace

QString SystemErrorReason(int systemError) {
    switch (static_cast<std::errc>(systemError)) {
        case std::errc::no_space_on_device:
            return QStringLiteral("нет места на диске");
        case std::errc::file_too_large:
            return QStringLiteral(
                "файл слишком велик для этого носителя или превышен предел "
                "размера файла");
        case std::errc::permission_denied:
        case std::errc::operation_not_permitted:
            return QStringLiteral("нет прав доступа к файлу или папке");
        case std::errc::read_only_file_system:
            return QStringLiteral("носитель доступен только для чтения");
        case std::errc::too_many_symbolic_link_levels:
            return QStringLiteral("ссылки на файл образуют петлю");
        case std::errc::no_such_file_or_directory:
            return QStringLiteral("файл не найден");
        case std::errc::not_a_directory:
            return QStringLiteral("часть пути не является папкой");
        case std::errc::is_a_directory:
            return QStringLiteral("это папка, а не файл");
        case std::errc::filename_too_long:
            return QStringLiteral("слишком длинное имя файла");
        case std::errc::too_many_files_open:
        case std::errc::too_many_files_open_in_system:
            return QStringLiteral("открыто слишком много файлов");
        case std::errc::device_or_resource_busy:
        case std::errc::text_file_busy:
            return QStringLiteral("файл занят другой программой");
        case std::errc::io_error:
            return QStringLiteral("ошибка ввода-вывода носителя");
        case std::errc::no_such_device:
        case std::errc::no_such_device_or_address:
            return QStringLiteral("устройство недоступно");
        case std::errc::broken_pipe:
            return QStringLiteral("программа, принимавшая вывод, завершилась");
        default:
            break;
    }
#ifdef EDQUOT
    if (systemError == EDQUOT) return QStringLiteral("превышена дисковая квота");
#endif
    return QStringLiteral("ошибка ввода-вывода (код %1)").arg(systemError);
}

QString FileErrorReason(const QFileDevice& file, int systemError) {
    if (systemError != 0) return SystemErrorReason(systemError);
    switch (file.error()) {
        case QFileDevice::OpenError:
            if (!QFileInfo::exists(file.fileName())) return QStringLiteral("файл не найден");
            return QStringLiteral("файл не удаётся открыть (нет доступа или он занят)");
        case QFileDevice::PermissionsError:
            return QStringLiteral("нет прав доступа к файлу или папке");
        case QFileDevice::ReadError:
            return QStringLiteral("ошибка чтения файла");
        case QFileDevice::WriteError:
            return QStringLiteral("ошибка записи файла");
        case QFileDevice::ResourceError:
            return QStringLiteral("недостаточно системных ресурсов или места на диске");
        default:
            return QStringLiteral("ошибка ввода-вывода");
    }
}

Result<QByteArray> ReadFileBytes(const QString& path, qint64 limit) {
    const QFileInfo info(path);
    if (info.isDir()) return FileError(QStringLiteral("это папка, а не файл"));
    // A pipe or a device could keep the window waiting for bytes that never come.
    if (info.exists() && !info.isFile()) return FileError(QStringLiteral("это не обычный файл"));
    QFile file(path);
    const SystemErrorCatcher opening;
    if (!file.open(QIODevice::ReadOnly)) return FileError(FileErrorReason(file, opening.Taken()));
    // One byte more than the limit tells a long file from a good one without reading it all.
    const SystemErrorCatcher reading;
    QByteArray data = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError)
        return FileError(FileErrorReason(file, reading.Taken()));
    return data;
}

Status CheckWriteTarget(const QString& path) {
    if (path.isEmpty()) return FileError(QStringLiteral("не указано имя файла"));
    std::error_code error;
    const auto status = std::filesystem::status(FsPath(path), error);
    if (error && error != std::errc::no_such_file_or_directory)
        return FileError(SystemErrorReason(error.default_error_condition().value()));
    if (std::filesystem::is_directory(status))
        return FileError(QStringLiteral("это папка, а не файл"));
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return FileError(
            QStringLiteral("это не обычный файл (устройство, канал или сокет); такой файл не "
                           "заменяется"));
    if (!QFileInfo(QFileInfo(path).absolutePath()).isDir())
        return FileError(QStringLiteral("папка «%1» не существует").arg(Folder(path)));
    return {};
}

Status CheckOwnFileTarget(const QString& path) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(FsPath(path), error);
    if (error && error != std::errc::no_such_file_or_directory)
        return FileError(SystemErrorReason(error.default_error_condition().value()));
    if (std::filesystem::is_symlink(status))
        return FileError(QStringLiteral("на его месте ссылка на другой файл; она не заменяется"));
    return CheckWriteTarget(path);
}

bool SameFile(const QString& a, const QString& b) {
    std::error_code error;
    return std::filesystem::equivalent(FsPath(a), FsPath(b), error) && !error;
}

Status WriteFileBytes(const QString& path, const QByteArray& bytes) {
    if (Status target = CheckWriteTarget(path); !target) return target;
    QSaveFile file(path);
    {
        const SystemErrorCatcher opening;
        if (!file.open(QIODevice::WriteOnly))
            return FileError(FileErrorReason(file, opening.Taken()));
    }
    // The write only fills Qt's buffer; the flush is where a full disk shows, and a failure
    // there must be seen before the commit puts the new file in the old one's place.
    const SystemErrorCatcher writing;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = FileErrorReason(file, writing.Taken());
        file.cancelWriting();
        return FileError(reason);
    }
    const SystemErrorCatcher committing;
    if (!file.commit()) return FileError(FileErrorReason(file, committing.Taken()));
    return {};
}

Result<NewFileOutcome> WriteNewFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    {
        const SystemErrorCatcher opening;
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            const int error = opening.Taken();
            if (error == EEXIST || (error == 0 && QFileInfo::exists(path)))
                return NewFileOutcome::Taken;
            return FileError(FileErrorReason(file, error));
        }
    }
    const SystemErrorCatcher writing;
    bool written = file.write(bytes) == bytes.size() && SyncToDisk(file);
    int error = writing.Taken();
    if (written) {
        const SystemErrorCatcher closing;
        file.close();
        written = file.error() == QFileDevice::NoError;
        error = closing.Taken();
    }
    if (written) return NewFileOutcome::Written;
    const QString reason = FileErrorReason(file, error);
    file.close();
    file.remove();
    return FileError(reason);
}

}  // namespace belvan
