#pragma once

#include <string>

// Whether the presentation at `path` may hold pictures, told from its
// container's directory (or, for flat XML, a scan of its text) without
// loading it. True whenever it cannot be told: only a file known to hold no
// pictures gives false.
bool MayHoldPictures(const std::string& path);
