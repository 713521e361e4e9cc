#pragma once

#include "video/videocontainer.h"

#include "video/videochapter.h"

struct AVCodecParameters;
struct AVDictionary;

// libavformat's name for the container's muxer.
const char* MuxerName(VideoContainer container);

// What each muxer is told before its header: AVI's uncompressed rows marked in
// their own order (upright for every player), MP4's index at the front so a browser plays the
// file while it downloads, Matroska's cues at the front for seeking, and the
// tag Apple's players want for H.265.
int SetMuxerOptions(VideoContainer container, bool bottomUpRows, AVCodecParameters* parameters,
                    AVDictionary** options);

// The chapters as the muxer lists them: the innermost ones, in milliseconds.
// 0 or a negative AVERROR.
int AddChapters(AVFormatContext* format, const QList<VideoChapter>& chapters);
