#include "recovery_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <algorithm>

#include "core/texts.h"

namespace belvan {

namespace {
constexpr int kMaxSlotsPerSecond = 1000;
constexpr qint64 kInfoLimit = 64 * 1024;
const QString kPlanSuffix = QStringLiteral(".ctrch");
const QString kInfoSuffix = QStringLiteral(".json");
const QString kLockSuffix = QStringLiteral(".lock");

QString PathOf(const QString& folder, const QString& stem, const QString& suffix) {
    return QDir(folder).filePath(stem + suffix);
}

Error FileError(const QString& reason) {
    return {ErrorKind::File, reason};
}

// A lock for a window's whole life: never taken for stale because it is old, only because the
// program that held it is gone.
std::unique_ptr<QLockFile> LockOf(const QString& folder, const QString& stem) {
    auto lock = std::make_unique<QLockFile>(PathOf(folder, stem, kLockSuffix));
    lock->setStaleLockTime(0);
    return lock;
}

QByteArray InfoBytes(const RecoveryInfo& info) {
    QJsonObject object{{QStringLiteral("kept"), info.kept.toString(Qt::ISODate)},
                       {QStringLiteral("source"), info.source},
                       {QStringLiteral("label"), info.label}};
    if (info.base)
        object.insert(
            QStringLiteral("base"),
            QString::fromLatin1(
                QByteArray(reinterpret_cast<const char*>(info.base->data()), kSettingsFileSize)
                    .toHex()));
    return QJsonDocument(object).toJson();
}

// What was kept beside a plan; whatever cannot be read of it is left out.
RecoveryInfo ReadInfo(const QString& folder, const QString& stem) {
    RecoveryInfo info;
    const QString path = PathOf(folder, stem, kInfoSuffix);
    if (const Result<QByteArray> bytes = ReadFileBytes(path, kInfoLimit)) {
        const QJsonObject object = QJsonDocument::fromJson(*bytes).object();
        info.kept =
            QDateTime::fromString(object.value(QStringLiteral("kept")).toString(), Qt::ISODate);
        info.source = object.value(QStringLiteral("source")).toString();
        info.label = object.value(QStringLiteral("label")).toString();
        const QByteArray base =
            QByteArray::fromHex(object.value(QStringLiteral("base")).toString().toLatin1());
        if (base.size() == kSettingsFileSize) {
            FileBytes plan{};
            std::copy(base.begin(), base.end(), plan.begin());
            info.base = plan;
        }
    }
    if (!info.kept.isValid())
        info.kept = QFileInfo(PathOf(folder, stem, kPlanSuffix)).lastModified();
    return info;
}

bool AnyFileOf(const QString& folder, const QString& stem) {
    for (const QString& suffix : {kPlanSuffix, kInfoSuffix, kLockSuffix}) {
        const QFileInfo file(PathOf(folder, stem, suffix));
        if (file.exists() || file.isSymLink()) return true;
    }
    return false;
}

Status RemoveFiles(const QString& folder, const QString& stem) {
    for (const QString& suffix : {kPlanSuffix, kInfoSuffix}) {
        const QString path = PathOf(folder, stem, suffix);
        QFile file(path);
        // A link is removed itself; what it points to is never touched.
        if ((QFileInfo(path).exists() || QFileInfo(path).isSymLink()) && !file.remove())
            return FileError(QStringLiteral("не удалось удалить файл «%1»: %2")
                                 .arg(ShownPath(path), FileErrorReason(file)));
    }
    return {};
}
}  // namespace

QString RecoveryFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/belvan/recovery");
}

QString RecoveryPlanPath(const QString& folder, const QString& stem) {
    return PathOf(folder, stem, kPlanSuffix);
}

RecoverySlot::RecoverySlot(QString folder, QString stem, std::unique_ptr<QLockFile> lock)
    : folder_(std::move(folder)), stem_(std::move(stem)), lock_(std::move(lock)) {}

RecoverySlot::~RecoverySlot() = default;

