#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "util/folderscan.h"
#include "util/nativepath.h"
#include "util/paths.h"
#include "util/wildcard.h"

namespace {

bool writeAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

bool copyContents(int from, int to) {
    std::vector<char> buffer(1 << 18);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        if (!writeAll(to, buffer.data(), got)) return false;
    }
}

// Writes a temporary file beside the destination and renames it over it, so
// the destination is never left half written.
void copyFile(const QString& source, const QString& destination) {
    QByteArray from, to;
    if (!NativePath(source, from) || !NativePath(destination, to)) return;
    // Non-blocking, so a named pipe posing as the source cannot hang the call.
    OwnedFd input(::open(from.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info;
    if (!input.valid() || ::fstat(input.get(), &info) != 0 || !S_ISREG(info.st_mode)) return;

    QByteArray temporary = to + ".quillmoor-copy-XXXXXX";
    OwnedFd output(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!output.valid()) return;
    const bool written = copyContents(input.get(), output.get()) &&
                         ::fchmod(output.get(), info.st_mode & 07777) == 0 &&
                         ::close(output.release()) == 0;
    if (!written || ::rename(temporary.constData(), to.constData()) != 0)
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
