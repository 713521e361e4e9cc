// libFuzzer entry point for the bitmap layout parser: every layout it accepts
// must lie within the bytes it was given.
#include <cstddef>
#include <cstdint>

#include "video/bitmaplayout.h"

namespace {
void check(bool holds) {
    if (!holds) __builtin_trap();
}

// Reads every byte the layout claims, so a sanitizer sees any claim past the end.
unsigned touch(const uint8_t* data, int64_t from, int64_t count) {
    unsigned sum = 0;
    for (int64_t i = 0; i < count; ++i) sum += data[from + i];
    return sum;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int64_t length = int64_t(size);
    if (const auto file = ParseBitmapFile(data, size)) {
        check(file->infoOffset + file->infoBytes == file->bitsOffset);
        check(file->bitsOffset + file->imageBytes <= length);
        check(file->paletteOffset + 4 * file->paletteEntries <= file->infoBytes);
        touch(data, file->bitsOffset, file->imageBytes);
    }
    if (const auto packed = ParsePackedBitmap(data, size)) {
        check(packed->bitsOffset == packed->infoBytes);
        check(packed->bitsOffset + packed->imageBytes <= length);
        touch(data, packed->paletteOffset, 4 * packed->paletteEntries);
    }
    if (const auto info = ParseBitmapInfo(data, size)) {
        check(info->infoBytes <= length);
        if (info->isPlainFrame()) check(info->frameBytes == info->rowStride * info->rows);
    }
    return 0;
}
