#pragma once

#include <QByteArray>
#include <QtGlobal>

#include "video/ffmpegptr.h"

struct AVFormatContext;
struct AVStream;

// The text stream a container holds beside the video: 3GPP timed text
// (mov_text) in MP4, SubRip in Matroska.
enum class TextStreamKind { MovText, SubRip };

// Adds the text stream to `format` before its header is written; null when it cannot.
AVStream* AddTextStream(AVFormatContext* format, TextStreamKind kind);

// One cue as the stream's packet, times in milliseconds; null when out of memory.
AvPacketPtr TextPacket(TextStreamKind kind, const QByteArray& text, qint64 startMs,
                       qint64 durationMs);