Result<std::unique_ptr<RecoverySlot>> RecoverySlot::Claim(const QString& folder,
                                                          const QString& prefix) {
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        return FileError(QStringLiteral("не удалось создать папку «%1»").arg(ShownPath(folder)));
    const QString stamp =
        QStringLiteral("%1-%2-%3")
            .arg(prefix)
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")))
            .arg(QCoreApplication::applicationPid());
    for (int n = 1; n <= kMaxSlotsPerSecond; ++n) {
        const QString stem = QStringLiteral("%1-%2").arg(stamp).arg(n);
        if (AnyFileOf(folder, stem)) continue;
        auto lock = LockOf(folder, stem);
        if (lock->tryLock(0))
            return std::unique_ptr<RecoverySlot>(new RecoverySlot(folder, stem, std::move(lock)));
        if (lock->error() != QLockFile::LockFailedError)
            return FileError(
                QStringLiteral("не удалось создать файл в папке «%1»: %2")
                    .arg(ShownPath(folder), lock->error() == QLockFile::PermissionError
                                                ? QStringLiteral("нет прав доступа к папке")
                                                : QStringLiteral("ошибка ввода-вывода")));
    }
    return FileError(
        QStringLiteral("в папке «%1» заняты все имена для этой секунды").arg(ShownPath(folder)));
}

Result<std::unique_ptr<RecoverySlot>> RecoverySlot::Adopt(const QString& folder,
                                                          const QString& stem) {
    auto lock = LockOf(folder, stem);
    if (!lock->tryLock(0))
        return FileError(QStringLiteral("этот план открыт в другом окне программы"));
    std::unique_ptr<RecoverySlot> slot(new RecoverySlot(folder, stem, std::move(lock)));
    if (const Result<FileBytes> plan = ReadRecoveryPlan(folder, stem)) slot->plan_ = *plan;
    slot->info_ = ReadInfo(folder, stem);
    return slot;
}

QString RecoverySlot::PlanPath() const {
    return RecoveryPlanPath(folder_, stem_);
}

Status RecoverySlot::Write(const FileBytes& plan, const RecoveryInfo& info) {
    const QString planPath = PlanPath();
    const QString infoPath = PathOf(folder_, stem_, kInfoSuffix);
    for (const QString& path : {planPath, infoPath}) {
        if (Status target = CheckOwnFileTarget(path); !target)
            return FileError(QStringLiteral("файл «%1» не записан: %2")
                                 .arg(ShownPath(path), target.error().text));
    }
    const Status written = WriteSettingsFile(planPath, plan);
    if (!written)
        return FileError(QStringLiteral("файл «%1» не записан: %2")
                             .arg(ShownPath(planPath), written.error().text));
    plan_ = plan;
    info_ = info;
    const Status described = WriteFileBytes(infoPath, InfoBytes(info));
    if (!described)
        return FileError(QStringLiteral("файл «%1» не записан: %2")
                             .arg(ShownPath(infoPath), described.error().text));
    return {};
}

Status RecoverySlot::Remove() {
    plan_.reset();
    return RemoveFiles(folder_, stem_);
}

std::vector<RecoveryEntry> OrphanedEntries(const QString& folder) {
    std::vector<RecoveryEntry> entries;
    const QStringList plans =
        QDir(folder).entryList({QStringLiteral("*") + kPlanSuffix}, QDir::Files | QDir::System);
    for (const QString& name : plans) {
        const QString stem = name.chopped(kPlanSuffix.size());
        QLockFile lock(PathOf(folder, stem, kLockSuffix));
        lock.setStaleLockTime(0);
        if (lock.tryLock(0))
            lock.unlock();
        else if (lock.error() == QLockFile::LockFailedError)
            continue;  // its window runs
        entries.push_back({stem, ReadInfo(folder, stem)});
    }
    std::sort(entries.begin(), entries.end(), [](const RecoveryEntry& a, const RecoveryEntry& b) {
        return a.info.kept != b.info.kept ? a.info.kept > b.info.kept : a.stem > b.stem;
    });
    return entries;
}

Result<FileBytes> ReadRecoveryPlan(const QString& folder, const QString& stem) {
    const QString path = RecoveryPlanPath(folder, stem);
    if (QFileInfo(path).isSymLink())
        return FileError(QStringLiteral("на месте файла ссылка на другой файл"));
    return ReadSettingsFile(path);
}

Status DiscardEntry(const QString& folder, const QString& stem) {
    auto lock = LockOf(folder, stem);
    if (!lock->tryLock(0))
        return FileError(QStringLiteral("этот план открыт в другом окне программы"));
    return RemoveFiles(folder, stem);
}

int DifferingChannels(const FileBytes& a, const FileBytes& b) {
    int differing = 0;
    for (int c = 0; c < kChannelCount; ++c) {
        const auto from = a.begin() + c * kChannelRecordSize;
        if (!std::equal(from, from + kChannelRecordSize, b.begin() + c * kChannelRecordSize))
            ++differing;
    }
    return differing;
}

}  // namespace belvan
