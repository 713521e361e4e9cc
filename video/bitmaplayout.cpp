#include "video/bitmaplayout.h"

#include <climits>

namespace {
constexpr uint16_t BitmapType = 0x4D42;  // "BM"

uint16_t u16(const unsigned char* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t u32(const unsigned char* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
int32_t s32(const unsigned char* p) {
    return int32_t(u32(p));
}

// The info header at `p` and the masks and colour table after it, all within
// `available` bytes; the image size filled in when the header leaves it 0.
bool parseInfo(const unsigned char* p, int64_t available, BitmapLayout& layout) {
    if (available < BitmapInfoHeaderSize) return false;
    BitmapInfoHeader& info = layout.info;
    info.size = u32(p);
    info.width = s32(p + 4);
    info.height = s32(p + 8);
    info.planes = u16(p + 12);
    info.bitCount = u16(p + 14);
    info.compression = u32(p + 16);
    info.sizeImage = u32(p + 20);
    info.xPelsPerMeter = s32(p + 24);
    info.yPelsPerMeter = s32(p + 28);
    info.clrUsed = u32(p + 32);
    info.clrImportant = u32(p + 36);
    if (info.size < BitmapInfoHeaderSize || info.size > available) return false;

    // Each operand below is at most 32 bits wide, so the 64-bit sums cannot overflow.
    const bool bitfields = info.compression == BitmapCompressionBitfields;
    const int64_t masks = bitfields && info.size == BitmapInfoHeaderSize ? 12 : 0;
    const int64_t colours = info.clrUsed != 0                          ? int64_t(info.clrUsed)
                            : info.bitCount >= 1 && info.bitCount <= 8 ? int64_t(1) << info.bitCount
                                                                       : 0;
    if (colours > 256) return false;
    layout.paletteOffset = int64_t(info.size) + masks;
    layout.paletteEntries = int(colours);
    layout.infoBytes = layout.paletteOffset + 4 * colours;
    if (layout.infoBytes > available) return false;

    const bool uncompressed = info.compression == BitmapCompressionRgb || bitfields;
    if (uncompressed && info.width > 0 && info.height != 0 && info.height != INT32_MIN &&
        info.bitCount > 0) {
        const int64_t rows = info.height < 0 ? -int64_t(info.height) : int64_t(info.height);
        const int64_t stride = (int64_t(info.width) * info.bitCount + 31) / 32 * 4;
        int64_t frameBytes = 0;
        if (!__builtin_mul_overflow(stride, rows, &frameBytes)) {
            layout.rows = rows;
            layout.topDown = info.height < 0;
            layout.rowStride = stride;
            layout.frameBytes = frameBytes;
        }
    }
    // For uncompressed rows the field is only a hint: writers leave it 0 or
    // leave out the row padding. Width, height and bit count say the length.
    const bool rowsKnown = uncompressed && layout.frameBytes > 0 && layout.frameBytes <= INT32_MAX;
    if (info.sizeImage == 0) {
        if (!rowsKnown) return false;
        info.sizeImage = uint32_t(layout.frameBytes);
        layout.imageSizeComputed = true;
    } else if (rowsKnown && info.sizeImage != uint32_t(layout.frameBytes)) {
        info.sizeImage = uint32_t(layout.frameBytes);
        layout.imageSizeCorrected = true;
    }
    if (info.sizeImage > uint32_t(INT32_MAX)) return false;
    layout.imageBytes = info.sizeImage;
    return true;
}
}  // namespace

bool BitmapLayout::isPlainFrame() const {
    const bool depth = info.bitCount == 8 || info.bitCount == 24 || info.bitCount == 32;
    // FFmpeg's own limit on picture sizes (av_image_check_size).
    const bool size = (int64_t(info.width) + 128) * (rows + 128) < INT_MAX / 8;
    return info.compression == BitmapCompressionRgb && depth && frameBytes > 0 && size &&
           (info.bitCount != 8 || paletteEntries > 0);
}

std::optional<BitmapLayout> ParseBitmapFile(const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    if (p == nullptr || size < size_t(BitmapFileHeaderSize) || u16(p) != BitmapType)
        return std::nullopt;
    if (size < size_t(BitmapFileHeaderSize + BitmapInfoHeaderSize)) return std::nullopt;
    BitmapLayout layout;
    layout.file.type = u16(p);
    layout.file.size = u32(p + 2);
    layout.file.reserved1 = u16(p + 6);
    layout.file.reserved2 = u16(p + 8);
    layout.file.bitsOffset = u32(p + 10);
    const int64_t bitsOffset = layout.file.bitsOffset;
    if (bitsOffset < BitmapFileHeaderSize + BitmapInfoHeaderSize || uint64_t(bitsOffset) > size)
        return std::nullopt;
    if (!parseInfo(p + BitmapFileHeaderSize, bitsOffset - BitmapFileHeaderSize, layout))
        return std::nullopt;
    // In a file the info block is everything between the two headers and the pixels.
    layout.infoOffset = BitmapFileHeaderSize;
    layout.infoBytes = bitsOffset - BitmapFileHeaderSize;
    layout.bitsOffset = bitsOffset;
    if (uint64_t(bitsOffset + layout.imageBytes) > size) return std::nullopt;
    return layout;
}

std::optional<BitmapLayout> ParsePackedBitmap(const void* data, size_t size) {
    BitmapLayout layout;
    const auto* p = static_cast<const unsigned char*>(data);
    if (p == nullptr || !parseInfo(p, int64_t(size > size_t(INT64_MAX) ? INT64_MAX : size), layout))
        return std::nullopt;
    layout.bitsOffset = layout.infoBytes;
    if (uint64_t(layout.bitsOffset + layout.imageBytes) > size) return std::nullopt;
    return layout;
}

std::optional<BitmapLayout> ParseBitmapInfo(const void* data, size_t size) {
    BitmapLayout layout;
    const auto* p = static_cast<const unsigned char*>(data);
    if (p == nullptr || !parseInfo(p, int64_t(size > size_t(INT64_MAX) ? INT64_MAX : size), layout))
        return std::nullopt;
    return layout;
}
