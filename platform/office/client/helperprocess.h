#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "util/ownedfd.h"

// One process talking lines over a socket, in a process group of its own:
// a child of this program, or an engine another process forked for it.
// Owned: the destructor kills the whole group and has it reaped, so no path
// leaves a helper running. Every live process is listed in a process-wide
// registry for KillRunningHelpers().
class HelperProcess {
  public:
    enum class Read { Line, TimedOut, Ended };
    // Collects a process this program did not start (after killing its
    // group) and says how it ended.
    using Reaper = std::function<std::string(pid_t)>;

    // Starts `program` with the socket as its standard input and output.
    // Throws std::runtime_error with the reason when it cannot be started.
    HelperProcess(const std::string& program, const std::vector<std::string>& arguments);
    // Takes over process `pid`, forked by this program's helper `parent` in a
    // group of its own and talking over `socket`; `reaper` has the parent kill
    // and collect it, since only the parent knows whether that id is still its
    // engine. Throws std::runtime_error (after having it reaped) when it
    // cannot be listed.
    HelperProcess(pid_t pid, pid_t parent, OwnedFd socket, Reaper reaper);
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    // False when the process no longer reads.
    bool sendLine(const std::string& line);
    // Waits up to `timeoutMs` for one whole line (without its newline).
    Read readLine(std::string& line, int timeoutMs);

    // Kills the process group and reaps it; how it ended, as text.
    std::string kill();
    // Waits up to `timeoutMs` for the process to end by itself, then kills it.
    std::string waitForExit(int timeoutMs);
    bool running() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // Where it is listed, for InterruptHelper from another thread; -1 when not.
    int listing() const { return slot_; }

    // Sends `line` with `fd` passed alongside (a socket for a forked engine).
    bool sendLineWithFd(const std::string& line, int fd);

  private:
    std::string reap(bool block);
    std::string collect();
    bool send(const std::string& text, int fd);

    pid_t pid_ = -1;
    int slot_ = -1;  // in the table of live helpers
    OwnedFd socket_;
    Reaper reaper_;
    std::string buffer_;
    std::string ending_;
};

// From now on no helper starts: the program is ending. Async-signal-safe.
void RefuseNewHelpers();
// Kills the whole process group of every live helper of this program (an
// engine parent's engines end with their parent). Async-signal-safe: it takes
// no lock and allocates nothing, so a signal handler may call it right before
// _exit.
void KillRunningHelpers();
// Kills the process group of `pid` if it is still listed at `listing` and,
// for an engine, its parent has not ended (else the id may be a stranger's):
// safe from any thread while another owns the HelperProcess, since a process
// is unlisted before it is reaped.
void InterruptHelper(int listing, pid_t pid);

// How a wait status reads in a description: "exit code 3", "killed by signal 9 (SIGKILL)".
std::string DescribeWaitStatus(int status);
