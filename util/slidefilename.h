#pragma once

#include <string>

// A slide's frame is "Slide<n>.bmp" (n from 1) from the engine's export to the
// video; the engine, the staging and the writer all name it this way.
inline constexpr char SlideFilePrefix[] = "Slide";
inline constexpr char SlideFileSuffix[] = ".bmp";

inline std::string SlideFileName(int number) {
    return SlideFilePrefix + std::to_string(number) + SlideFileSuffix;
}
