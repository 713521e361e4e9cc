#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "util/folderscan.h"
#include "util/nameorder.h"
#include "util/nativepath.h"
#include "util/utf8.h"
#include "util/wildcard.h"

namespace {

// Names of the non-folder entries of `folder` that match `pattern` and can be
// looked up by name: the test IsFileAccessible makes, done relative to the
// open folder so a large folder costs one listing and few look-ups.
QStringList matchingFiles(const QString& folder, const QString& pattern) {
    const QString dir = folder.endsWith(u'/') ? folder : folder + QLatin1Char('/');
    QByteArray native;
    if (!NativePath(dir, native)) return {};
    DirStream stream(native.constData());
    if (!stream.valid()) return {};
    const WildcardPattern wildcard(pattern);
    QStringList names;
    // Once one entry could be looked up, the folder is searchable, and a
    // regular file it lists needs no look-up of its own.
    bool searchable = false;
    while (const dirent* entry = stream.next()) {
        if (entry->d_type == DT_DIR) continue;
        const qsizetype size = static_cast<qsizetype>(std::strlen(entry->d_name));
        if (!wildcard.matches(entry->d_name, size)) continue;
        if (!searchable || entry->d_type != DT_REG) {
            struct stat info;
            if (::fstatat(stream.fd(), entry->d_name, &info, 0) != 0 || S_ISDIR(info.st_mode))
                continue;
            searchable = true;
        }
        // A name that is not UTF-8 has no path text that would reach it again.
        if (!IsValidUtf8(entry->d_name, size)) continue;
        names << QString::fromUtf8(entry->d_name, size);
    }
    return names;
}

}  // namespace

FileList GetFileList(const QString& folder, const QString& pattern) {
    QStringList names = matchingFiles(folder, pattern);
    std::sort(names.begin(), names.end(), NameLess);
    return FileList(std::move(names));
}

FileList GetFrameList(const QString& folder, const QString& pattern) {
    QStringList names = matchingFiles(folder, pattern);
    std::sort(names.begin(), names.end(), FrameLess);
    return FileList(std::move(names));
}
