#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <span>

#include "video/audioencoder.h"
#include "video/frametiming.h"
#include "video/slideplan.h"
#include "video/srtwriter.h"
#include "video/videochapter.h"
#include "video/videocontainer.h"

class Host;
class Prompts;

// What became of one video.
struct VideoOutcome {
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

// A video's sound: `frames` sample frames of 48 kHz stereo from its start,
// each piece made when the writer reaches it, so a long video's sound is
// never held whole.
struct SoundSource {
    qint64 frames = 0;
    // Fills `out` (interleaved, -1..1) with the samples from sample frame `first` on.
    std::function<void(qint64 first, std::span<float> out)> render;
};

// Whose the frame folder is: the program's staging folder, whose frames go as
// they are written, or the user's, where nothing is deleted or changed.
enum class FrameOwner { Program, User };

// One video made of the images of a frame folder ("*.bmp", in slide-number
// order). The stream format comes from frameFolder + "/Slide1.bmp"; images are
// converted through `scratchBitmap` when needed.
struct FrameVideo {
    QString frameFolder;
    QString scratchBitmap;
    QString outputPath;
    std::optional<VideoContainer> container;  // none: the one the path's extension names
    FrameTiming timing;                       // one frame an image, each lasting this
    // Or each slide's picture at its planned position, held for its planned time;
    // images the plan does not name are left out.
    std::optional<SlidePlan> plan;
    FrameOwner owner = FrameOwner::Program;
    QList<SubtitleCue> subtitles;  // as a text stream, where the container holds one
    QList<VideoChapter> chapters;
    // The sound stream and what it plays, given as the frames it plays with are written.
    std::optional<AudioStreamFormat> audio;
    SoundSource sound;
};

// Writes the video, compressed as the user chooses; each staged image is
// deleted once written. An image that cannot be loaded as a picture throws
// Failure, and the video is not written.
VideoOutcome WriteFrameVideo(Host& host, Prompts& prompts, const FrameVideo& video);

// The images of `frameFolder` as the frames of the video at `outputPath`, one
// frame an image at `framesPerSecond` (clamped to 1..30).
VideoOutcome CreateAviFromBitmaps(Host& host, Prompts& prompts, const QString& frameFolder,
                                  const QString& scratchBitmap, const QString& outputPath,
                                  qint16 framesPerSecond);
