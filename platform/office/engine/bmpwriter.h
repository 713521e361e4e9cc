#pragma once

#include <string>

#include "platform/office/engine/pagebuffer.h"

// Writes a painted slide (4 bytes a pixel, top row first, premultiplied alpha)
// as a 24-bit bottom-up uncompressed BMP, composited over white. `bgra` tells
// the byte order of the source. Returns "" or the reason it failed.
// `scratch` holds the file while it is built.
std::string WriteSlideBitmap(const std::string& path, const unsigned char* pixels, int width,
                             int height, bool bgra, PageBuffer& scratch);
