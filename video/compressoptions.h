#pragma once

#include <QString>

#include "video/videocontainer.h"

// What the user chose in the compression dialog for one stream. All fields start
// "empty"; the dialog fills them.
struct CompressOptions {
    QString codec;          // encoder name as offered by the dialog; "": the container's default
    int quality = 0;        // 0..100, 0 = the encoder's default
    int keyFrameEvery = 1;  // key frame every N frames
    qint64 dataRateBitsPerSecond = 0;  // 0 = no data-rate limit
    // Which container the compressor is for: the writer says, the dialog offers its compressors.
    VideoContainer container = VideoContainer::Avi;
};

// The dialog counts data rates in kilobytes (1024 bytes) a second, the command
// line in kilobits (1000 bits) a second.
inline constexpr qint64 BitsPerDialogKilobyte = 8 * 1024;
inline constexpr qint64 BitsPerKilobit = 1000;
inline constexpr qint64 DialogKilobytes(qint64 bitsPerSecond) {
    return (bitsPerSecond + BitsPerDialogKilobyte / 2) / BitsPerDialogKilobyte;
}

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
