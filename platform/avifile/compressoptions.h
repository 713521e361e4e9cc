#pragma once

#include <QString>

// What the user chose in the compression dialog for one stream. All fields start
// "empty"; the dialog fills them.
struct CompressOptions {
    QString codec;          // encoder name as offered by the dialog; "" means uncompressed
    int quality = 0;        // 0..100, 0 = the encoder's default
    int keyFrameEvery = 1;  // key frame every N frames
    int dataRateKbps = 0;   // 0 = no data-rate limit (kilobytes per second)
};

// The settings group the dialog remembers its last choice in; the program's own
// group is left alone.
inline constexpr const char* CompressionSettingsGroup = "Compression";

// The remembered choice, or the defaults (uncompressed, every frame a key frame).
// Never fails: unreadable or out-of-range values fall back to the defaults.
CompressOptions LoadCompressOptions();
// Remembers a choice; a store that cannot be written is ignored (a convenience only).
void SaveCompressOptions(const CompressOptions& options);
