#include "platform/avifile/codeclist.h"

#include <iterator>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {
// Cinepak and Video 1 code 4x4 blocks; 4:2:0 needs even sizes for x264.
constexpr CodecEntry codecs[] = {
    {UncompressedCodecName, nullptr, false, false, false, 1},
    {"Motion JPEG", "mjpeg", true, false, true, 1},
    {"MPEG-4 part 2", "mpeg4", true, true, true, 2},
    {"H.264", "libx264", true, true, true, 2},
    {"FFV1", "ffv1", false, true, false, 1},
    {"HuffYUV", "huffyuv", false, false, false, 2},
    {"Cinepak", "cinepak", false, true, false, 4},
    {"Microsoft Video 1", "msvideo1", false, true, false, 4},
    {"PNG", "png", false, false, false, 1},
    {"ZMBV", "zmbv", false, true, false, 1},
};

bool isAvailable(const CodecEntry& entry) {
    return entry.encoder == nullptr || avcodec_find_encoder_by_name(entry.encoder) != nullptr;
}
}  // namespace

QStringList AvailableCodecNames() {
    QStringList names;
    for (const CodecEntry& entry : codecs)
        if (isAvailable(entry)) names << QLatin1String(entry.name);
    return names;
}

const CodecEntry* FindCodec(const QString& name) {
    if (name.isEmpty()) return &codecs[0];
    for (const CodecEntry& entry : codecs)
        if (name == QLatin1String(entry.name)) return isAvailable(entry) ? &entry : nullptr;
    return nullptr;
}
