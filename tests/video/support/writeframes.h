#pragma once

#include <QList>
#include <QString>
#include <optional>
#include <span>

#include "dibbuilder.h"
#include "video/compressoptions.h"
#include "video/videowriter.h"

// Writes `frames` at `positions` (default 0, 1, 2, ...) one position each, at
// `rate` / `scale` positions a second, in the container the target's extension names;
// `sound` (interleaved 48 kHz stereo) beside them in equal shares, when given.
VideoWriterResult WriteFrames(const QString& target, const QList<Dib>& frames, quint32 rate,
                              quint32 scale, const std::optional<CompressOptions>& options,
                              const QList<qint64>& positions = {},
                              std::span<const float> sound = {});
