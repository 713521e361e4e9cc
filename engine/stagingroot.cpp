#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>

#include "engine/staging.h"
#include "util/fsfailure.h"
#include "util/nativepath.h"

StagingRefused::StagingRefused(const QString& path, const QString& reason)
    : Failure(StagingRefusedText(path, reason)), path_(path), reason_(reason) {}

QString StagingRefusedText(const QString& path, const QString& reason) {
    return QStringLiteral("The temporary folder cannot be used safely:") + QStringLiteral("\r\n") +
           path + QStringLiteral("\r\n") + reason;
}

QString TemporaryFolder() {
    QString folder = qEnvironmentVariable("TEMP");
    if (folder.isEmpty()) folder = qEnvironmentVariable("TMPDIR");
    if (folder.isEmpty()) folder = QStringLiteral("/tmp");
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
    return QDir::isRelativePath(folder) ? QDir::current().absoluteFilePath(folder) : folder;
}

QString StagingRoot() {
    const QString temp = TemporaryFolder();
    return (temp == QStringLiteral("/") ? QString() : temp) + QStringLiteral("/quillmoor-") +
           QString::number(::geteuid());
}

static QString modeText(mode_t mode) {
    return QStringLiteral("0%1").arg(mode & 07777, 3, 8, QLatin1Char('0'));
}

// Opens the root after checking it is a private folder of ours; the checks
// are made on the opened folder, so a swap after the look changes nothing.
static OwnedFd openRoot(const QString& root) {
    QByteArray native;
    if (!NativePath(root, native))
        throw StagingRefused(root, QStringLiteral("the path cannot name a folder"));
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        throw StagingRefused(root,
                             QStringLiteral("it cannot be created (%1)").arg(SystemReason(errno)));
    struct stat seen {};
    if (::lstat(native.constData(), &seen) != 0)
        throw StagingRefused(root,
                             QStringLiteral("it cannot be read (%1)").arg(SystemReason(errno)));
    if (S_ISLNK(seen.st_mode)) throw StagingRefused(root, QStringLiteral("it is a symbolic link"));
    if (!S_ISDIR(seen.st_mode)) throw StagingRefused(root, QStringLiteral("it is not a folder"));
    OwnedFd fd(::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0)
        throw StagingRefused(root,
                             QStringLiteral("it cannot be opened (%1)").arg(SystemReason(errno)));
    if (info.st_dev != seen.st_dev || info.st_ino != seen.st_ino)
        throw StagingRefused(root, QStringLiteral("it changed while it was checked"));
    if (info.st_uid != ::geteuid())
        throw StagingRefused(root, QStringLiteral("it belongs to another user"));
    if ((info.st_mode & 077) != 0)
        throw StagingRefused(
            root,
            QStringLiteral("other users have access to it (mode %1)").arg(modeText(info.st_mode)));
    return fd;
}

// The slot this process holds: its path, the root it lies in, and the open
// folder whose lock keeps other instances out.
struct HeldSlot {
    QString root;
    QString path;
    OwnedFd lock;
};

static HeldSlot& held() {
    static HeldSlot slot;
    return slot;
}

// True while the held slot's path still leads to the folder that is locked.
static bool stillHeld(const QString& root) {
    const HeldSlot& slot = held();
    if (!slot.lock.valid() || slot.root != root) return false;
    QByteArray native;
    struct stat now {
    }, locked{};
    return NativePath(slot.path, native) && ::lstat(native.constData(), &now) == 0 &&
           S_ISDIR(now.st_mode) && ::fstat(slot.lock.get(), &locked) == 0 &&
           now.st_dev == locked.st_dev && now.st_ino == locked.st_ino;
}

QString AcquireStagingFolder() {
    const QString root = StagingRoot();
    const OwnedFd rootFd = openRoot(root);
    if (stillHeld(root)) return held().path;
    held() = HeldSlot();

    for (int slot = 0; slot < 1000; ++slot) {
        const QByteArray name = QByteArray::number(slot);
        if (::mkdirat(rootFd.get(), name.constData(), 0700) != 0 && errno != EEXIST)
            throw StagingRefused(
                root,
                QStringLiteral("a folder cannot be created in it (%1)").arg(SystemReason(errno)));
        OwnedFd fd(::openat(rootFd.get(), name.constData(),
                            O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat info {};
        if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || info.st_uid != ::geteuid()) continue;
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;  // another instance's
        held().root = root;
        held().path = root + QLatin1Char('/') + QString::fromLatin1(name);
        held().lock = std::move(fd);
        return held().path;
    }
    throw StagingRefused(root, QStringLiteral("every staging folder in it is in use"));
}
