#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "util/ownedfd.h"

// One child process talking lines over a socket on its standard input and
// output, in a process group of its own. Owned: the destructor kills the whole
// group and reaps it, so no path leaves a helper running. Every live process
// is listed in a process-wide registry for KillRunningHelpers().
class HelperProcess {
  public:
    enum class Read { Line, TimedOut, Ended };

    // Throws std::runtime_error with the reason when the program cannot be started.
    HelperProcess(const std::string& program, const std::vector<std::string>& arguments);
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

  private:
    std::string reap(bool block);

    pid_t pid_ = -1;
    int slot_ = -1;  // in the table of live helpers
    OwnedFd socket_;
    std::string buffer_;
    std::string ending_;
};

// Kills the whole process group of every live helper of this program.
// Async-signal-safe: it takes no lock and allocates nothing, so a signal
// handler may call it right before _exit.
void KillRunningHelpers();
