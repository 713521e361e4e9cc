#include "platform/office/client/helperprocess.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <utility>
#include "util/systemerror.h"

extern char** environ;

namespace {
// The live helpers, reachable from a signal handler: plain atomic slots, no
// lock, no allocation. A slot holds a helper's process (and group) id, or one
// of the markers below.
constexpr pid_t FreeSlot = 0;
constexpr pid_t Spawning = -1;
// Up to 64 engines at work, their parent, and one that replaces it.
constexpr int HelperSlots = 128;
std::atomic<pid_t> liveHelpers[HelperSlots];
// For an engine, the helper that forked it and alone may collect it; else 0.
std::atomic<pid_t> helperParents[HelperSlots];
static_assert(std::atomic<pid_t>::is_always_lock_free);

// Set once the program is ending: a spawn that begins after the ending's scan
// passed its slot would otherwise outlive the program.
std::atomic<bool> refusingHelpers{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// A slot is taken before the process exists, so no helper ever runs unlisted.
// The refusal is checked after taking it: either the ending's scan still finds
// the slot, or this sees the ending and starts nothing.
int reserveSlot() {
    for (int i = 0; i < HelperSlots; ++i) {
        pid_t expected = FreeSlot;
        if (liveHelpers[i].compare_exchange_strong(expected, Spawning)) {
            if (!refusingHelpers.load()) return i;
            liveHelpers[i].store(FreeSlot);
            return -1;
        }
    }
    return -1;
}

// Blocks every signal in this thread while a helper is spawned and listed, so
// no handler runs here in between; a handler on another thread waits for the
// slot instead (see KillRunningHelpers).
class SignalsHeld {
  public:
    SignalsHeld() {
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, &previous_);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

  private:
    sigset_t previous_;
};
}  // namespace

void RefuseNewHelpers() {
    refusingHelpers.store(true);
}

void KillRunningHelpers() {
    for (std::atomic<pid_t>& slot : liveHelpers) {
        pid_t pid = slot.load();
        // A spawn in progress on another thread ends within moments; its
        // thread holds the signals back, so it is never this one.
        for (int waited = 0; pid == Spawning && waited < 2000; ++waited) {
            const timespec pause{0, 1'000'000};
            ::nanosleep(&pause, nullptr);
            pid = slot.load();
        }
        if (pid > 0 && helperParents[&slot - liveHelpers].load() == 0) ::kill(-pid, SIGKILL);
    }
}

// Whether this program's child `pid` is listed and has not ended: until it is
// collected its id cannot be reused, nor can those of the engines it forked.
static bool childAlive(pid_t pid) {
    bool listed = false;
    for (const std::atomic<pid_t>& slot : liveHelpers)
        if (slot.load() == pid) listed = true;
    if (!listed) return false;
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

void InterruptHelper(int listing, pid_t pid) {
    if (listing < 0 || listing >= HelperSlots || pid <= 0) return;
    if (liveHelpers[listing].load() != pid) return;
    const pid_t parent = helperParents[listing].load();
    if (parent != 0 && !childAlive(parent)) return;
    ::kill(-pid, SIGKILL);
}

// posix_spawn attributes and file actions, destroyed on every path.
struct SpawnSetup {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    SpawnSetup() {
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

HelperProcess::HelperProcess(const std::string& program,
                             const std::vector<std::string>& arguments) {
    int pair[2];
    // A socket rather than pipes: writing to a helper that died must not
    // raise SIGPIPE in the program (send with MSG_NOSIGNAL).
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        throw std::runtime_error(SystemErrorText(errno));
    socket_.reset(pair[0]);
    OwnedFd childEnd(pair[1]);

    SpawnSetup setup;
    posix_spawn_file_actions_adddup2(&setup.actions, childEnd.get(), 0);
    posix_spawn_file_actions_adddup2(&setup.actions, childEnd.get(), 1);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    // Its own process group, so killing it also kills anything it started.
    posix_spawnattr_setpgroup(&setup.attributes, 0);
    posix_spawnattr_setflags(
        &setup.attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    const SignalsHeld held;
    const int slot = reserveSlot();
    if (slot < 0) throw std::runtime_error("too many helper processes at once");
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attributes,
                                    argv.data(), environ);
    if (error != 0) {
        liveHelpers[slot].store(FreeSlot);
        throw std::runtime_error(SystemErrorText(error));
    }
    helperParents[slot].store(0);
    liveHelpers[slot].store(pid);
    pid_ = pid;
    slot_ = slot;
}

HelperProcess::HelperProcess(pid_t pid, pid_t parent, OwnedFd socket, Reaper reaper)
    : socket_(std::move(socket)), reaper_(std::move(reaper)) {
    const SignalsHeld held;
    const int slot = reserveSlot();
    if (slot < 0) {
        if (reaper_) reaper_(pid);
        throw std::runtime_error("too many helper processes at once");
    }
    helperParents[slot].store(parent);
    liveHelpers[slot].store(pid);
    pid_ = pid;
    slot_ = slot;
}

HelperProcess::~HelperProcess() {
    if (running()) kill();
}

bool HelperProcess::sendLine(const std::string& line) {
    return send(line + "\n", -1);
}

bool HelperProcess::sendLineWithFd(const std::string& line, int fd) {
    return send(line + "\n", fd);
}

bool HelperProcess::send(const std::string& text, int fd) {
    if (!running() || !socket_.valid()) return false;
    size_t done = 0;
    while (done < text.size()) {
        iovec io{const_cast<char*>(text.data() + done), text.size() - done};
        msghdr message{};
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
        if (fd >= 0) {
            // The descriptor travels with the first byte sent.
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            cmsghdr* part = CMSG_FIRSTHDR(&message);
            part->cmsg_level = SOL_SOCKET;
            part->cmsg_type = SCM_RIGHTS;
            part->cmsg_len = CMSG_LEN(sizeof(int));
            std::memcpy(CMSG_DATA(part), &fd, sizeof fd);
        }
        const ssize_t n = ::sendmsg(socket_.get(), &message, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n > 0) fd = -1;
        done += static_cast<size_t>(n);
    }
    return true;
}

HelperProcess::Read HelperProcess::readLine(std::string& line, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const size_t newline = buffer_.find('\n');
        if (newline != std::string::npos) {
            line = buffer_.substr(0, newline);
            buffer_.erase(0, newline + 1);
            return Read::Line;
        }
        if (!socket_.valid()) return Read::Ended;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return Read::TimedOut;
        pollfd waiting{socket_.get(), POLLIN, 0};
        const int ready =
            ::poll(&waiting, 1, static_cast<int>(std::min<long long>(left.count(), 1 << 30)));
        if (ready < 0) {
            if (errno == EINTR) continue;
            return Read::Ended;
        }
        if (ready == 0) continue;
        char chunk[4096];
        const ssize_t n = ::recv(socket_.get(), chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            socket_.reset();
            return Read::Ended;
        }
        buffer_.append(chunk, static_cast<size_t>(n));
    }
}

std::string DescribeWaitStatus(int status) {
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        const char* name = ::sigabbrev_np(signal);
        return "killed by signal " + std::to_string(signal) +
               (name ? std::string(" (SIG") + name + ")" : "");
    }
    if (WIFEXITED(status)) return "exit code " + std::to_string(WEXITSTATUS(status));
    return "ended";
}

// An engine: unlisted, then killed and collected by its parent, the one
// process that knows whether its id is still the engine's.
std::string HelperProcess::collect() {
    // Its parent mark stays until the slot's next owner sets its own.
    if (slot_ >= 0) liveHelpers[slot_].store(FreeSlot);
    slot_ = -1;
    ending_ = reaper_ ? reaper_(pid_) : std::string("ended");
    pid_ = -1;
    socket_.reset();
    return ending_;
}

std::string HelperProcess::reap(bool block) {
    if (reaper_) return block ? collect() : std::string();
    // Look without reaping first: while the helper is an unreaped zombie its
    // group id cannot be reused, so whatever it left in its group can be
    // killed without hitting a stranger.
    siginfo_t info{};
    int result;
    do {
        result = ::waitid(P_PID, static_cast<id_t>(pid_), &info,
                          WEXITED | WNOWAIT | (block ? 0 : WNOHANG));
    } while (result < 0 && errno == EINTR);
    if (result == 0 && info.si_pid == 0) return {};
    ::kill(-pid_, SIGKILL);
    // Unlisted while still a zombie: once reaped, its id may name a stranger.
    if (slot_ >= 0) liveHelpers[slot_].store(FreeSlot);
    slot_ = -1;
    int status = 0;
    pid_t done;
    do {
        done = ::waitpid(pid_, &status, 0);
    } while (done < 0 && errno == EINTR);
    ending_ = done == pid_ ? DescribeWaitStatus(status) : std::string("ended");
    pid_ = -1;
    socket_.reset();
    return ending_;
}

std::string HelperProcess::kill() {
    if (!running()) return ending_;
    ::kill(-pid_, SIGKILL);
    return reap(true);
}

std::string HelperProcess::waitForExit(int timeoutMs) {
    if (!running()) return ending_;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (reaper_) {
        // Not this program's child: its end shows as the end of its socket.
        std::string line;
        while (socket_.valid() && Clock::now() < deadline) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (readLine(line, static_cast<int>(left.count())) == Read::Ended) break;
        }
        return collect();
    }
    for (;;) {
        const std::string ending = reap(false);
        if (!running()) return ending;
        if (Clock::now() >= deadline) return kill();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
