#pragma once

#include <QString>
#include <QStringList>

#include "platform/avifile/compressoptions.h"

// What one run of quillmoor-convert is asked to do.
struct ConvertRequest {
    enum class Action { Help, ListCodecs, Frames };
    Action action = Action::Help;
    QString error;  // not empty: the arguments are wrong, and this says why

    QString framesFolder;
    QString output;
    qint16 framesPerSecond = 1;
    CompressOptions compression;
};

ConvertRequest ParseConvertArguments(const QStringList& arguments);
QString ConvertUsage();

// The dialog's name for what a user typed: an offered name in any case, or the
// encoder's own name ("mjpeg", "libx264", ...); "" when nothing matches.
QString CodecNameFor(const QString& text);
