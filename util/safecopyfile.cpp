#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <vector>

#include "util/folderscan.h"
#include "util/nativepath.h"
#include "util/paths.h"
#include "util/readonly.h"
#include "util/wildcard.h"
#include "util/writeall.h"

namespace {

bool copyContents(int from, int to) {
    std::vector<char> buffer(1 << 18);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        if (WriteAll(to, buffer.data(), size_t(got)) != 0) return false;
    }
}

// What the copy writes to: the destination itself, or, when it is a symbolic
// link, the file the link points to (written through, so the link stays a
// link). Empty when the destination must be left alone: a read-only file, a
// link to nothing, or anything but a plain file.
QByteArray writableTarget(const QByteArray& destination) {
    struct stat info;
    if (::lstat(destination.constData(), &info) != 0)
        return errno == ENOENT ? destination : QByteArray();
    QByteArray target = destination;
    if (S_ISLNK(info.st_mode)) {
        const std::unique_ptr<char, decltype(&std::free)> resolved(
            ::realpath(destination.constData(), nullptr), &std::free);
        if (!resolved || ::stat(resolved.get(), &info) != 0) return {};
        target = resolved.get();
    }
    if (!S_ISREG(info.st_mode) || LacksWritePermission(info)) return {};
    return target;
}

// Writes a temporary file in the target's folder and renames it over the
// target, so the target is never left half written. The temporary name is
// short and of fixed length, so any name the folder takes can be copied to.
void copyFile(const QString& source, const QString& destination) {
    QByteArray from, to;
    if (!NativePath(source, from) || !NativePath(destination, to)) return;
    // Non-blocking, so a named pipe posing as the source cannot hang the call.
    OwnedFd input(::open(from.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info;
    if (!input.valid() || ::fstat(input.get(), &info) != 0 || !S_ISREG(info.st_mode)) return;
    const QByteArray target = writableTarget(to);
    if (target.isEmpty()) return;

    QByteArray temporary = target.left(target.lastIndexOf('/') + 1) + ".qmcopy-XXXXXX";
    OwnedFd output(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!output.valid()) return;
    // Permission bits only: a copy never becomes set-user-id or set-group-id.
    const bool written = copyContents(input.get(), output.get()) &&
                         ::fchmod(output.get(), info.st_mode & 0777) == 0 &&
                         ::close(output.release()) == 0;
    if (!written || ::rename(temporary.constData(), target.constData()) != 0)
        ::unlink(temporary.constData());
}

}  // namespace

void SafeCopyFile(const QString& source, const QString& destination) {
    try {
        if (source.trimmed().isEmpty() || destination.trimmed().isEmpty()) return;
        const QString from = FixBackslashes(source);
        QString to = FixBackslashes(destination);
        // A pattern names no one file to open, so it never passes the test below.
        if (HasWildcards(from)) to = ExtractFolder(to);
        if (!IsFileAccessible(from) || HasWildcards(from) || !IsFolder(ExtractFolder(to))) return;
        // A destination ending in "/" is a folder: the copy keeps the source's name.
        if (to.endsWith(u'/')) to += ExtractFileName(from);
        copyFile(from, to);
    } catch (...) {
        // Copying is best effort: the caller never hears of a failure.
    }
}
