#pragma once

#include <QtGlobal>
#include <functional>
#include <memory>

#include "video/bitmapformat.h"
#include "video/codeclist.h"
#include "video/compressoptions.h"
#include "video/ffmpegptr.h"

// What the container asks of the stream.
struct StreamNeeds {
    bool globalHeader = false;  // it keeps the stream's headers itself (MP4, Matroska)
    bool topDownRows = false;   // uncompressed rows top-down: Matroska's readers ignore the mark
    bool statesColour = false;  // it states matrix and range even where the stream cannot
};

// Receives each packet a frame becomes; returns 0 or a negative FFmpeg error.
using PacketSink = std::function<int(AVPacket*)>;

// Turns DIB frames of one fixed layout into the packets of one video stream: as
// they are for the uncompressed entry, else through libswscale and an encoder.
// Each frame carries its own duration, in the stream's time base.
class FrameEncoder {
  public:
    virtual ~FrameEncoder() = default;

    // nullptr when the encoder is missing or refuses the layout or options.
    static std::unique_ptr<FrameEncoder> create(const BitmapFormat& format, const CodecEntry& codec,
                                                const CompressOptions& options, AVRational timeBase,
                                                const StreamNeeds& needs);

    // The stream parameters the muxer writes into the stream header.
    virtual int fillParameters(AVCodecParameters* parameters) const = 0;
    // One frame of exactly format.imageBytes() bytes at `position`, shown for
    // `duration` (> 0) time-base units.
    virtual int encode(const unsigned char* pixels, qint64 position, qint64 duration, bool keyFrame,
                       const PacketSink& sink) = 0;
    // Hands out the packets an encoder still holds back.
    virtual int flush(const PacketSink& sink) = 0;
};
