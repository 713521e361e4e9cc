#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "engine/stagedslides.h"
#include "video/compressoptions.h"
#include "video/videosettings.h"

// What one run of quillmoor-convert is asked to do.
struct ConvertRequest {
    enum class Action { Help, Version, ListCodecs, Frames, Presentations, Samples };
    Action action = Action::Help;
    QString error;  // not empty: the arguments are wrong, and this says why

    QString framesFolder;
    QString output;
    qint16 framesPerSecond = 1;
    int slideMilliseconds = 0;  // not 0: each frame lasts this long, instead of the frame rate
    int slideHeight = 0;        // not 0: slides are painted this many pixels high
    int jobs = 0;               // presentations at work at once; 0: one for each core, and one more
    // --container, or the extension of --output in a frame run; unset: the stored choice.
    std::optional<VideoContainer> container;
    // --codec (else the container's default) with the numbers given; what a frame run uses.
    CompressOptions compression;
    bool codecGiven = false;  // else a presentation run uses the dialog's remembered choice
    // --quality, --keyframe and --kbps given: they apply over a remembered choice too.
    bool qualityGiven = false;
    bool keyFrameGiven = false;
    bool dataRateGiven = false;

    // Presentations: paths (folders add their whole tree), and what the window's
    // options would say; unset ones come from the stored settings.
    QStringList paths;
    enum class Mode { Stored, Combine, Separate };
    Mode mode = Mode::Stored;
    enum class Destination { Stored, Folder, Beside };
    Destination destination = Destination::Stored;
    QString outputFolder;     // with Destination::Folder
    QString frameRateText;    // --fps as given (checked); empty: the stored "Delay"
    SlideOptions slides;      // --use-timings, --skip-hidden, --subtitles
    bool allowLinks = false;  // --allow-links: a deck's links may reach any local file
    SoundOptions sound;       // --sound, --narrate, --voice, --speech-rate, --music

    bool verbose = false;     // every failure in the window's full report format
    bool quiet = false;       // errors only: no "Written:" lines, notes or progress line
    bool replace = true;      // false: a row whose video is there already is skipped
    bool noSettings = false;  // the program's own defaults, whatever the window stored
    QString reportFile;       // not empty: the run as JSON, written there ("-": stdout)
    // One line each, said before the run: a value brought into range.
    QStringList notes;
};

ConvertRequest ParseConvertArguments(const QStringList& arguments);

// What a usage error prints: the problem on one line, then where help is.
QString UsageErrorText(const QString& problem);
