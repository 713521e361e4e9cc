#pragma once

#include <string>
#include <vector>

// What an engine process may touch once confined. Folders that do not exist
// are left out; every other file system path is refused.
struct EngineFolders {
    // Read only: the presentation's folder, the LibreOffice installation.
    std::vector<std::string> readable;
    // Read and write: the engine's staging folder and its profile.
    std::vector<std::string> writable;
    // Every local file readable (the user's own decks, links followed anywhere).
    bool everyFileReadable = false;
    // Files left to the user's rights, for an engine driven by hand one
    // command at a time (it is told of each file only as it comes).
    bool filesUnconfined = false;
};

// The protections in force, or those the kernel offers.
struct Protections {
    bool noNewPrivileges = false;
    bool networkNamespace = false;  // a network of its own, with no way out
    bool socketFilter = false;      // seccomp: only AF_UNIX sockets
    int landlockAbi = 0;            // 0: no Landlock
    bool landlockNetwork = false;   // Landlock also refuses TCP (ABI 4 on)
    bool limits = false;            // address space, file size, no core dumps
};

// Confines the calling process for good, before it reads a presentation:
// no new privileges, resource limits, no network, and Landlock for files.
// Must run while the process has one thread, so every later thread inherits
// it. A mechanism the kernel lacks is skipped; the result says what holds.
Protections Confine(const EngineFolders& folders);

// What Confine would put in force on this kernel, found without confining
// the caller (a short-lived child tries the network namespace).
Protections AvailableProtections();

// "Protections: no new privileges, own network namespace, ..." for --version.
std::string DescribeProtections(const Protections& protections);

// The folders an engine for `deck` needs: the system, LibreOffice in
// `programFolder`, its `profile` and the deck's folder to read; `staging` and
// `profile` to write. An empty `deck` or `staging` adds nothing.
EngineFolders FoldersForEngine(const std::string& programFolder, const std::string& profile,
                               const std::string& deck, const std::string& staging,
                               bool everyFileReadable);
