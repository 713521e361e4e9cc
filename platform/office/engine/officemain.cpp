// SPDX-License-Identifier: GPL-3.0-or-later
// quillmoor-office: LibreOfficeKit in a process of its own, so a presentation
// that crashes or hangs LibreOffice costs one row, never the program.
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/office/engine/commandloop.h"
#include "platform/office/engine/confinement.h"
#include "platform/office/engine/fileurl.h"
#include "platform/office/engine/forkparent.h"
#include "platform/office/engine/lokclock.h"
#include "platform/office/engine/officeengine.h"
#include "platform/office/engine/profileslot.h"
#include "platform/office/protocol.h"
#include "platform/office/slideheight.h"
#include "platform/office/versionreport.h"

// LibreOffice writes warnings to both standard streams; the answers and our
// own messages keep private copies and its chatter goes to /dev/null (unless
// QUILLMOOR_OFFICE_VERBOSE is set, when it goes to standard error).
static void isolateOutput() {
    const int answers = ::fcntl(1, F_DUPFD_CLOEXEC, 3);
    const int messages = ::fcntl(2, F_DUPFD_CLOEXEC, 3);
    if (answers < 0 || messages < 0) std::_Exit(3);
    SetAnswerOutput(answers);
    SetMessageOutput(messages);
    const char* verbose = std::getenv("QUILLMOOR_OFFICE_VERBOSE");
    if (verbose && *verbose) {
        ::dup2(2, 1);
        return;
    }
    ::setenv("SAL_LOG", "-WARN-INFO", 0);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::close(null);
    }
}

// The profile slot must outlive the engine: it is held until _Exit.
struct Started {
    std::optional<ProfileSlot> slot;
    std::optional<OfficeEngine> engine;
};

// The engine is confined once its profile is ready and before LibreOffice
// starts, reading `deck`'s folder and writing `writable`; `byHand`, it keeps
// the user's rights on files.
static void start(Started& started, int slideHeight, bool everyLocalFile,
                  const std::string& deck = {}, const std::string& writable = {},
                  bool byHand = false) {
    try {
        started.slot.emplace(ProfileSlot::acquire());
    } catch (const std::exception& error) {
        throw EngineError(std::string("No LibreOffice profile can be used: ") + error.what());
    }
    const std::string program = OfficeProgramFolder();
    const std::string& profile = started.slot->folder();
    RequireOffice(program);
    PrepareProfile(program, profile);
    UseTemporaryFolderIn(profile);
    EngineFolders folders = FoldersForEngine(program, profile, deck, writable, everyLocalFile);
    folders.filesUnconfined = byHand;
    Confine(folders);
    started.engine.emplace(program, profile);
    started.engine->setSlideHeight(slideHeight);
    started.engine->setEveryLocalFile(everyLocalFile);
    MarkProfileComplete(profile);
}

static int serve(int slideHeight, bool everyLocalFile) {
    // The engine belongs to the program that started it: gone with it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    Started started;
    try {
        start(started, slideHeight, everyLocalFile, {}, {}, true);
    } catch (const std::exception& error) {
        Reply({"error", Describe(error)});
        std::_Exit(1);
    }
    Reply({"ready"});
    ServeCommands(*started.engine);
}

// The folder a file is written into.
static std::string folderOf(const std::string& file) {
    return std::filesystem::path(AbsolutePath(file)).parent_path().string();
}

static int oneShot(const std::vector<std::string>& args, int slideHeight, bool everyLocalFile) {
    const std::string& mode = args[0];
    try {
        Started started;
        if (mode == "probe")
            start(started, slideHeight, everyLocalFile);
        else
            start(started, slideHeight, everyLocalFile, args[1], folderOf(args[2]));
        OfficeEngine& engine = *started.engine;
        if (mode == "probe") {
            engine.warm();
        } else if (mode == "export") {
            engine.open(args[1]);
            for (const std::string& note : engine.linksLeftOut()) Say(note);
            const int written = engine.saveBitmaps(args[2]);
            WriteAll(AnswerOutput(), std::to_string(written) + "\n");
        } else {
            engine.convert(args[1], args[2]);
        }
    } catch (const std::exception& error) {
        Say(Describe(error));
        std::_Exit(1);
    }
    std::_Exit(0);
}

static const char* const Usage =
    "usage: quillmoor-office [--height N]           answer commands on standard input\n"
    "       quillmoor-office parent [--height N]    fork an engine for each presentation\n"
    "       quillmoor-office export PRESENTATION TARGET.bmp [--height N]\n"
    "       quillmoor-office probe\n"
    "       quillmoor-office convert INPUT OUTPUT   (format from OUTPUT's extension: pptx, ppt, odp, pdf)\n"
    "       quillmoor-office --version\n"
    "--allow-links lets a presentation's links reach every local file, not only its own folder.\n"
    "--height N paints slides N pixels high (even, 240 to 4320), as wide as their proportions\n"
    "give, instead of 96 pixels per inch of the slide.\n"
    "--threads N gives LibreOffice N worker threads (1 to 64) instead of one a core.\n";

// Takes "NAME N" out of the arguments: N, 0 when not given, -1 when given
// twice or not a number of up to five digits.
static int takeNumber(std::vector<std::string>& args, const char* name) {
    int number = 0;
    size_t i = 0;
    while (i < args.size()) {
        if (args[i] != name) {
            ++i;
            continue;
        }
        if (number != 0 || i + 1 >= args.size()) return -1;
        const std::string& value = args[i + 1];
        if (value.empty() || value.size() > 5 ||
            value.find_first_not_of("0123456789") != std::string::npos)
            return -1;
        number = std::stoi(value);
        if (number == 0) return -1;
        args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
    }
    return number;
}

int main(int argc, char** argv) {
    isolateOutput();
    OpenTimings();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        WriteAll(AnswerOutput(), Usage);
        std::_Exit(0);
    }
    if (!args.empty() && args[0] == "--version") {
        WriteAll(AnswerOutput(),
                 VersionReport("quillmoor-office", {OfficeVersionLine(OfficeProgramFolder()),
                                                    DescribeProtections(AvailableProtections())}));
        std::_Exit(0);
    }
    const int slideHeight = takeNumber(args, "--height");
    if (slideHeight < 0 || (slideHeight > 0 && !IsSlideHeight(slideHeight))) {
        Say("--height takes an even number from " + std::to_string(LowestSlideHeight) + " to " +
            std::to_string(HighestSlideHeight));
        std::_Exit(2);
    }
    const int threads = takeNumber(args, "--threads");
    if (threads < 0 || threads > 64) {
        Say("--threads takes a number from 1 to 64");
        std::_Exit(2);
    }
    // Before LibreOffice first asks how many threads its pool may have.
    if (threads > 0) ::setenv("MAX_CONCURRENCY", std::to_string(threads).c_str(), 1);
    const auto allow = std::find(args.begin(), args.end(), "--allow-links");
    const bool everyLocalFile = allow != args.end();
    if (everyLocalFile) args.erase(allow);
    if (args.empty()) return serve(slideHeight, everyLocalFile);
    const std::string& mode = args[0];
    if (mode == "parent" && args.size() == 1) ServeAsParent(slideHeight, everyLocalFile);
    const bool known = (mode == "probe" && args.size() == 1) ||
                       (mode == "export" && args.size() == 3) ||
                       (mode == "convert" && args.size() == 3 && slideHeight == 0);
    if (!known) {
        Say(Usage);
        std::_Exit(2);
    }
    return oneShot(args, slideHeight, everyLocalFile);
}
