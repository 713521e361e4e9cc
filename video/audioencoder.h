#pragma once

#include <QString>
#include <memory>
#include <span>
#include <vector>

#include "video/ffmpegptr.h"
#include "video/frameencoder.h"
#include "video/videocontainer.h"

// The sound every video is given: 48 kHz, two channels.
inline constexpr int AudioSampleRate = 48000;
inline constexpr int AudioChannels = 2;

// How the sound is stored: AAC in MP4, AAC (the default) or Opus in Matroska,
// 16-bit PCM in AVI.
enum class AudioCodec { ContainerDefault, Aac, Opus, Pcm };

struct AudioStreamFormat {
    AudioCodec codec = AudioCodec::ContainerDefault;
    qint64 bitsPerSecond = 0;  // 0: the codec's usual rate (PCM has its own)
};

// Turns interleaved float samples into the packets of one sound stream, in
// the encoder's own frame sizes; packet times count samples from the start.
class AudioEncoder {
  public:
    // nullptr with `reason` when the container cannot hold the codec or the
    // encoder is missing or refuses.
    static std::unique_ptr<AudioEncoder> create(const AudioStreamFormat& stream,
                                                VideoContainer container, bool globalHeader,
                                                QString& reason);

    AVRational timeBase() const { return AVRational{1, AudioSampleRate}; }
    int fillParameters(AVCodecParameters* parameters) const;
    int add(std::span<const float> samples, const PacketSink& sink);
    // The last, shorter frame and what the encoder still holds.
    int flush(const PacketSink& sink);

  private:
    AudioEncoder() = default;
    int encodeFrame(const float* samples, int count, const PacketSink& sink);
    int drain(const PacketSink& sink);

    AvCodecContextPtr context_;
    AvFramePtr frame_;
    int frameSize_ = 0;
    bool smallLastFrame_ = false;
    qint64 sent_ = 0;             // samples given to the encoder
    qint64 shift_ = 0;            // added to every packet's time, so none starts before 0
    std::vector<float> pending_;  // interleaved, less than a frame
};
