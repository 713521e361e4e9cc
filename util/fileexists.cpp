#include <sys/stat.h>

#include "util/folderscan.h"
#include "util/nativepath.h"
#include "util/paths.h"

namespace {

bool statPath(const QString& path, struct stat& info) {
    QByteArray native;
    return NativePath(path, native) && !native.isEmpty() && ::stat(native.constData(), &info) == 0;
}

}  // namespace

bool PathExists(const QString& path) {
    struct stat info;
    return statPath(path, info);
}

bool IsFolder(const QString& path) {
    struct stat info;
    return statPath(path, info) && S_ISDIR(info.st_mode);
}

bool IsFileAccessible(const QString& path) {
    struct stat info;
    return statPath(path, info) && !S_ISDIR(info.st_mode);
}
