#pragma once

#include <QtGlobal>
#include <numeric>

// How long each frame shows, as the AVI stream header holds it: `rate` / `scale`
// frames a second.
struct FrameTiming {
    quint32 rate = 1;
    quint32 scale = 1;
};

// Each frame lasting `milliseconds` (> 0): 1000 / milliseconds frames a second,
// in lowest terms, so the header states the duration exactly.
inline constexpr FrameTiming FrameTimingForDuration(quint32 milliseconds) {
    const quint32 common = std::gcd(1000u, milliseconds);
    return {1000u / common, milliseconds / common};
}

// The frame-rate box's number as the writer takes it: 1 to 30 frames a second.
inline constexpr FrameTiming FrameTimingForRate(int framesPerSecond) {
    return {quint32(framesPerSecond < 1 ? 1 : framesPerSecond > 30 ? 30 : framesPerSecond), 1};
}
