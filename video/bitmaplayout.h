#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// The 14-byte BMP file header, as stored.
struct BitmapFileHeader {
    uint16_t type = 0;
    uint32_t size = 0;
    uint16_t reserved1 = 0;
    uint16_t reserved2 = 0;
    uint32_t bitsOffset = 0;
};

// The 40-byte BITMAPINFOHEADER, as stored.
struct BitmapInfoHeader {
    uint32_t size = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
};

inline constexpr int64_t BitmapFileHeaderSize = 14;
inline constexpr int64_t BitmapInfoHeaderSize = 40;
// The longest file whose pixels a header can reach: a 32-bit bits offset, then
// at most INT32_MAX pixel bytes.
inline constexpr int64_t MaxBitmapFileBytes = int64_t(UINT32_MAX) + INT32_MAX;
inline constexpr uint32_t BitmapCompressionRgb = 0;
inline constexpr uint32_t BitmapCompressionBitfields = 3;

// Where everything of one device-independent bitmap lies. Every offset and
// length has been checked against the bytes it was parsed from; no sum or
// product of header fields can overflow on the way.
struct BitmapLayout {
    BitmapFileHeader file;  // all zero unless a whole file was parsed
    // As stored, except that the image size of an uncompressed bitmap is the
    // size its rows take: computed when the field is 0 (imageSizeComputed),
    // corrected when it states another size (imageSizeCorrected).
    BitmapInfoHeader info;
    bool imageSizeComputed = false;
    bool imageSizeCorrected = false;

    int64_t infoOffset = 0;     // first byte of the info header
    int64_t infoBytes = 0;      // info header, colour masks and colour table
    int64_t paletteOffset = 0;  // first colour table entry, from the info header's start
    int paletteEntries = 0;
    int64_t bitsOffset = 0;  // first pixel byte; 0 for an info block alone
    int64_t imageBytes = 0;  // pixel bytes: info.sizeImage, at most INT32_MAX

    // The rows of an uncompressed image; zero when the header describes none.
    int64_t rows = 0;
    bool topDown = false;
    int64_t rowStride = 0;   // bytes a row takes, padded to 32 bits
    int64_t frameBytes = 0;  // rowStride * rows

    // Uncompressed rows of 8 bits with a colour table, 24 or 32 bits, of a size
    // a video stream can take: pixels that can be stored as they are.
    bool isPlainFrame() const;
};

// A whole BMP file: file header, info block up to the bits offset, pixels.
std::optional<BitmapLayout> ParseBitmapFile(const void* data, size_t size);
// A packed bitmap: info header, colour masks or table, then the pixels.
std::optional<BitmapLayout> ParsePackedBitmap(const void* data, size_t size);
// A BITMAPINFO block: info header, then colour masks or table; no pixels.
std::optional<BitmapLayout> ParseBitmapInfo(const void* data, size_t size);
