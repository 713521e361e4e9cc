#include "platform/office/engine/profileslot.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include "util/systemerror.h"

static std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

std::string ProfileCacheFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    // Relative values are ignored, as the base-directory rules say.
    const std::string base =
        cache && cache[0] == '/' ? std::string(cache) : homeFolder() + "/.cache";
    return base + "/quillmoor";
}

static void makeFolders(const std::string& path) {
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/') continue;
        const std::string part = path.substr(0, pos);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            throw std::runtime_error("cannot create the folder " + part + ": " +
                                     SystemErrorText(errno));
    }
}

ProfileSlot ProfileSlot::acquire() {
    const std::string root = ProfileCacheFolder();
    makeFolders(root);
    for (int slot = 0; slot < 256; ++slot) {
        const std::string folder = root + "/lo-profile-" + std::to_string(slot);
        const std::string lockPath = folder + ".lock";
        OwnedFd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!lock.valid())
            throw std::runtime_error("cannot create " + lockPath + ": " + SystemErrorText(errno));
        if (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) continue;  // another live helper holds it
            throw std::runtime_error("cannot lock " + lockPath + ": " + SystemErrorText(errno));
        }
        return ProfileSlot(folder, std::move(lock));
    }
    throw std::runtime_error("every LibreOffice profile slot under " + root + " is in use");
}
