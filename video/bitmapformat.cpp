#include "video/bitmapformat.h"

#include <QtEndian>
#include <cstring>

#include "video/bitmaplayout.h"

bool BitmapFormat::sameLayout(const BitmapFormat& other) const {
    return width == other.width && height == other.height && topDown == other.topDown &&
           bitCount == other.bitCount && paletteSize == other.paletteSize &&
           palette == other.palette;
}

bool ParseBitmapFormat(const void* block, qint64 size, BitmapFormat& format) {
    if (size < 0) return false;
    const std::optional<BitmapLayout> layout = ParseBitmapInfo(block, size_t(size));
    if (!layout || !layout->isPlainFrame()) return false;

    BitmapFormat parsed;
    parsed.width = layout->info.width;
    parsed.height = int(layout->rows);
    parsed.topDown = layout->topDown;
    parsed.bitCount = layout->info.bitCount;
    if (parsed.bitCount == 8) {
        const auto* table = static_cast<const unsigned char*>(block) + layout->paletteOffset;
        parsed.paletteSize = layout->paletteEntries;
        for (int i = 0; i < parsed.paletteSize; ++i)
            parsed.palette[i] = qFromLittleEndian<quint32>(table + 4 * i) & 0xFFFFFFu;
    }
    format = parsed;
    return true;
}
