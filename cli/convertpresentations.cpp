#include "cli/convertpresentations.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <functional>

#include "cli/clihost.h"
#include "cli/cliprompts.h"
#include "cli/convertoptions.h"
#include "cli/reportvideo.h"
#include "engine/batchconversion.h"
#include "joblist/droppedfiles.h"
#include "platform/avifile/compressoptions.h"
#include "util/failure.h"
#include "util/numbers.h"
#include "util/paths.h"
#include "util/programfolder.h"
#include "util/settingsstore.h"
#include "util/storedoptions.h"

namespace {
// The option buttons as the window restores them; a stored word that is no
// truth value is named, and its button keeps its designed value.
OptionButtons storedOptions() {
    return RestoreOptionButtons([](int number, const std::function<void()>& assign) {
        try {
            assign();
        } catch (...) {
            std::fprintf(stderr, "The stored setting Option%d cannot be read (%s)\n", number,
                         describeCurrentException().toLocal8Bit().constData());
        }
    });
}

// Fills the window's controls from the request and the store; says why the run
// cannot start ("" when it can).
QString fillOptions(const ConvertRequest& request, CliHost& host) {
    using Mode = ConvertRequest::Mode;
    using Destination = ConvertRequest::Destination;
    const OptionButtons stored =
        request.mode == Mode::Stored || request.destination == Destination::Stored
            ? storedOptions()
            : OptionButtons{};
    host.options[0] = request.mode == Mode::Stored ? stored[0] : request.mode == Mode::Combine;
    host.options[1] = request.mode == Mode::Stored ? stored[1] : request.mode == Mode::Separate;
    host.options[2] = request.destination == Destination::Stored
                          ? stored[2]
                          : request.destination == Destination::Folder;
    host.options[3] = request.destination == Destination::Stored
                          ? stored[3]
                          : request.destination == Destination::Beside;
    host.outputFolder = request.destination == Destination::Folder
                            ? QFileInfo(request.outputFolder).absoluteFilePath()
                            : GetQuillmoorSetting(QStringLiteral("Text2"), GetDesktopFolder());
    host.frameRate = request.frameRateText.isEmpty()
                         ? GetQuillmoorSetting(QStringLiteral("Delay"), QStringLiteral("1"))
                         : request.frameRateText;
    // Checked before any engine starts, not when the first video is due.
    if (request.slideMilliseconds == 0 && !IsInteger16(host.frameRate))
        return QStringLiteral(
                   "The stored frame rate \"%1\" is not a number from -32768 to 32767; give --fps N")
            .arg(host.frameRate);
    // The window would convert nothing and say "Done."; a script must hear why.
    if (!host.options[0] && !host.options[1])
        return QStringLiteral(
            "No mode is selected: the stored settings select neither \"Combine to 1 AVI\" nor \"Separate AVI for each PowerPoint\"; give --combine or --separate");
    if (!host.options[2] && !host.options[3])
        return QStringLiteral(
            "No save location is selected: the stored settings select neither \"Save results to this folder:\" nor \"Save results in folder of original file\"; give --output-dir DIR or --beside");
    return {};
}
}  // namespace

int ConvertPresentations(const ConvertRequest& request, CliHost& host, CliPrompts& prompts) {
    ConvertRequest effective = request;
    if (request.action == ConvertRequest::Action::Samples) {
        effective.paths = SampleFilePaths(ProgramFolder());
        if (request.destination != ConvertRequest::Destination::Folder) {
            effective.destination = ConvertRequest::Destination::Folder;
            effective.outputFolder = QDir::currentPath();
        }
    }
    // What the command line leaves open, the window's video settings decide.
    const VideoSettings stored = LoadVideoSettings();
    const VideoContainer container = request.container.value_or(stored.container);
    const int slideHeight = request.slideHeight > 0 ? request.slideHeight : stored.slideHeight;
    const int slideMilliseconds = request.slideMilliseconds > 0     ? request.slideMilliseconds
                                  : request.frameRateText.isEmpty() ? stored.slideMilliseconds
                                                                    : 0;
    const ChosenCompression compression = CompressionFor(request, LoadCompressOptions(container));
    QString refusal = compression.error;
    if (refusal.isEmpty()) refusal = fillOptions(effective, host);
    if (!refusal.isEmpty()) {
        std::fprintf(stderr, "%s\n", refusal.toLocal8Bit().constData());
        return 2;
    }
    prompts.compression = compression.options;

    // LibreOffice loads while the folders are scanned.
    // The window's ticks would leave no way to turn these off here: only the flags count.
    host.video = VideoSettings{container, slideHeight, slideMilliseconds, request.slides};
    BatchConversion batch(host, prompts);
    batch.setJobs(request.jobs);
    batch.startEngine();

    host.rows.clear();
    for (const QString& path : effective.paths) {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        const QStringList rows = DroppedEntryRows(absolute, prompts);
        // A path that is not there still becomes a row, so it is reported by name.
        host.rows << (rows.isEmpty() && !IsFolder(absolute) ? QStringList{absolute} : rows);
    }

    batch.PushButton2_Click();
    if (!batch.lastRunStarted()) return 1;
    for (const VideoResult& video : batch.videos()) ReportVideo(video.path, video.outcome);
    const QStringList failures = batch.failures();
    for (const QString& failed : failures)
        std::fprintf(stderr, "Failed: %s\n", failed.toLocal8Bit().constData());
    return failures.isEmpty() ? 0 : 1;
}
