#include "video/videotemporary.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "util/fsfailure.h"
#include "video/videotarget.h"

namespace {
constexpr int Slots = 4;
// Plain buffers, so DiscardActiveVideoTemporaries needs nothing but unlink().
char activePaths[Slots][PATH_MAX];
volatile sig_atomic_t activeUsed[Slots];

// ".quillmoor-HOST-PID-N.part"; before names carried the host, ".quillmoor-PID-N.part".
const QRegularExpression& temporaryPattern() {
    static const QRegularExpression pattern(
        QStringLiteral("^\\.quillmoor-(?:(.+)-)?(\\d+)-(\\d+)\\.part$"));
    return pattern;
}

// This machine's name as a file name takes it: a process id means something
// only on the machine that runs it, and folders are shared between machines.
QString hostTag() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return QStringLiteral("host");
    QString tag = QString::fromLatin1(name);
    for (QChar& c : tag)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-') &&
            c != QLatin1Char('.') && c != QLatin1Char('_'))
            c = QLatin1Char('_');
    return tag;
}

// The slot the path went into, or -1.
int remember(const QByteArray& path) {
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < Slots; ++i) {
        if (activeUsed[i]) continue;
        std::memcpy(activePaths[i], path.constData(), size_t(path.size()) + 1);
        activeUsed[i] = 1;
        return i;
    }
    return -1;
}

bool processIsGone(pid_t pid) {
    return ::kill(pid, 0) == -1 && errno == ESRCH;
}
}  // namespace

int CreateVideoTemporary(const QString& folder, QString& path) {
    static int sequence = 0;
    const QString host = hostTag();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const QString candidate =
            folder +
            QStringLiteral("/.quillmoor-%1-%2-%3.part").arg(host).arg(::getpid()).arg(++sequence);
        const QByteArray encoded = QFile::encodeName(candidate);
        // Remembered before it exists, so an interrupt in between cannot leave it behind.
        const int slot = remember(encoded);
        const int fd = ::open(encoded.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            path = candidate;
            return fd;
        }
        const int error = errno;
        if (slot >= 0) activeUsed[slot] = 0;
        errno = error;
        if (error != EEXIST) return -1;
    }
    errno = EEXIST;
    return -1;
}

namespace {
// Makes the folder's entries durable; a file system that cannot is no failure.
void syncFolder(const QByteArray& folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The replaced video's owner, where we may give it, and its permissions.
QString keepAttributes(int fd, const struct stat& earlier) {
    if (::fchown(fd, earlier.st_uid, earlier.st_gid) != 0 &&
        ::fchown(fd, uid_t(-1), earlier.st_gid) != 0) {
        // Only root gives files away, and only a member gives a group: the mode still holds.
    }
    if (::fchmod(fd, earlier.st_mode & 07777) != 0) return SystemReason(errno);
    return {};
}
}  // namespace

QString ReplaceWithTemporary(int fd, const QString& temporary, const QString& target) {
    const QByteArray from = QFile::encodeName(temporary);
    const QByteArray to = QFile::encodeName(target);
    struct stat earlier;
    QString reason;
    if (::stat(to.constData(), &earlier) == 0) reason = keepAttributes(fd, earlier);
    // On the disk before its name says it is there: a power cut leaves the
    // earlier video or this one, never an empty file.
    if (reason.isEmpty() && ::fsync(fd) != 0) reason = SystemReason(errno);
    if (::close(fd) != 0 && reason.isEmpty()) reason = SystemReason(errno);
    if (!reason.isEmpty()) return reason;
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    syncFolder(folder);
    if (::rename(from.constData(), to.constData()) != 0) return SystemReason(errno);
    syncFolder(folder);
    return {};
}

void ForgetVideoTemporary(const QString& path) {
    const QByteArray encoded = QFile::encodeName(path);
    for (int i = 0; i < Slots; ++i)
        if (activeUsed[i] && encoded == activePaths[i]) activeUsed[i] = 0;
}

bool IsVideoTemporaryName(const QString& name) {
    return temporaryPattern().match(name).hasMatch();
}

void RemoveStaleVideoTemporaries(const QString& folder) {
    const QStringList names = QDir(folder).entryList({QStringLiteral(".quillmoor-*.part")},
                                                     QDir::Files | QDir::Hidden | QDir::System);
    const QString host = hostTag();
    for (const QString& name : names) {
        const QRegularExpressionMatch match = temporaryPattern().match(name);
        // Another machine's writer, or one that did not say which machine it ran on.
        if (!match.hasMatch() || match.captured(1) != host) continue;
        bool ok = false;
        const qint64 pid = match.captured(2).toLongLong(&ok);
        if (!ok || pid <= 0 || pid > INT_MAX || pid == ::getpid()) continue;
        if (processIsGone(pid_t(pid)))
            ::unlink(QFile::encodeName(folder + QLatin1Char('/') + name).constData());
    }
}

void DiscardActiveVideoTemporaries() {
    for (int i = 0; i < Slots; ++i) {
        if (!activeUsed[i]) continue;
        ::unlink(activePaths[i]);
        activeUsed[i] = 0;
    }
}
