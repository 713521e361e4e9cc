#pragma once

#include <QByteArray>
#include <QImage>

// Device-independent bitmaps built independently of the product's own code.
struct Dib {
    QByteArray info;  // BITMAPINFOHEADER and colour table
    QByteArray bits;  // rows padded to 32 bits
};

// `image` as a BI_RGB DIB of 8 (with the image's own palette), 24 or 32 bits.
Dib MakeDib(const QImage& image, int bitCount, bool topDown = false);
// The BMP file holding `dib` (bits right after the info block).
QByteArray MakeBmpFile(const Dib& dib);
// A picture with gradients, blocks and thin lines that differs for each seed.
QImage TestPattern(int width, int height, int seed);
