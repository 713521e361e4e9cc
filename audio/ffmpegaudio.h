#pragma once

#include <QString>
#include <memory>

#include "video/ffmpegptr.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

// Owners of the FFmpeg objects only sound reading needs.
struct SwrContextFree {
    void operator()(SwrContext* context) const { swr_free(&context); }
};
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextFree>;

// FFmpeg's words for an error code.
QString AvErrorText(int error);

// A resampler from `layout`, `format` and `rate` to 48 kHz stereo floats; null when refused.
SwrContextPtr MakeResampler(const AVChannelLayout& layout, AVSampleFormat format, int rate);
