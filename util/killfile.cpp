#include <fcntl.h>
#include <sys/stat.h>

#include <vector>

#include "util/folderscan.h"
#include "util/nativepath.h"
#include "util/paths.h"
#include "util/readonly.h"
#include "util/wildcard.h"

namespace {

// A file that KillFile may remove: anything but a folder or a link to one.
// `readOnly` tells whether the first, polite attempt must leave it.
struct Victim {
    QByteArray path;
    bool readOnly = false;
};

bool victimAt(int dirFd, const char* name, QByteArray path, std::vector<Victim>& victims) {
    struct stat own, target;
    if (::fstatat(dirFd, name, &own, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(own.st_mode))
        return false;
    if (S_ISLNK(own.st_mode) && ::fstatat(dirFd, name, &target, 0) == 0 && S_ISDIR(target.st_mode))
        return false;
    victims.push_back({std::move(path), !S_ISLNK(own.st_mode) && LacksWritePermission(own)});
    return true;
}

std::vector<Victim> findVictims(const QString& pathOrPattern) {
    std::vector<Victim> victims;
    const QString name = ExtractFileName(pathOrPattern);
    QString folder = ExtractFolder(pathOrPattern);
    QByteArray nativeFolder;
    if (!NativePath(folder.isEmpty() ? QStringLiteral("./") : folder, nativeFolder)) return victims;

    if (!HasWildcards(name)) {
        QByteArray nativeName;
        if (!name.isEmpty() && NativePath(name, nativeName))
            victimAt(AT_FDCWD, (nativeFolder + nativeName).constData(), nativeFolder + nativeName,
                     victims);
        return victims;
    }
    DirStream stream(nativeFolder.constData());
    if (!stream.valid()) return victims;
    const WildcardPattern wildcard(name);
    while (const dirent* entry = stream.next()) {
        if (entry->d_type == DT_DIR) continue;
        const QByteArray entryName(entry->d_name);
        if (wildcard.matches(entryName.constData(), entryName.size()))
            victimAt(stream.fd(), entry->d_name, nativeFolder + entryName, victims);
    }
    return victims;
}

// Deletes the matches, read-only ones only when forced. True when something
// matched and every match is gone.
bool deleteMatches(const QString& pathOrPattern, bool force) {
    const std::vector<Victim> victims = findVictims(pathOrPattern);
    bool allGone = !victims.empty();
    for (const Victim& victim : victims) {
        if ((victim.readOnly && !force) || ::unlink(victim.path.constData()) != 0) allGone = false;
    }
    return allGone;
}

}  // namespace

void KillFile(const QString& pathOrPattern) {
    DoEvents();
    try {
        if (!deleteMatches(pathOrPattern, false)) deleteMatches(pathOrPattern, true);
    } catch (...) {
        // Deleting is best effort: the caller never hears of a failure.
    }
}
