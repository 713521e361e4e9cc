#include "video/videotarget.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "util/fsfailure.h"

namespace {
QString kindOf(mode_t mode) {
    if (S_ISFIFO(mode)) return QStringLiteral("a named pipe");
    if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("a device");
    if (S_ISSOCK(mode)) return QStringLiteral("a socket");
    return QStringLiteral("a special file");
}

// Why an existing entry with this mode cannot become the video; empty for a regular file.
QString refusalFor(mode_t mode) {
    if (S_ISREG(mode)) return {};
    if (S_ISDIR(mode)) return SystemReason(EISDIR);
    return QStringLiteral("Not a regular file (%1)").arg(kindOf(mode));
}

// The path with every link resolved, or empty with errno set.
QString realPath(const QString& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        ::realpath(QFile::encodeName(path).constData(), nullptr), &std::free);
    return resolved ? QFile::decodeName(resolved.get()) : QString();
}
}  // namespace

VideoTarget ResolveVideoTarget(const QString& path) {
    if (path.isEmpty()) return {path, SystemReason(ENOENT)};
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QByteArray encoded = QFile::encodeName(absolute);
    struct stat status;
    if (::stat(encoded.constData(), &status) == 0) {
        const QString refusal = refusalFor(status.st_mode);
        if (!refusal.isEmpty()) return {absolute, refusal};
        const QString real = realPath(absolute);
        if (real.isEmpty()) return {absolute, SystemReason(errno)};
        // A read-only file is not written over, as the platform's create would refuse it.
        if (::access(QFile::encodeName(real).constData(), W_OK) != 0)
            return {real, SystemReason(errno)};
        return {real, QString()};
    }
    const int missing = errno;
    // A link to nothing: following it would create a file the user never named.
    if (missing != ENOENT || ::lstat(encoded.constData(), &status) == 0)
        return {absolute, SystemReason(missing)};
    const QFileInfo info(absolute);
    const QString folder = realPath(info.absolutePath());
    if (folder.isEmpty()) return {absolute, SystemReason(errno)};
    return {QDir(folder).filePath(info.fileName()), QString()};
}

QString ReplacementRefusal(const QString& path) {
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) return {};
    return refusalFor(status.st_mode);
}
