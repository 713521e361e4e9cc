#pragma once

// The heights, in pixels, slides may be painted at instead of 96 pixels per
// inch: even, from a small preview to 8K.
inline constexpr int LowestSlideHeight = 240;
inline constexpr int HighestSlideHeight = 4320;

inline constexpr bool IsSlideHeight(long long pixels) {
    return pixels >= LowestSlideHeight && pixels <= HighestSlideHeight && pixels % 2 == 0;
}
