#include "platform/office/engine/forkparent.h"

#include <LibreOfficeKit/LibreOfficeKitInit.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <time.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/office/engine/commandloop.h"
#include "platform/office/engine/confinement.h"
#include "platform/office/engine/fileurl.h"
#include "platform/office/engine/forksafety.h"
#include "platform/office/engine/lokclock.h"
#include "platform/office/engine/officeengine.h"
#include "platform/office/engine/profileslot.h"
#include "platform/office/protocol.h"
#include "platform/office/versionreport.h"
#include "util/systemerror.h"

namespace {
// Command lines from the program, with the sockets sent alongside them.
class ControlReader {
  public:
    explicit ControlReader(int fd) : fd_(fd) {}
    ~ControlReader() {
        for (const int fd : sockets_) ::close(fd);
    }

    bool readLine(std::string& line) {
        for (;;) {
            const size_t newline = buffer_.find('\n');
            if (newline != std::string::npos) {
                line = buffer_.substr(0, newline);
                buffer_.erase(0, newline + 1);
                return true;
            }
            char chunk[4096];
            alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)];
            iovec io{chunk, sizeof chunk};
            msghdr message{};
            message.msg_iov = &io;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            const ssize_t n = ::recvmsg(fd_, &message, MSG_CMSG_CLOEXEC);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            for (cmsghdr* part = CMSG_FIRSTHDR(&message); part;
                 part = CMSG_NXTHDR(&message, part)) {
                if (part->cmsg_level != SOL_SOCKET || part->cmsg_type != SCM_RIGHTS) continue;
                const size_t count = (part->cmsg_len - CMSG_LEN(0)) / sizeof(int);
                for (size_t i = 0; i < count; ++i) {
                    int fd;
                    std::memcpy(&fd, CMSG_DATA(part) + i * sizeof(int), sizeof fd);
                    sockets_.push_back(fd);
                }
            }
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }

    // The socket that came with the last "fork", or -1.
    int takeSocket() {
        if (sockets_.empty()) return -1;
        const int fd = sockets_.front();
        sockets_.pop_front();
        return fd;
    }

  private:
    int fd_;
    std::string buffer_;
    std::deque<int> sockets_;
};

struct Setup {
    std::string program;
    std::string profile;
    int slideHeight = 0;
    bool everyLocalFile = false;
};

// The row's presentation and staging folder, as the fork request names them.
struct Row {
    std::string deck;
    std::string staging;
};

// LibreOffice's configuration write-back thread ends about 1.5 s after the
// start; a parent still not alone long after that never will be.
constexpr int AloneAfterStartMs = 5000;
// A thread met before a fork may be just ending.
constexpr int AloneBeforeForkMs = 1000;
// Below the program's own limit for the parent's first answer.
constexpr int FirstStartLimitMs = 110'000;
// A killed engine ends at once; one stuck in the kernel is collected later.
constexpr int ReapLimitMs = 2000;

std::string engineTemporaryFolder(const Setup& setup, pid_t pid) {
    return setup.profile + "/tmp/engine-" + std::to_string(pid);
}

[[noreturn]] void becomeEngine(const Setup& setup, int socket, pid_t parent, const Row& row) {
    ::setpgid(0, 0);
    // The parent is single-threaded, so this fires when the parent ends.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) std::_Exit(1);
    // The parent's control socket stays the parent's alone.
    ::close(AnswerOutput());
    ::dup2(socket, 0);
    SetAnswerOutput(::fcntl(socket, F_DUPFD_CLOEXEC, 3));
    ::close(socket);
    // LibreOffice's temporary files go to a folder the parent removes once
    // this engine is collected, so none piles up through a long run.
    const std::string temporary = engineTemporaryFolder(setup, ::getpid());
    if (::mkdir(temporary.c_str(), 0700) == 0)
        for (const char* name : {"TMPDIR", "TMP", "TEMP"}) ::setenv(name, temporary.c_str(), 1);
    // Programs are found in LibreOffice's own folder only: the signature
    // libraries would otherwise fork this whole process to run gpg several
    // times for every presentation, to check signatures no slide shows.
    ::setenv("PATH", setup.program.c_str(), 1);
    // Still one thread: whatever LibreOffice starts later inherits it.
    Confine(FoldersForEngine(setup.program, setup.profile, row.deck, row.staging,
                             setup.everyLocalFile));
    std::optional<OfficeEngine> engine;
    try {
        engine.emplace(setup.program, setup.profile);
        engine->setSlideHeight(setup.slideHeight);
        engine->setEveryLocalFile(setup.everyLocalFile);
        // No warm-up document: loading one costs an engine more than it saves
        // the row's own load and paint.
    } catch (const std::exception& error) {
        Reply({"error", Describe(error)});
        std::_Exit(1);
    }
    Reply({"ready"});
    ServeCommands(*engine);
}

