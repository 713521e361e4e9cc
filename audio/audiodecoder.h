#pragma once

#include <QString>

#include "audio/pcm.h"

// A sound file's first audio stream (a video's too), as 48 kHz stereo, or why not.
struct DecodedAudio {
    Pcm pcm;
    QString error;  // empty: decoded (`pcm` may still be empty: the file has no sound)
    bool hasSound = false;
    bool ok() const { return error.isEmpty(); }
};

// Decodes at most `longestMs` milliseconds of the file at `path` (any format FFmpeg reads).
DecodedAudio DecodeAudioFile(const QString& path, qint64 longestMs);
