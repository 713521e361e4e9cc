#include "platform/office/engine/bmpwriter.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <span>

#include "util/ownedfd.h"
#include "util/systemerror.h"
#include "util/writeall.h"

static void put16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

static void put32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::string WriteSlideBitmap(const std::string& path, const unsigned char* pixels, int width,
                             int height, bool bgra, PageBuffer& scratch) {
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t(3);
    const size_t imageSize = stride * static_cast<size_t>(height);
    const size_t headerSize = 54;
    // Every byte is written below, so a reused buffer needs no clearing.
    const std::span<unsigned char> file = scratch.take(headerSize + imageSize);

    unsigned char* h = file.data();
    std::fill(h, h + headerSize, 0);
    h[0] = 'B';
    h[1] = 'M';
    put32(h + 2, static_cast<uint32_t>(file.size()));
    put32(h + 10, headerSize);
    put32(h + 14, 40);
    put32(h + 18, static_cast<uint32_t>(width));
    put32(h + 22, static_cast<uint32_t>(height));  // positive: bottom-up rows
    put16(h + 26, 1);
    put16(h + 28, 24);
    put32(h + 30, 0);  // BI_RGB
    put32(h + 34, static_cast<uint32_t>(imageSize));
    put32(h + 38, 3780);  // 96 pixels per inch
    put32(h + 42, 3780);

    const int r = bgra ? 2 : 0;
    const int b = bgra ? 0 : 2;
    for (int y = 0; y < height; ++y) {
        const unsigned char* src = pixels + static_cast<size_t>(y) * width * 4;
        unsigned char* dst = h + headerSize + static_cast<size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x, src += 4, dst += 3) {
            // Premultiplied colour over white: c + (255 - alpha).
            const int clear = 255 - src[3];
            dst[0] = static_cast<unsigned char>(std::min(255, src[b] + clear));
            dst[1] = static_cast<unsigned char>(std::min(255, src[1] + clear));
            dst[2] = static_cast<unsigned char>(std::min(255, src[r] + clear));
        }
        std::fill(dst, h + headerSize + static_cast<size_t>(height - y) * stride, 0);
    }

    OwnedFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd.valid()) return SystemErrorText(errno);
    if (const int error = WriteAll(fd.get(), file.data(), file.size()); error != 0)
        return SystemErrorText(error);
    if (::close(fd.release()) != 0) return SystemErrorText(errno);
    return {};
}