std::string describeStatus(int status) {
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    if (WIFEXITED(status)) return "exit code " + std::to_string(WEXITSTATUS(status));
    return "ended";
}

// Collects child `pid` within `limitMs`: its wait status, or nothing.
std::optional<int> collect(pid_t pid, int limitMs, rusage* usage = nullptr) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        int status = 0;
        const pid_t done = ::wait4(pid, &status, WNOHANG, usage);
        if (done == pid) return status;
        if (done < 0 && errno != EINTR) return std::nullopt;
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        const timespec pause{0, 1'000'000};
        ::nanosleep(&pause, nullptr);
    }
}

// LibreOffice creates a new profile on its first start; engines forked side
// by side would each try. One start, in a process of its own, does it first,
// with the profile writable. Throws EngineError when it fails.
void startOnce(const Setup& setup) {
    const pid_t pid = ::fork();
    if (pid < 0)
        throw EngineError(std::string("cannot start LibreOffice: ") + SystemErrorText(errno));
    if (pid == 0) {
        const std::string temporary = engineTemporaryFolder(setup, ::getpid());
        if (::mkdir(temporary.c_str(), 0700) == 0)
            for (const char* name : {"TMPDIR", "TMP", "TEMP"}) ::setenv(name, temporary.c_str(), 1);
        try {
            // Starting is all the profile needs; a presentation loaded here
            // would only store a sidebar nobody sees.
            OfficeEngine engine(setup.program, setup.profile);
        } catch (const std::exception& error) {
            Say(Describe(error));
            std::_Exit(1);
        }
        std::_Exit(0);
    }
    const std::optional<int> status = collect(pid, FirstStartLimitMs);
    if (!status) {
        ::kill(pid, SIGKILL);
        collect(pid, ReapLimitMs);
    }
    std::error_code ignored;
    std::filesystem::remove_all(engineTemporaryFolder(setup, pid), ignored);
    if (status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0) {
        MarkProfileComplete(setup.profile);
        return;
    }
    throw EngineError("LibreOffice's first start with the profile " + setup.profile + " failed (" +
                      (status ? describeStatus(*status)
                              : "no end within " + std::to_string(FirstStartLimitMs / 1000) +
                                    " seconds; stopped") +
                      ")");
}

// The engines forked and not yet collected: killed ones that did not end
// within the reap's limit are collected at the next command instead.
class Engines {
  public:
    explicit Engines(const Setup& setup) : setup_(setup) {}
    void add(pid_t pid) { live_.emplace(pid, std::chrono::steady_clock::now()); }
    bool has(pid_t pid) const { return live_.count(pid) != 0; }

    // Kills engine `pid`'s group and collects it: its wait status, or
    // nothing when it is left for later.
    std::optional<int> reap(pid_t pid) {
        ::kill(-pid, SIGKILL);
        const auto born = live_.extract(pid);
        rusage usage{};
        const std::optional<int> status = collect(pid, ReapLimitMs, &usage);
        if (status) {
            removeTemporaries(pid);
            RecordChildTiming(
                "engine",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - born.mapped())
                    .count(),
                usage);
        } else
            lingering_.insert(pid);
        return status;
    }

    void collectLingering() {
        for (auto it = lingering_.begin(); it != lingering_.end();) {
            if (collect(*it, 0)) {
                removeTemporaries(*it);
                it = lingering_.erase(it);
            } else {
                ++it;
            }
        }
    }

    // Every live engine is an unreaped child: its group id is still its own.
    void endAll() {
        for (const auto& [pid, born] : live_) ::kill(-pid, SIGKILL);
    }

  private:
    void removeTemporaries(pid_t pid) {
        std::error_code ignored;
        std::filesystem::remove_all(engineTemporaryFolder(setup_, pid), ignored);
    }

    const Setup& setup_;
    std::map<pid_t, std::chrono::steady_clock::time_point> live_;  // when each was forked
    std::set<pid_t> lingering_;
};

