#include "app/commandline.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/office/versionreport.h"
#include "video/ffmpegversion.h"

namespace {
constexpr const char* Help =
    "Usage: quillmoor [--version | --help]\n"
    "Opens the Quillmoor window, which turns presentations into videos in batches.\n"
    "Everything is chosen in the window and remembered for the next start; to convert\n"
    "without a window, use quillmoor-convert (see quillmoor-convert --help).\n\n"
    "  --version  Print the version and those of the FFmpeg libraries and LibreOffice.\n"
    "  --help     Print this help.\n";
}

std::optional<int> AnswerCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(Help, stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            const std::string report = VersionReport(
                "quillmoor",
                {FfmpegVersionLine().toStdString(), OfficeVersionLine(OfficeProgramFolder())});
            std::fputs(report.c_str(), stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    }
    return std::nullopt;
}
