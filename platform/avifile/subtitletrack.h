#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

struct AVFormatContext;
struct AVPacket;
struct AVStream;

// One subtitle as a container stores it: UTF-8 text shown from `startMs` until `endMs`.
struct TimedText {
    qint64 startMs = 0;
    qint64 endMs = 0;
    QByteArray text;
};

// The text stream a container holds beside the video: 3GPP timed text
// (mov_text) in MP4, SubRip in Matroska.
enum class TextStreamKind { MovText, SubRip };

// Adds the text stream to `format` before its header is written; null when it cannot.
AVStream* AddTextStream(AVFormatContext* format, TextStreamKind kind);

// Writes the cues, in order, whose start is at or before `untilMs`, starting at
// `next`, which it advances; a negative AVERROR when the muxer refuses one.
int WriteTextPackets(AVFormatContext* format, AVStream* stream, TextStreamKind kind,
                     const QList<TimedText>& cues, qsizetype& next, qint64 untilMs);
