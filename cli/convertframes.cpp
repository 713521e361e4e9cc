#include "cli/convertframes.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "cli/clihost.h"
#include "cli/cliprompts.h"
#include "cli/convertoptions.h"
#include "platform/avifile/avifile.h"
#include "util/failure.h"
#include "util/steptrap.h"
#include "video/createavifrombitmaps.h"

int ConvertFrames(const ConvertRequest& request, CliHost& host, CliPrompts& prompts) {
    const QString frames = QDir::cleanPath(QFileInfo(request.framesFolder).absoluteFilePath());
    // The writer takes its format from Slide1.bmp; the window never calls it without one.
    if (!QFileInfo(frames + QStringLiteral("/Slide1.bmp")).isFile()) {
        prompts.message(QStringLiteral("No Slide1.bmp in ") + frames);
        return 1;
    }
    // Images that are not plain bitmaps are converted through a scratch file of our own.
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/quillmoor-convert-XXXXXX"));
    if (!scratch.isValid()) {
        prompts.message(QStringLiteral("Cannot create a temporary folder in ") + QDir::tempPath());
        return 1;
    }
    const qsizetype before = prompts.messages().size();
    AVIFileInit();
    try {
        CreateAviFromBitmaps(host, prompts, frames, scratch.path() + QStringLiteral("/temp.bmp"),
                             QFileInfo(request.output).absoluteFilePath(), request.framesPerSecond);
    } catch (...) {
        prompts.message(describeCurrentException());
    }
    AVIFileExit();
    return prompts.messages().size() == before ? 0 : 1;
}
