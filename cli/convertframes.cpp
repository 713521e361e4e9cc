#include "cli/convertframes.h"

#include <QDir>
#include <QFileInfo>

#include "cli/clihost.h"
#include "cli/cliprompts.h"
#include "cli/convertoptions.h"
#include "cli/progressline.h"
#include "cli/reportvideo.h"
#include "engine/staging.h"
#include "platform/avifile/avifile.h"
#include "util/failure.h"
#include "util/paths.h"
#include "util/steptrap.h"
#include "video/createavifrombitmaps.h"

int ConvertFrames(const ConvertRequest& request, CliHost& host, CliPrompts& prompts) {
    const QString frames = QDir::cleanPath(QFileInfo(request.framesFolder).absoluteFilePath());
    // The writer takes its format from Slide1.bmp; the window never calls it without one.
    if (!QFileInfo(frames + QStringLiteral("/Slide1.bmp")).isFile()) {
        prompts.message(QStringLiteral("No Slide1.bmp in ") + frames);
        return 1;
    }
    // Images that are not plain bitmaps are converted through the scratch
    // bitmap of this instance's private staging folder.
    QString scratch;
    try {
        scratch = FrameTarget(AcquireStagingFolder());
    } catch (const StagingRefused& refused) {
        prompts.message(refused.description(), Prompts::Icon::Critical);
        return 1;
    }
    const QString output = QFileInfo(request.output).absoluteFilePath();
    AviOutcome outcome;
    AVIFileInit();
    try {
        if (request.slideMilliseconds > 0)
            outcome =
                CreateAviFromBitmaps(host, prompts, frames, scratch, output,
                                     FrameTimingForDuration(quint32(request.slideMilliseconds)));
        else
            outcome = CreateAviFromBitmaps(host, prompts, frames, scratch, output,
                                           request.framesPerSecond);
    } catch (...) {
        prompts.message(describeCurrentException());
    }
    AVIFileExit();
    KillFile(scratch);
    if (prompts.line != nullptr) prompts.line->clear();
    ReportVideo(output, outcome);
    return outcome.kind == AviOutcome::Written ? 0 : 1;
}
