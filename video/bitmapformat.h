#pragma once

#include <QtGlobal>
#include <array>

// The frame layout a BITMAPINFO block describes, as far as the AVI layer takes
// it: uncompressed (BI_RGB) rows of 8 bits with a colour table, 24 or 32 bits.
struct BitmapFormat {
    int width = 0;
    int height = 0;        // rows, always positive
    bool topDown = false;  // a negative height in the block: first row on top
    int bitCount = 0;
    int paletteSize = 0;                 // colour table entries (8-bit only)
    std::array<quint32, 256> palette{};  // 0x00RRGGBB, unused entries black

    qint64 rowBytes() const { return ((qint64(width) * bitCount + 31) / 32) * 4; }
    qint64 imageBytes() const { return rowBytes() * height; }
    // Same pixel layout (palette included), so one frame can follow the other.
    bool sameLayout(const BitmapFormat& other) const;
};

// Reads a BITMAPINFO block (header of at least 40 bytes, then the colour table).
// False for anything else, for sizes FFmpeg cannot take, and for a block too short
// for what its header claims.
bool ParseBitmapFormat(const void* block, qint64 size, BitmapFormat& format);
