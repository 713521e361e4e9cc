#pragma once

#include <QtGlobal>
#include <vector>

#include "video/transition.h"

// Rows of 24- or 32-bit blue-green-red pixels, the first row in memory on top or at the bottom.
struct PixelRows {
    unsigned char* bits = nullptr;
    int width = 0;
    int height = 0;
    int bytesPerPixel = 3;
    qsizetype stride = 0;
    bool bottomUp = true;

    // Row `y` counted from the top of the picture.
    unsigned char* row(int y) const { return bits + (bottomUp ? height - 1 - y : y) * stride; }
    qsizetype bytes() const { return stride * height; }
};

// Paints the pictures between two slides. Fades mix in linear light; moves copy
// whole runs of pixels, so a frame costs about one pass over its bytes.
class TransitionPainter {
  public:
    TransitionPainter();

    // `out` as `transition` shows it at `progress` (0: all `from`, 1: all `to`).
    // The three share one layout; false (nothing painted) when they do not or
    // the layout is not 24 or 32 bits.
    bool paint(const Transition& transition, double progress, const PixelRows& from,
               const PixelRows& to, const PixelRows& out) const;

  private:
    void mix(const PixelRows& a, const PixelRows& b, int weightB, const PixelRows& out) const;
    void mixColour(const PixelRows& a, quint16 linear, int weightColour,
                   const PixelRows& out) const;
    static void zoom(const PixelRows& picture, double scale, const PixelRows& out);

    std::vector<quint16> toLinear_;   // 256 entries: a stored value in linear light, 0..65535
    std::vector<quint8> fromLinear_;  // 65536 entries: the stored value nearest in light
};
