#include <sys/stat.h>

#include <cerrno>

#include "util/folderscan.h"
#include "util/fsfailure.h"
#include "util/nativepath.h"
#include "util/readonly.h"

int GetAttributes(const QString& path) {
    // The entry itself, not what a trailing "/" would resolve a link to.
    QString entry = path;
    while (entry.size() > 1 && entry.endsWith(u'/')) entry.chop(1);
    QByteArray native;
    if (entry.isEmpty() || !NativePath(entry, native)) throw FileSystemFailure(ENOENT);
    struct stat own;
    if (::lstat(native.constData(), &own) != 0) throw FileSystemFailure(errno);

    int attributes = 0;
    struct stat target = own;
    if (S_ISLNK(own.st_mode)) {
        attributes |= ReparsePoint;
        // A link takes the kind of what it points to; a dangling one stays a file.
        if (::stat(native.constData(), &target) != 0) target = own;
    }
    if (S_ISDIR(target.st_mode)) attributes |= Directory;
    if (S_ISREG(target.st_mode)) attributes |= Archive;
    if (LacksWritePermission(target)) attributes |= ReadOnly;
    const qsizetype nameStart = entry.lastIndexOf(u'/') + 1;
    if (nameStart < entry.size() && entry[nameStart] == u'.') attributes |= Hidden;
    return attributes;
}
