#include <QCoreApplication>
#include <csignal>
#include <cstdio>

#include "cli/clihost.h"
#include "cli/cliprompts.h"
#include "cli/convertframes.h"
#include "cli/convertoptions.h"
#include "cli/convertpresentations.h"
#include "cli/optiontable.h"
#include "cli/progressline.h"
#include "cli/versioninfo.h"
#include "engine/interrupts.h"
#include "video/codeclist.h"
#include "video/ffmpeglog.h"

namespace {
// Called from the encoders' threads too: one whole line a call.
void printFfmpegLine(int, const QString& line) {
    std::fprintf(stderr, "quillmoor-convert: FFmpeg: %s\n", line.toLocal8Bit().constData());
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    EndRunOnInterrupts(InterruptStatus::SignalNumber);
    // A closed stdout then fails a write, which the run answers by ending
    // cleanly with its report, instead of killing the batch in the middle.
    std::signal(SIGPIPE, SIG_IGN);

    const ConvertRequest request = ParseConvertArguments(app.arguments());
    if (!request.error.isEmpty()) {
        std::fputs(UsageErrorText(request.error).toLocal8Bit().constData(), stderr);
        return 2;
    }
    // FFmpeg's own words are for whoever asked to hear everything.
    SetFfmpegLogSink(request.verbose ? printFfmpegLine : nullptr);
    if (!request.quiet)
        for (const QString& note : request.notes)
            std::fprintf(stderr, "quillmoor-convert: %s\n", note.toLocal8Bit().constData());
    switch (request.action) {
        case ConvertRequest::Action::Help:
            std::fputs(ConvertUsage().toLocal8Bit().constData(), stdout);
            return 0;
        case ConvertRequest::Action::Version:
            std::fputs(ConvertVersionReport().toLocal8Bit().constData(), stdout);
            return 0;
        case ConvertRequest::Action::ListCodecs:
            for (const QString& name :
                 AvailableCodecNames(request.container.value_or(VideoContainer::Avi)))
                std::printf("%s\n", name.toLocal8Bit().constData());
            return 0;
        case ConvertRequest::Action::Frames: {
            ProgressLine line(stderr);
            CliHost host(request.quiet ? nullptr : &line);
            CliPrompts prompts;
            prompts.line = &line;
            prompts.verbose = request.verbose;
            prompts.compression = request.compression;
            return ConvertFrames(request, host, prompts);
        }
        case ConvertRequest::Action::Presentations:
        case ConvertRequest::Action::Samples: {
            ProgressLine line(stderr);
            CliHost host(request.quiet ? nullptr : &line);
            CliPrompts prompts;
            prompts.line = &line;
            prompts.verbose = request.verbose;
            return ConvertPresentations(request, host, prompts);
        }
    }
    return 2;
}
