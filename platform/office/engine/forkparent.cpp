#include "platform/office/engine/forkparent.h"

#include <LibreOfficeKit/LibreOfficeKitInit.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/office/engine/commandloop.h"
#include "platform/office/engine/fileurl.h"
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
};

[[noreturn]] void becomeEngine(const Setup& setup, int socket, pid_t parent) {
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) std::_Exit(1);
    // The parent's control socket stays the parent's alone.
    ::close(AnswerOutput());
    ::dup2(socket, 0);
    SetAnswerOutput(::fcntl(socket, F_DUPFD_CLOEXEC, 3));
    ::close(socket);
    std::optional<OfficeEngine> engine;
    try {
        engine.emplace(setup.program, setup.profile);
        engine->setSlideHeight(setup.slideHeight);
        // The first document of a process costs more than later ones: a
        // built-in one, the same for every engine, takes that cost here.
        engine->warm();
    } catch (const std::exception& error) {
        Reply({"error", Describe(error)});
        std::_Exit(1);
    }
    Reply({"ready"});
    ServeCommands(*engine);
}

// LibreOffice creates a new profile on its first start; engines forked side
// by side would each try. One start, in a process of its own, does it first.
void startOnce(const Setup& setup) {
    const pid_t pid = ::fork();
    if (pid < 0)
        throw EngineError(std::string("cannot start LibreOffice: ") + SystemErrorText(errno));
    if (pid == 0) {
        try {
            OfficeEngine engine(setup.program, setup.profile);
            engine.warm();
        } catch (const std::exception& error) {
            Say(Describe(error));
            std::_Exit(1);
        }
        std::_Exit(0);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) MarkProfileComplete(setup.profile);
}

void endEngines(const std::set<pid_t>& engines) {
    for (const pid_t pid : engines) ::kill(-pid, SIGKILL);
}
}  // namespace

void ServeAsParent(int slideHeight) {
    // The parent belongs to the program that started it: gone with it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    std::optional<ProfileSlot> slot;
    Setup setup;
    setup.program = OfficeProgramFolder();
    setup.slideHeight = slideHeight;
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
        // lok_preinit sets up LibreOffice's configuration before it looks at
        // the profile it is given: only the bootstrap variable, read from the
        // environment too, keeps the user's own profile out of it.
        ::setenv("UserInstallation", FileUrl(setup.profile).c_str(), 1);
        if (lok_preinit(setup.program.c_str(), ProfileUrl(setup.profile).c_str()) != 0)
            throw EngineError("LibreOffice in " + setup.program + " could not be started");
    } catch (const std::exception& error) {
        Reply({"error", Describe(error)});
        std::_Exit(1);
    }
    Reply({"ready"});

    const pid_t self = ::getpid();
    std::set<pid_t> engines;
    ControlReader control(0);
    std::string line;
    std::vector<std::string> fields;
    while (control.readLine(line)) {
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
            const pid_t pid = ::fork();
            if (pid == 0) becomeEngine(setup, socket, self);
            ::close(socket);
            if (pid < 0) {
                Reply({"error", std::string("cannot start an engine: ") + SystemErrorText(errno)});
                continue;
            }
            // Its own group before the program hears of it, whichever runs first.
            ::setpgid(pid, pid);
            engines.insert(pid);
            Reply({"ok", std::to_string(pid)});
        } else if (command == "reap" && fields.size() > 1) {
            char* end = nullptr;
            const long pid = std::strtol(fields[1].c_str(), &end, 10);
            if (end == fields[1].c_str() || *end != '\0' || !engines.count(pid_t(pid))) {
                Reply({"error", "no such engine " + fields[1]});
                continue;
            }
            ::kill(-pid_t(pid), SIGKILL);
            int status = 0;
            while (::waitpid(pid_t(pid), &status, 0) < 0 && errno == EINTR) {
            }
            engines.erase(pid_t(pid));
            Reply({"ok", std::to_string(status)});
        } else if (command == "quit") {
            endEngines(engines);
            Reply({"ok"});
            std::_Exit(0);
        } else {
            Reply({"error", "unknown command " + command});
        }
    }
    endEngines(engines);
    std::_Exit(0);
}