std::string notAlone() {
    return "the engine parent is running " + std::to_string(ThreadCount()) +
           " threads, so no engine can be forked from it safely";
}
}  // namespace

void ServeAsParent(int slideHeight, bool everyLocalFile) {
    // No death signal: it would fire when the program's thread that started
    // this parent ends. The end of standard input ends the parent instead.
    std::optional<ProfileSlot> slot;
    Setup setup;
    setup.program = OfficeProgramFolder();
    setup.slideHeight = slideHeight;
    setup.everyLocalFile = everyLocalFile;
    try {
        try {
            slot.emplace(ProfileSlot::acquire());
        } catch (const std::exception& error) {
            throw EngineError(std::string("No LibreOffice profile can be used: ") + error.what());
        }
        setup.profile = slot->folder();
        RequireOffice(setup.program);
        PrepareProfile(setup.program, setup.profile);
        UseTemporaryFolderIn(setup.profile);
        // Engines sharing one profile race in LibreOffice's extension
        // synchronisation (a DeploymentException now and then); the profile's
        // extensions are set once, by its first start.
        ::setenv("DISABLE_EXTENSION_SYNCHRONIZATION", "1", 1);
        if (!ProfileComplete(setup.profile)) startOnce(setup);
        // From here on the profile is only read: no write-back thread in
        // the parent or its engines, and no engine writes the shared profile.
        if (const std::optional<std::string> layers = ReadOnlyUserLayers(setup.program))
            ::setenv("CONFIGURATION_LAYERS", layers->c_str(), 1);
        // lok_preinit sets up LibreOffice's configuration before it looks at
        // the profile it is given: only the bootstrap variable, read from the
        // environment too, keeps the user's own profile out of it.
        ::setenv("UserInstallation", FileUrl(setup.profile).c_str(), 1);
        if (lok_preinit(setup.program.c_str(), ProfileUrl(setup.profile).c_str()) != 0)
            throw EngineError("LibreOffice in " + setup.program + " could not be started");
        if (!WaitUntilAlone(AloneAfterStartMs)) throw EngineError(notAlone());
    } catch (const std::exception& error) {
        Reply({"error", Describe(error)});
        std::_Exit(1);
    }
    Reply({"ready"});

    const pid_t self = ::getpid();
    Engines engines(setup);
    ControlReader control(0);
    std::string line;
    std::vector<std::string> fields;
    while (control.readLine(line)) {
        engines.collectLingering();
        if (!DecodeLine(line, fields) || fields.empty()) {
            Reply({"error", "unreadable command"});
            continue;
        }
        const std::string& command = fields[0];
        if (command == "fork") {
            const int socket = control.takeSocket();
            if (socket < 0) {
                Reply({"error", "no socket came with the fork request"});
                continue;
            }
            // A fork made while another thread holds a lock copies the held
            // lock into the engine, which then waits for it forever.
            if (!WaitUntilAlone(AloneBeforeForkMs)) {
                ::close(socket);
                Reply({"error", "Start: " + notAlone()});
                continue;
            }
            const Row row{fields.size() > 1 ? fields[1] : std::string(),
                          fields.size() > 2 ? fields[2] : std::string()};
            std::optional<LokClock> clock(std::in_place, "fork");
            const pid_t pid = ::fork();
            // The engine never returns here, so only the parent tells the fork's cost.
            if (pid == 0) becomeEngine(setup, socket, self, row);
            clock.reset();
            ::close(socket);
            if (pid < 0) {
                Reply({"error", std::string("cannot start an engine: ") + SystemErrorText(errno)});
                continue;
            }
            // Its own group before the program hears of it, whichever runs first.
            ::setpgid(pid, pid);
            engines.add(pid);
            Reply({"ok", std::to_string(pid)});
        } else if (command == "reap" && fields.size() > 1) {
            char* end = nullptr;
            const long pid = std::strtol(fields[1].c_str(), &end, 10);
            if (end == fields[1].c_str() || *end != '\0' || !engines.has(pid_t(pid))) {
                Reply({"error", "no such engine " + fields[1]});
                continue;
            }
            const std::optional<int> status = engines.reap(pid_t(pid));
            Reply({"ok", status ? std::to_string(*status) : std::string("ended")});
        } else if (command == "quit") {
            engines.endAll();
            Reply({"ok"});
            std::_Exit(0);
        } else {
            Reply({"error", "unknown command " + command});
        }
    }
    engines.endAll();
    std::_Exit(0);
}
