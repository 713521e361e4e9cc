#pragma once

#include <QString>
#include <QStringList>

#include "platform/avifile/compressoptions.h"

// What one run of quillmoor-convert is asked to do.
struct ConvertRequest {
    enum class Action { Help, Version, ListCodecs, Frames, Presentations, Samples };
    Action action = Action::Help;
    QString error;  // not empty: the arguments are wrong, and this says why

    QString framesFolder;
    QString output;
    qint16 framesPerSecond = 1;
    CompressOptions compression;
    bool codecGiven = false;  // else the dialog's remembered choice

    // Presentations: paths (folders add their whole tree), and what the window's
    // options would say; unset ones come from the stored settings.
    QStringList paths;
    enum class Mode { Stored, Combine, Separate };
    Mode mode = Mode::Stored;
    enum class Destination { Stored, Folder, Beside };
    Destination destination = Destination::Stored;
    QString outputFolder;   // with Destination::Folder
    QString frameRateText;  // empty: the stored "Delay"
};

ConvertRequest ParseConvertArguments(const QStringList& arguments);
QString ConvertUsage();

// The dialog's name for what a user typed: an offered name in any case, or the
// encoder's own name ("mjpeg", "libx264", ...); "" when nothing matches.
QString CodecNameFor(const QString& text);
