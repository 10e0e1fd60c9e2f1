// Ways for tests to make real file writes fail: a limit on the size of files this process
// writes, and a tiny filesystem that is full. Both are POSIX; elsewhere they are unavailable and
// the tests that need them skip.
#pragma once

#include <QString>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/resource.h>

#include <csignal>
#endif
#ifdef __linux__
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#endif
#include <QDir>
#include <QFile>

namespace belvan::testing {

// While it lives, every write of this process past `bytes` into a file fails with "file too
// large" (the signal that would end the process is ignored meanwhile).
class FileSizeLimit {
  public:
#if defined(__unix__) || defined(__APPLE__)
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    bool Active() const {
        return active_;
    }

  private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
    bool active_ = false;
#else
    explicit FileSizeLimit(long long) {}
    bool Active() const {
        return false;
    }
#endif
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
};

// A 64 KiB filesystem mounted on a folder while it lives, in a mount namespace of this process's
// own (nothing outside the test sees it, and programs the test starts share it). Needs root on
// Linux; elsewhere it is never mounted.
class SmallDisk {
  public:
    explicit SmallDisk(const QString& folder) : folder_(folder) {
#ifdef __linux__
        static bool privateMounts = false;
        if (!privateMounts) {
            if (geteuid() != 0 || unshare(CLONE_NEWNS) != 0) return;
            if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return;
            privateMounts = true;
        }
        mounted_ = QDir().mkpath(folder) && mount("tmpfs", QFile::encodeName(folder).constData(),
                                                  "tmpfs", 0, "size=64k") == 0;
#endif
    }
    ~SmallDisk() {
#ifdef __linux__
        if (mounted_) umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
#endif
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const {
        return mounted_;
    }
    // Fills the filesystem to the last byte.
    void Fill() const {
        QFile filler(QDir(folder_).filePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly)) return;
        const QByteArray block(512, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }

  private:
    QString folder_;
    bool mounted_ = false;
};

}  // namespace belvan::testing
