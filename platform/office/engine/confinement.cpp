#include "platform/office/engine/confinement.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <linux/landlock.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "util/ownedfd.h"

namespace {
// The kernel's headers here may predate the rights later ABIs added.
constexpr uint64_t Refer = 1ULL << 13;     // ABI 2
constexpr uint64_t Truncate = 1ULL << 14;  // ABI 3
constexpr uint64_t IoctlDev = 1ULL << 15;  // ABI 5
constexpr uint64_t BindTcp = 1ULL << 0;    // ABI 4, network rights
constexpr uint64_t ConnectTcp = 1ULL << 1;
constexpr uint64_t ScopeAbstractUnix = 1ULL << 0;  // ABI 6
constexpr uint64_t ScopeSignal = 1ULL << 1;

// The ABI 6 layout; older kernels are given only the fields they know.
struct RulesetAttr {
    uint64_t handledFs;
    uint64_t handledNet;
    uint64_t scoped;
};

constexpr uint64_t ReadRights =
    LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR;

uint64_t fileSystemRights(int abi) {
    uint64_t rights = (LANDLOCK_ACCESS_FS_MAKE_SYM << 1) - 1;
    if (abi >= 2) rights |= Refer;
    if (abi >= 3) rights |= Truncate;
    if (abi >= 5) rights |= IoctlDev;
    return rights;
}

int landlockAbi() {
    const long abi =
        ::syscall(__NR_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    return abi > 0 ? static_cast<int>(abi) : 0;
}

// Grants `rights` beneath `path` (or on it, for a file); false when it is missing.
bool allow(int ruleset, const std::string& path, uint64_t rights) {
    OwnedFd target(::open(path.c_str(), O_PATH | O_CLOEXEC));
    if (!target.valid()) return false;
    struct stat info {};
    if (::fstat(target.get(), &info) != 0) return false;
    // Rights that only make sense on folders are refused on files.
    if (!S_ISDIR(info.st_mode))
        rights &= LANDLOCK_ACCESS_FS_EXECUTE | LANDLOCK_ACCESS_FS_READ_FILE |
                  LANDLOCK_ACCESS_FS_WRITE_FILE | Truncate | IoctlDev;
    landlock_path_beneath_attr rule{};
    rule.allowed_access = rights;
    rule.parent_fd = target.get();
    return ::syscall(__NR_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0) == 0;
}

std::string homeFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value && *value == '/') return value;
    const char* home = std::getenv("HOME");
    return home && *home == '/' ? std::string(home) + fallback : std::string();
}

// Where the system keeps what LibreOffice and the libraries it loads read:
// programs, libraries, configuration, fonts, and the kernel's own views.
const char* const SystemFolders[] = {"/usr", "/etc",  "/lib",  "/lib64", "/lib32",
                                     "/bin", "/sbin", "/proc", "/sys",   "/var/cache/fontconfig"};
// Devices an engine opens; no other one (disks above all) is reachable.
const char* const Devices[] = {"/dev/null", "/dev/zero", "/dev/random", "/dev/urandom"};

// Landlock's layer; the ABI in force, or 0.
int restrictFiles(const EngineFolders& folders, bool& network) {
    const int abi = landlockAbi();
    if (abi == 0) return 0;
    RulesetAttr attr{folders.filesUnconfined ? 0 : fileSystemRights(abi), 0, 0};
    size_t size = sizeof attr.handledFs;
    if (abi >= 4) {
        attr.handledNet = BindTcp | ConnectTcp;
        size += sizeof attr.handledNet;
    }
    if (abi >= 6) {
        attr.scoped = ScopeAbstractUnix | ScopeSignal;
        size += sizeof attr.scoped;
    }
    OwnedFd ruleset(static_cast<int>(::syscall(__NR_landlock_create_ruleset, &attr, size, 0)));
    if (!ruleset.valid()) return 0;
    if (folders.filesUnconfined) {
        // Only the network layer, where the kernel has one.
    } else if (folders.everyFileReadable) {
        allow(ruleset.get(), "/", ReadRights);
    }
    for (const char* folder : SystemFolders) allow(ruleset.get(), folder, ReadRights);
    // The user's fonts and fontconfig's cache of them, as the desktop shows them.
    for (const std::string& folder : {homeFolder("XDG_DATA_HOME", "/.local/share") + "/fonts",
                                      homeFolder("XDG_CACHE_HOME", "/.cache") + "/fontconfig",
                                      homeFolder("XDG_CONFIG_HOME", "/.config") + "/fontconfig",
                                      homeFolder("HOME", "") + "/.fonts"})
        if (folder.front() == '/') allow(ruleset.get(), folder, ReadRights);
    allow(ruleset.get(), "/dev", LANDLOCK_ACCESS_FS_READ_DIR);
    for (const char* device : Devices)
        allow(ruleset.get(), device,
              LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_WRITE_FILE | IoctlDev);
    for (const std::string& folder : folders.readable) allow(ruleset.get(), folder, ReadRights);
    for (const std::string& folder : folders.writable)
        allow(ruleset.get(), folder, fileSystemRights(abi));
    if (::syscall(__NR_landlock_restrict_self, ruleset.get(), 0) != 0) return 0;
    network = abi >= 4;
    return abi;
}

