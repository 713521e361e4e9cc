#include "video/transitionframes.h"

#include <algorithm>
#include <cstring>

TransitionFrames::TransitionFrames(int width, int height, int bitCount, bool topDown) {
    layout_.width = width;
    layout_.height = height;
    layout_.bytesPerPixel = bitCount / 8;
    layout_.stride = ((qsizetype(width) * bitCount + 31) / 32) * 4;
    layout_.bottomUp = !topDown;
    // Black before the first slide, as a slide show starts.
    previous_.assign(size_t(layout_.bytes()), 0);
    picture_.assign(size_t(layout_.bytes()), 0);
}

PixelRows TransitionFrames::rows(const unsigned char* pixels) const {
    PixelRows rows = layout_;
    // The painter only reads its sources.
    rows.bits = const_cast<unsigned char*>(pixels);
    return rows;
}

bool TransitionFrames::lead(const PlannedSlide& slide, const unsigned char* pixels, qint64 size,
                            const AddPicture& add) {
    if (slide.transitionPictures <= 0 || size < layout_.bytes()) return true;
    const PixelRows out = rows(picture_.data());
    for (qint64 k = 0; k < slide.transitionPictures; ++k) {
        // Strictly between the two slides: neither picture is shown twice.
        const double progress = double(k + 1) / double(slide.transitionPictures + 1);
        if (!painter_.paint(slide.transition, progress, rows(previous_.data()), rows(pixels), out))
            return true;
        if (!add(picture_.data(), layout_.bytes(), slide.transitionStart + k * slide.transitionStep,
                 slide.transitionStep))
            return false;
    }
    return true;
}

void TransitionFrames::keep(const unsigned char* pixels, qint64 size) {
    if (size < layout_.bytes()) return;
    std::memcpy(previous_.data(), pixels, size_t(layout_.bytes()));
}
