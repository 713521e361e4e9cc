#pragma once

#include <QString>

// What FFmpeg's libraries say while writing ("[avi @ 0x...] ..."), one whole
// line at a time without its end of line, with the level FFmpeg gave it
// (AV_LOG_ERROR, AV_LOG_WARNING, ...). Without a sink they say nothing.
using FfmpegLogSink = void (*)(int level, const QString& line);

// Sends FFmpeg's errors and warnings to `sink` (nullptr: silence again). The
// sink may be called from an encoder's threads.
void SetFfmpegLogSink(FfmpegLogSink sink);

// Puts FFmpeg's log through the sink above instead of onto the terminal; the
// writer does this before it starts.
void RouteFfmpegLog();
