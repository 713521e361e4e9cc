#pragma once

#include "util/videooptions.h"

struct AVCodecParameters;
struct AVDictionary;

// libavformat's name for the container's muxer.
const char* MuxerName(VideoContainer container);

// What each muxer is told before its header: AVI's uncompressed rows marked in
// their own order (upright for every player), MP4's index at the front so a browser plays the
// file while it downloads, Matroska's cues at the front for seeking, and the
// tag Apple's players want for H.265.
void SetMuxerOptions(VideoContainer container, bool bottomUpRows, AVCodecParameters* parameters,
                     AVDictionary** options);
