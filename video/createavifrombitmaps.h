#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include "video/frametiming.h"

#include <QList>

#include "video/srtwriter.h"

class Host;
struct SlidePlan;
class Prompts;

// What became of one video.
struct AviOutcome {
    enum Kind {
        Written,    // complete and in place of any earlier file of its name
        Cancelled,  // the compression dialog was cancelled: nothing written, nothing said
        Failed,     // the user was told why; an earlier file of its name is as it was
    };
    Kind kind = Failed;
    // Images the reader refused (it said why): their positions stay empty. A
    // video written without them is a partial result.
    int droppedFrames = 0;
    QStringList missingFrames;  // their names

    // Written with every frame it was given.
    bool complete() const { return kind == Written && missingFrames.isEmpty(); }
};

// Whose the frame folder is: the program's staging folder, whose frames go as
// they are written, or the user's, where nothing is deleted or changed.
enum class FrameOwner { Program, User };

// Writes the images of `frameFolder` ("*.bmp", in slide-number order) as the
// frames of one AVI file at `outputPath`, one frame per image at
// `framesPerSecond` (clamped to 1..30), compressed as the user chooses. The
// stream format comes from frameFolder + "/Slide1.bmp"; images are converted
// through `scratchBitmap` when needed; each staged image is deleted once written.
// The caller starts and ends the AVI library around the call. An image that
// cannot be loaded as a picture throws Failure, and the video is not written.
AviOutcome CreateAviFromBitmaps(Host& host, Prompts& prompts, const QString& frameFolder,
                                const QString& scratchBitmap, const QString& outputPath,
                                qint16 framesPerSecond, FrameOwner owner = FrameOwner::Program);

// The same, with every frame lasting as `timing` says.
AviOutcome CreateAviFromBitmaps(Host& host, Prompts& prompts, const QString& frameFolder,
                                const QString& scratchBitmap, const QString& outputPath,
                                FrameTiming timing, FrameOwner owner = FrameOwner::Program);

// The same, with each slide's picture at its planned position, held for its
// planned time (in AVI as empty samples after it, in MP4 and Matroska as the
// one frame's duration); frames the plan does not name are left out. MP4 and
// Matroska also hold `subtitles` as a text stream.
AviOutcome CreateAviFromBitmaps(Host& host, Prompts& prompts, const QString& frameFolder,
                                const QString& scratchBitmap, const QString& outputPath,
                                const SlidePlan& plan, const QList<SubtitleCue>& subtitles = {});
