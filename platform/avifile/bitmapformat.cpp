#include "platform/avifile/bitmapformat.h"

#include <QtEndian>
#include <cstring>

extern "C" {
#include <libavutil/imgutils.h>
}

namespace {
quint32 u32(const unsigned char* p) {
    return qFromLittleEndian<quint32>(p);
}
qint32 s32(const unsigned char* p) {
    return qFromLittleEndian<qint32>(p);
}
quint16 u16(const unsigned char* p) {
    return qFromLittleEndian<quint16>(p);
}
}  // namespace

bool BitmapFormat::sameLayout(const BitmapFormat& other) const {
    return width == other.width && height == other.height && topDown == other.topDown &&
           bitCount == other.bitCount && paletteSize == other.paletteSize &&
           palette == other.palette;
}

bool ParseBitmapFormat(const void* block, qint64 size, BitmapFormat& format) {
    constexpr qint64 BI_RGB = 0;
    if (block == nullptr || size < 40) return false;
    const auto* p = static_cast<const unsigned char*>(block);
    const quint32 headerSize = u32(p);
    if (headerSize < 40 || headerSize > size) return false;
    const qint32 width = s32(p + 4);
    const qint32 height = s32(p + 8);
    const int bitCount = u16(p + 14);
    if (u32(p + 16) != BI_RGB) return false;
    if (bitCount != 8 && bitCount != 24 && bitCount != 32) return false;
    if (width <= 0 || height == 0 || height == INT32_MIN) return false;
    if (av_image_check_size(unsigned(width), unsigned(qAbs(height)), 0, nullptr) < 0) return false;

    BitmapFormat parsed;
    parsed.width = width;
    parsed.height = qAbs(height);
    parsed.topDown = height < 0;
    parsed.bitCount = bitCount;
    if (bitCount == 8) {
        const quint32 used = u32(p + 32);
        const qint64 entries = used == 0 ? 256 : used;
        if (entries > 256) return false;
        if (headerSize + entries * 4 > size) return false;
        parsed.paletteSize = int(entries);
        for (int i = 0; i < parsed.paletteSize; ++i)
            parsed.palette[i] = u32(p + headerSize + 4 * i) & 0xFFFFFFu;
    }
    format = parsed;
    return true;
}
