#include "video/videotemporary.h"

#include <fcntl.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "video/videotarget.h"

namespace {
constexpr int Slots = 4;
// Plain buffers, so DiscardActiveVideoTemporaries needs nothing but unlink().
char activePaths[Slots][PATH_MAX];
volatile sig_atomic_t activeUsed[Slots];

const QRegularExpression& temporaryPattern() {
    static const QRegularExpression pattern(QStringLiteral("^\\.quillmoor-(\\d+)-(\\d+)\\.part$"));
    return pattern;
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
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const QString candidate =
            folder + QStringLiteral("/.quillmoor-%1-%2.part").arg(::getpid()).arg(++sequence);
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

QString ReplaceWithTemporary(const QString& temporary, const QString& target) {
    const QByteArray from = QFile::encodeName(temporary);
    const QByteArray to = QFile::encodeName(target);
    if (::rename(from.constData(), to.constData()) != 0) return SystemReason(errno);
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
    for (const QString& name : names) {
        const QRegularExpressionMatch match = temporaryPattern().match(name);
        if (!match.hasMatch()) continue;
        bool ok = false;
        const qint64 pid = match.captured(1).toLongLong(&ok);
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
