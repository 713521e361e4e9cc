// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for quillmoor-office's parent mode where the real engine cannot
// be made to misbehave on cue: forks engines that answer like the real ones,
// then hang, crash or babble as told.
// Usage: fake-engine parent MODE LOG   (each engine appends its process id to LOG)
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <deque>
#include <fstream>
#include <string>
#include <vector>

#include "platform/office/protocol.h"

namespace {
void say(int fd, const std::vector<std::string>& fields) {
    const std::string line = EncodeLine(fields) + "\n";
    if (::write(fd, line.data(), line.size()) < 0) ::_exit(4);
}

// Lines from `fd`, with the descriptors passed alongside them.
struct Reader {
    int fd;
    std::string buffer;
    std::deque<int> passed;
    bool line(std::string& out) {
        for (;;) {
            const size_t newline = buffer.find('\n');
            if (newline != std::string::npos) {
                out = buffer.substr(0, newline);
                buffer.erase(0, newline + 1);
                return true;
            }
            char chunk[4096];
            alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
            iovec io{chunk, sizeof chunk};
            msghdr message{};
            message.msg_iov = &io;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            const ssize_t n = ::recvmsg(fd, &message, MSG_CMSG_CLOEXEC);
            if (n <= 0) return false;
            if (cmsghdr* part = CMSG_FIRSTHDR(&message); part && part->cmsg_type == SCM_RIGHTS) {
                int passedFd;
                std::memcpy(&passedFd, CMSG_DATA(part), sizeof passedFd);
                passed.push_back(passedFd);
            }
            buffer.append(chunk, static_cast<size_t>(n));
        }
    }
};

void writeSlide(const std::string& folder, int number) {
    std::ofstream(folder + "/Slide" + std::to_string(number) + ".bmp") << "slide " << number;
}

[[noreturn]] void serve(const std::string& mode, const std::string& log) {
    std::ofstream(log, std::ios::app) << ::getpid() << "\n";
    if (mode == "hang-start") ::sleep(1000);
    say(1, {"ready"});
    Reader in{0, {}, {}};
    std::string line;
    std::vector<std::string> fields;
    while (in.line(line)) {
        if (!DecodeLine(line, fields) || fields.empty()) continue;
        const std::string& command = fields[0];
        if (command == "open") {
            if (mode == "hang-open") ::sleep(1000);
            if (mode == "babble") say(1, {"hello"});
            if (mode == "refuse")
                say(1, {"error", "Cannot open \"" + fields[1] + "\": not a presentation"});
            else
                say(1, {"ok", "3"});
        } else if (command == "saveas") {
            const std::string folder = fields[1].substr(0, fields[1].size() - 4);
            ::mkdir(folder.c_str(), 0777);
            writeSlide(folder, 1);
            if (mode == "crash-saveas") ::_exit(3);
            writeSlide(folder, 2);
            writeSlide(folder, 3);
            say(1, {"ok", "3"});
        } else if (command == "quit") {
            say(1, {"ok"});
            ::_exit(0);
        } else {
            say(1, {"ok"});
        }
    }
    ::_exit(0);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || std::string(argv[1]) != "parent") return 2;
    const std::string mode = argv[2];
    const std::string log = argv[3];
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    const pid_t self = ::getpid();
    say(1, {"ready"});
    Reader control{0, {}, {}};
    std::string line;
    std::vector<std::string> fields;
    while (control.line(line)) {
        if (!DecodeLine(line, fields) || fields.empty()) continue;
        if (fields[0] == "fork" && !control.passed.empty()) {
            const int socket = control.passed.front();
            control.passed.pop_front();
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::setpgid(0, 0);
                ::prctl(PR_SET_PDEATHSIG, SIGKILL);
                if (::getppid() != self) ::_exit(1);
                ::dup2(socket, 0);
                ::dup2(socket, 1);
                serve(mode, log);
            }
            ::setpgid(pid, pid);
            ::close(socket);
            say(1, {"ok", std::to_string(pid)});
        } else if (fields[0] == "reap" && fields.size() > 1) {
            const pid_t pid = static_cast<pid_t>(std::stol(fields[1]));
            ::kill(-pid, SIGKILL);
            int status = 0;
            ::waitpid(pid, &status, 0);
            say(1, {"ok", std::to_string(status)});
        } else {
            say(1, {"ok"});
        }
    }
    return 0;
}
