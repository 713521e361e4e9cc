#pragma once

#include <QString>

#include "cli/convertoptions.h"

// The compressor a run uses: --codec when given, else `remembered`, with the
// numbers given over it, for remembered.container. The error names a number the
// compressor takes no notice of, rather than dropping it in silence, or a
// compressor the container cannot hold.
struct ChosenCompression {
    CompressOptions options;
    QString error;
};
ChosenCompression CompressionFor(const ConvertRequest& request, const CompressOptions& remembered);

// The dialog's name for what a user typed: a name `container` offers, in any
// case, or the encoder's own name ("mjpeg", "libx264", ...); "" when nothing matches.
QString CodecNameFor(const QString& text, VideoContainer container = VideoContainer::Avi);
