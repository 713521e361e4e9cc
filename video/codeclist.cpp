#include "video/codeclist.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {
constexpr unsigned Avi = ContainerBit(VideoContainer::Avi);
constexpr unsigned Mp4 = ContainerBit(VideoContainer::Mp4);
constexpr unsigned Matroska = ContainerBit(VideoContainer::Matroska);

// Cinepak and Video 1 code 4x4 blocks; 4:2:0 needs even sizes. MP4 takes only
// what its players decode; Matroska takes everything. SVT-AV1 (FFmpeg 5.1) is
// left out: it makes only the first frame a key frame, whatever it is asked.
constexpr CodecEntry codecs[] = {
    {UncompressedCodecName, nullptr, false, false, false, 1, Avi | Matroska},
    {"H.264", "libx264", true, true, true, 2, Avi | Mp4 | Matroska},
    {"Motion JPEG", "mjpeg", true, false, true, 1, Avi | Matroska},
    {"MPEG-4 part 2", "mpeg4", true, true, true, 2, Avi | Mp4 | Matroska},
    {"FFV1", "ffv1", false, true, false, 1, Avi | Matroska},
    {"HuffYUV", "huffyuv", false, false, false, 1, Avi | Matroska},
    {"Cinepak", "cinepak", false, true, false, 4, Avi | Matroska},
    {"Microsoft Video 1", "msvideo1", false, true, false, 4, Avi | Matroska},
    {"PNG", "png", false, false, false, 1, Avi | Matroska},
    {"ZMBV", "zmbv", false, true, false, 1, Avi | Matroska},
    {"H.265", "libx265", true, true, true, 2, Mp4 | Matroska},
    {"VP9", "libvpx-vp9", true, true, true, 2, Mp4 | Matroska},
};

// The AVI dialog lists the classic codecs first, so H.264 follows MPEG-4 part 2.
constexpr const char* aviOrder[] = {
    UncompressedCodecName, "Motion JPEG", "MPEG-4 part 2", "H.264", "FFV1", "HuffYUV", "Cinepak",
    "Microsoft Video 1",   "PNG",         "ZMBV"};

bool isAvailable(const CodecEntry& entry) {
    return entry.encoder == nullptr || avcodec_find_encoder_by_name(entry.encoder) != nullptr;
}

const CodecEntry* named(const QString& name) {
    for (const CodecEntry& entry : codecs)
        if (name == QLatin1String(entry.name)) return &entry;
    return nullptr;
}

bool offered(const CodecEntry* entry, VideoContainer container) {
    return entry != nullptr && (entry->containers & ContainerBit(container)) != 0 &&
           isAvailable(*entry);
}
}  // namespace

QStringList AvailableCodecNames(VideoContainer container) {
    QStringList names;
    if (container == VideoContainer::Avi) {
        for (const char* name : aviOrder)
            if (offered(named(QLatin1String(name)), container)) names << QLatin1String(name);
        return names;
    }
    // Matroska: the AVI compressors in their order, then what MP4 adds.
    if (container == VideoContainer::Matroska) names = AvailableCodecNames(VideoContainer::Avi);
    for (const CodecEntry& entry : codecs)
        if (offered(&entry, container) && !names.contains(QLatin1String(entry.name)))
            names << QLatin1String(entry.name);
    return names;
}

const CodecEntry* FindCodec(const QString& name, VideoContainer container) {
    if (name.isEmpty()) {
        const QStringList names = AvailableCodecNames(container);
        return names.isEmpty() ? nullptr : named(names.first());
    }
    const CodecEntry* entry = named(name);
    return offered(entry, container) ? entry : nullptr;
}
