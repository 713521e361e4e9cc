#include "cli/convertpresentations.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "cli/clihost.h"
#include "cli/cliprompts.h"
#include "cli/convertoptions.h"
#include "engine/batchconversion.h"
#include "joblist/droppedfiles.h"
#include "platform/avifile/compressoptions.h"
#include "util/paths.h"
#include "util/programfolder.h"
#include "util/settingsstore.h"

namespace {
// A stored truth value, or the window's design-time value when it is unreadable.
bool storedOption(int number, bool fallback) {
    try {
        return TextToTruth(
            GetQuillmoorSetting(QStringLiteral("Option%1").arg(number), TruthToText(fallback)));
    } catch (...) {
        return fallback;
    }
}

void fillOptions(const ConvertRequest& request, CliHost& host) {
    using Mode = ConvertRequest::Mode;
    using Destination = ConvertRequest::Destination;
    host.options[0] =
        request.mode == Mode::Stored ? storedOption(1, true) : request.mode == Mode::Combine;
    host.options[1] =
        request.mode == Mode::Stored ? storedOption(2, false) : request.mode == Mode::Separate;
    host.options[2] = request.destination == Destination::Stored
                          ? storedOption(3, true)
                          : request.destination == Destination::Folder;
    host.options[3] = request.destination == Destination::Stored
                          ? storedOption(4, false)
                          : request.destination == Destination::Beside;
    host.outputFolder = request.destination == Destination::Folder
                            ? QFileInfo(request.outputFolder).absoluteFilePath()
                            : GetQuillmoorSetting(QStringLiteral("Text2"), GetDesktopFolder());
    host.frameRate = request.frameRateText.isEmpty()
                         ? GetQuillmoorSetting(QStringLiteral("Delay"), QStringLiteral("1"))
                         : request.frameRateText;
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
    fillOptions(effective, host);
    prompts.compression = request.codecGiven ? request.compression : LoadCompressOptions();

    host.rows.clear();
    for (const QString& path : effective.paths) {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        const QStringList rows = DroppedEntryRows(absolute, prompts);
        // A path that is not there still becomes a row, so it is reported by name.
        host.rows << (rows.isEmpty() && !IsFolder(absolute) ? QStringList{absolute} : rows);
    }

    BatchConversion batch(host, prompts);
    if (request.slideHeight > 0) {
        HelperOptions engine;
        engine.arguments = {QStringLiteral("--height"), QString::number(request.slideHeight)};
        batch.setEngineOptions(engine);
    }
    if (request.slideMilliseconds > 0)
        batch.setFrameTiming(FrameTimingForDuration(quint32(request.slideMilliseconds)));
    batch.PushButton2_Click();
    if (!batch.lastRunStarted()) return 1;
    for (const QString& failed : batch.failures())
        std::fprintf(stderr, "Failed: %s\n", failed.toLocal8Bit().constData());
    return batch.failures().isEmpty() ? 0 : 1;
}