// A network namespace of its own has only a loopback device, and that one down.
bool ownNetwork() {
    if (::unshare(CLONE_NEWNET) == 0) return true;
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) return false;
    // The same user inside, so files keep their owners as LibreOffice sees them.
    const auto write = [](const char* file, const std::string& text) {
        OwnedFd fd(::open(file, O_WRONLY | O_CLOEXEC));
        return fd.valid() &&
               ::write(fd.get(), text.data(), text.size()) == static_cast<ssize_t>(text.size());
    };
    write("/proc/self/setgroups", "deny");
    write("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1");
    write("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1");
    // The new namespace grants every capability over the user's own files
    // (a mode 000 file would open): none is kept.
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3] = {};
    return ::syscall(SYS_capset, &header, none) == 0;
}

// Refuses every socket but a local one, and io_uring, which could open
// sockets past the filter.
bool filterSockets() {
    scmp_filter_ctx filter = ::seccomp_init(SCMP_ACT_ALLOW);
    if (!filter) return false;
    bool built =
        ::seccomp_rule_add(filter, SCMP_ACT_ERRNO(EACCES), SCMP_SYS(socket), 1,
                           SCMP_A0(SCMP_CMP_NE, AF_UNIX)) == 0 &&
        ::seccomp_rule_add(filter, SCMP_ACT_ERRNO(EACCES), SCMP_SYS(socketpair), 1,
                           SCMP_A0(SCMP_CMP_NE, AF_UNIX)) == 0 &&
        ::seccomp_rule_add(filter, SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(io_uring_setup), 0) == 0 &&
        ::seccomp_attr_set(filter, SCMP_FLTATR_CTL_TSYNC, 1) == 0;
    built = built && ::seccomp_load(filter) == 0;
    ::seccomp_release(filter);
    return built;
}

// LibreOffice reserves far more address space than it touches; a deck that
// makes it grow past this is a fault of the deck.
constexpr rlim_t AddressSpace = rlim_t(16) << 30;
// The largest file an engine writes: a slide of 16384 x 4320 pixels, or the
// presentation saved as Flat ODP.
constexpr rlim_t LargestFile = rlim_t(4) << 30;

bool limitResources() {
    const auto lower = [](int resource, rlim_t value) {
        rlimit limit{};
        if (::getrlimit(resource, &limit) != 0) return false;
        if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < value) value = limit.rlim_max;
        limit.rlim_cur = limit.rlim_max = value;
        return ::setrlimit(resource, &limit) == 0;
    };
    const bool core = lower(RLIMIT_CORE, 0);
    const bool size = lower(RLIMIT_FSIZE, LargestFile);
    const bool space = lower(RLIMIT_AS, AddressSpace);
    return core && size && space;
}
}  // namespace

Protections Confine(const EngineFolders& folders) {
    Protections in;
    in.limits = limitResources();
    in.networkNamespace = ownNetwork();
    in.noNewPrivileges = ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0;
    in.socketFilter = in.noNewPrivileges && filterSockets();
    in.landlockAbi = restrictFiles(folders, in.landlockNetwork);
    return in;
}

Protections AvailableProtections() {
    Protections can;
    can.noNewPrivileges = true;
    can.limits = true;
    can.socketFilter = ::prctl(PR_GET_SECCOMP, 0, 0, 0, 0) >= 0;
    can.landlockAbi = landlockAbi();
    can.landlockNetwork = can.landlockAbi >= 4;
    const pid_t child = ::fork();
    if (child == 0) _exit(ownNetwork() ? 0 : 1);
    int status = 0;
    if (child > 0)
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    can.networkNamespace = child > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return can;
}

std::string DescribeProtections(const Protections& p) {
    std::string text = "Protections:";
    const auto add = [&](bool on, const std::string& name) {
        text += (text.back() == ':' ? " " : ", ") + name + (on ? "" : " (unavailable)");
    };
    add(p.noNewPrivileges, "no new privileges");
    add(p.networkNamespace, "own network namespace");
    add(p.socketFilter, "socket filter (AF_UNIX only)");
    add(p.landlockAbi > 0, p.landlockAbi > 0
                               ? "Landlock ABI " + std::to_string(p.landlockAbi) +
                                     (p.landlockNetwork ? " (files, TCP)" : " (files)")
                               : std::string("Landlock"));
    add(p.limits, "limits (address space, file size, no core dumps)");
    return text;
}

EngineFolders FoldersForEngine(const std::string& programFolder, const std::string& profile,
                               const std::string& deck, const std::string& staging,
                               bool everyFileReadable) {
    EngineFolders folders;
    folders.everyFileReadable = everyFileReadable;
    // The installation around the program folder: its share/ and presets.
    char* installation = ::realpath((programFolder + "/..").c_str(), nullptr);
    if (installation) {
        folders.readable.push_back(installation);
        // Debian keeps parts of it elsewhere (/var/lib, /var/spool), linked from share/.
        std::error_code error;
        for (auto it = std::filesystem::recursive_directory_iterator(
                 std::string(installation) + "/share", error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (it.depth() >= 2) it.disable_recursion_pending();
            if (!it->is_symlink(error) || !it->is_directory(error)) continue;
            if (char* real = ::realpath(it->path().c_str(), nullptr)) {
                folders.readable.push_back(real);
                std::free(real);
            }
        }
        std::free(installation);
    }
    if (!deck.empty()) {
        const size_t slash = deck.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : deck.substr(0, slash + 1);
        // Links followed, so the rule names the folder the deck really lies in.
        char* real = ::realpath(folder.c_str(), nullptr);
        if (real) {
            folders.readable.push_back(real);
            std::free(real);
        }
        // A deck that is itself a link is read where it lies.
        real = ::realpath(deck.c_str(), nullptr);
        if (real) {
            folders.readable.push_back(real);
            std::free(real);
        }
    }
    folders.writable.push_back(profile);
    if (!staging.empty()) folders.writable.push_back(staging);
    return folders;
}
