#pragma once

#include <QString>

#include "util/videooptions.h"

// The settings group the dialog remembers its last choice in; the program's own
// group is left alone.
inline constexpr const char* CompressionSettingsGroup = "Compression";

// The remembered choice for `container`, or its defaults (AVI: uncompressed, MP4:
// H.264; every frame a key frame). Never fails: unreadable or out-of-range values
// fall back to the defaults. The numbers are shared by the containers, the
// compressor is remembered for each.
CompressOptions LoadCompressOptions(VideoContainer container = VideoContainer::Avi);
// Remembers a choice for options.container; a store that cannot be written is
// ignored (a convenience only).
void SaveCompressOptions(const CompressOptions& options);
