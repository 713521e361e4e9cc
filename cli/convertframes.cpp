#include "cli/convertframes.h"

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "cli/clihost.h"
#include "cli/cliprompts.h"
#include "cli/convertoptions.h"
#include "cli/progressline.h"
#include "cli/reportvideo.h"
#include "engine/staging.h"
#include "util/failure.h"
#include "util/folderscan.h"
#include "util/fsfailure.h"
#include "util/paths.h"
#include "util/slidename.h"
#include "util/steptrap.h"
#include "video/framevideo.h"
#include "video/videotarget.h"

namespace {
// Why the frames cannot be written ("" when they can), before anything is
// opened: the writer takes its format from Slide1.bmp, and the video must not
// take the place of one of the user's frames.
QString FrameFolderProblem(const QString& frames, const QString& output) {
    const QByteArray folder = QFile::encodeName(frames);
    struct stat status;
    if (::stat(folder.constData(), &status) != 0)
        return QStringLiteral("The frame folder %1 cannot be used: %2")
            .arg(frames, SystemReason(errno));
    if (!S_ISDIR(status.st_mode))
        return QStringLiteral("The frame folder %1 cannot be used: %2")
            .arg(frames, SystemReason(ENOTDIR));
    if (!QFileInfo::exists(SlidePath(frames, 1)))
        return QStringLiteral("No Slide1.bmp in ") + frames;
    const QFileInfo target(QFileInfo(output).canonicalFilePath());
    if (target.exists() && target.path() == QFileInfo(frames).canonicalFilePath() &&
        GetFrameList(frames, QStringLiteral("*.bmp")).names().contains(target.fileName()))
        return QStringLiteral("The video would replace the frame ") + output;
    return {};
}
}  // namespace

int ConvertFrames(const ConvertRequest& request, CliHost& host, CliPrompts& prompts) {
    const QString frames = QDir::cleanPath(QFileInfo(request.framesFolder).absoluteFilePath());
    const QString output = QFileInfo(request.output).absoluteFilePath();
    const QString problem = FrameFolderProblem(frames, output);
    if (!problem.isEmpty()) {
        prompts.message(problem);
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
    VideoOutcome outcome;
    FrameVideo video;
    video.frameFolder = frames;
    video.scratchBitmap = scratch;
    video.outputPath = output;
    video.owner = FrameOwner::User;
    video.timing = request.slideMilliseconds > 0
                       ? FrameTimingForDuration(quint32(request.slideMilliseconds))
                       : FrameTimingForRate(request.framesPerSecond);
    try {
        outcome = WriteFrameVideo(host, prompts, video);
    } catch (...) {
        prompts.message(describeCurrentException());
    }
    KillFile(scratch);
    if (prompts.line != nullptr) prompts.line->clear();
    const bool told = request.quiet || ReportVideo(stdout, output, outcome);
    return outcome.complete() && told ? 0 : 1;
}
