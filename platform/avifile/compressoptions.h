#pragma once

#include <QString>

// What the user chose in the compression dialog for one stream. All fields start
// "empty"; the dialog fills them.
struct CompressOptions {
    QString codec;          // encoder name as offered by the dialog; "" means uncompressed
    int quality = 0;        // 0..100, 0 = the encoder's default
    int keyFrameEvery = 1;  // key frame every N frames
    int dataRateKbps = 0;   // 0 = no data-rate limit
};
