// SPDX-License-Identifier: GPL-3.0-or-later
// quillmoor-office: LibreOfficeKit in a process of its own, so a presentation
// that crashes or hangs LibreOffice costs one row, never the program.
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/office/officeengine.h"
#include "platform/office/profileslot.h"
#include "platform/office/protocol.h"
#include "platform/office/slideheight.h"
#include "platform/office/versionreport.h"

static int protocolOut = 1;
static int messageOut = 2;

static void writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        done += static_cast<size_t>(n);
    }
}

static void reply(const std::vector<std::string>& fields) {
    writeAll(protocolOut, EncodeLine(fields) + "\n");
}

static void say(const std::string& text) {
    writeAll(messageOut, text + "\n");
}

// LibreOffice writes warnings to both standard streams; the answers and our
// own messages keep private copies and its chatter goes to /dev/null (unless
// QUILLMOOR_OFFICE_VERBOSE is set, when it goes to standard error).
static void isolateOutput() {
    protocolOut = ::fcntl(1, F_DUPFD_CLOEXEC, 3);
    messageOut = ::fcntl(2, F_DUPFD_CLOEXEC, 3);
    if (protocolOut < 0 || messageOut < 0) std::_Exit(3);
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

static std::string programFolder() {
    const char* folder = std::getenv("QUILLMOOR_LO_PATH");
    return folder && *folder ? std::string(folder) : std::string("/usr/lib/libreoffice/program");
}

// The profile slot must outlive the engine: it is held until _Exit.
struct Started {
    std::optional<ProfileSlot> slot;
    std::optional<OfficeEngine> engine;
};

static void start(Started& started, int slideHeight) {
    try {
        started.slot.emplace(ProfileSlot::acquire());
    } catch (const std::exception& error) {
        throw EngineError(std::string("No LibreOffice profile can be used: ") + error.what());
    }
    // LibreOffice keeps a temporary folder that only its own teardown removes,
    // and the helper ends without it: give it one inside the held profile slot,
    // emptied here of whatever an earlier helper on this slot left.
    const std::filesystem::path temporary = std::filesystem::path(started.slot->folder()) / "tmp";
    std::error_code ignored;
    std::filesystem::remove_all(temporary, ignored);
    std::filesystem::create_directories(temporary, ignored);
    for (const char* name : {"TMPDIR", "TMP", "TEMP"}) ::setenv(name, temporary.c_str(), 1);
    started.engine.emplace(programFolder(), started.slot->folder());
    started.engine->setSlideHeight(slideHeight);
}

static std::string describe(const std::exception& error) {
    const std::string text = error.what();
    return text.empty() ? std::string("unexpected failure in the presentation engine") : text;
}

static int serve(int slideHeight) {
    // The helper belongs to the program that started it: gone with it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    Started started;
    try {
        start(started, slideHeight);
    } catch (const std::exception& error) {
        reply({"error", describe(error)});
        std::_Exit(1);
    }
    OfficeEngine& engine = *started.engine;
    reply({"ready"});

    std::string line;
    std::vector<std::string> fields;
    while (std::getline(std::cin, line)) {
        if (!DecodeLine(line, fields) || fields.empty()) {
            reply({"error", "unreadable command"});
            continue;
        }
        const std::string& command = fields[0];
        const std::string argument = fields.size() > 1 ? fields[1] : std::string();
        try {
            if (command == "open") {
                reply({"ok", std::to_string(engine.open(argument))});
            } else if (command == "count") {
                reply({"ok", std::to_string(engine.slideCount())});
            } else if (command == "saveas") {
                const bool facts = fields.size() > 2 && fields[2] == "facts";
                reply({"ok", std::to_string(engine.saveBitmaps(argument, facts))});
            } else if (command == "close") {
                engine.close();
                reply({"ok"});
            } else if (command == "warm") {
                engine.warm();
                reply({"ok"});
            } else if (command == "quit") {
                reply({"ok"});
                std::_Exit(0);
            } else {
                reply({"error", "unknown command " + command});
            }
        } catch (const std::exception& error) {
            reply({"error", describe(error)});
        }
    }
    std::_Exit(0);
}

static int oneShot(const std::vector<std::string>& args, int slideHeight) {
    const std::string& mode = args[0];
    try {
        Started started;
        start(started, slideHeight);
        OfficeEngine& engine = *started.engine;
        if (mode == "probe") {
            engine.warm();
        } else if (mode == "export") {
            engine.open(args[1]);
            const int written = engine.saveBitmaps(args[2]);
            writeAll(protocolOut, std::to_string(written) + "\n");
        } else {
            engine.convert(args[1], args[2]);
        }
    } catch (const std::exception& error) {
        say(describe(error));
        std::_Exit(1);
    }
    std::_Exit(0);
}

static const char* const Usage =
    "usage: quillmoor-office [--height N]           answer commands on standard input\n"
    "       quillmoor-office export PRESENTATION TARGET.bmp [--height N]\n"
    "       quillmoor-office probe\n"
    "       quillmoor-office convert INPUT OUTPUT   (format from OUTPUT's extension: pptx, ppt, odp, pdf)\n"
    "       quillmoor-office --version\n"
    "--height N paints slides N pixels high (even, 240 to 4320), as wide as their proportions\n"
    "give, instead of 96 pixels per inch of the slide.\n";

// Takes "--height N" out of the arguments: the height, 0 when not given, -1 when wrong.
static int takeSlideHeight(std::vector<std::string>& args) {
    int height = 0;
    size_t i = 0;
    while (i < args.size()) {
        if (args[i] != "--height") {
            ++i;
            continue;
        }
        if (height != 0 || i + 1 >= args.size()) return -1;
        const std::string& value = args[i + 1];
        if (value.empty() || value.size() > 5 ||
            value.find_first_not_of("0123456789") != std::string::npos)
            return -1;
        height = std::stoi(value);
        if (!IsSlideHeight(height)) return -1;
        args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
    }
    return height;
}

int main(int argc, char** argv) {
    isolateOutput();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        writeAll(protocolOut, Usage);
        std::_Exit(0);
    }
    if (!args.empty() && args[0] == "--version") {
        writeAll(protocolOut,
                 VersionReport("quillmoor-office", {OfficeVersionLine(programFolder())}));
        std::_Exit(0);
    }
    const int slideHeight = takeSlideHeight(args);
    if (slideHeight < 0) {
        say("--height takes an even number from " + std::to_string(LowestSlideHeight) + " to " +
            std::to_string(HighestSlideHeight));
        std::_Exit(2);
    }
    if (args.empty()) return serve(slideHeight);
    const std::string& mode = args[0];
    const bool known = (mode == "probe" && args.size() == 1) ||
                       (mode == "export" && args.size() == 3) ||
                       (mode == "convert" && args.size() == 3 && slideHeight == 0);
    if (!known) {
        writeAll(messageOut, Usage);
        std::_Exit(2);
    }
    return oneShot(args, slideHeight);
}
