#pragma once

#include <QtGlobal>
#include <memory>
#include <vector>

// Every sound of a video: 48 kHz, two channels, samples from -1 to 1.
inline constexpr int PcmRate = 48000;
inline constexpr int PcmChannels = 2;

// Interleaved stereo samples (left, right, left, ...).
struct Pcm {
    std::vector<float> samples;
    qint64 frames() const { return qint64(samples.size()) / PcmChannels; }
    qint64 milliseconds() const { return (frames() * 1000 + PcmRate - 1) / PcmRate; }
};
using SharedPcm = std::shared_ptr<const Pcm>;

// Sample frames in `ms` milliseconds, and back, rounded to the nearest.
inline constexpr qint64 PcmFrames(qint64 ms) {
    return (ms * PcmRate + 500) / 1000;
}
inline constexpr qint64 PcmMilliseconds(qint64 frames) {
    return (frames * 1000 + PcmRate / 2) / PcmRate;
}
