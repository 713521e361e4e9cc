#pragma once

#include <QImage>
#include <QString>
#include <vector>

#include "video/bitmapformat.h"

class cDIB;

// Brings one frame image into the bitmap reader for the AVI writer, opening it
// once: a BMP whose pixels the stream can take is read as it is; anything else
// is converted with QImage into the scratch bitmap, which the reader then reads.
class FrameLoader {
  public:
    FrameLoader(cDIB& dib, QString scratchBitmap) : dib_(dib), scratch_(std::move(scratchBitmap)) {}

    // The image that fixes the stream format, at its own size.
    bool loadFirst(const QString& path);
    // A later image, fitted into `format` (size, depth, row order, colour table)
    // when its own layout differs, so every frame matches the stream format.
    bool load(const QString& path, const BitmapFormat& format);

    // False when the reader refused the image (it has said why). Images that
    // cannot be read (named with the system's reason: a FIFO or a folder among
    // them) or loaded as pictures, and an unwritable scratch bitmap throw Failure.

  private:
    bool load(const QString& path, const BitmapFormat* format);
    bool convert(const QString& path, const QImage& image, const BitmapFormat* format);

    cDIB& dib_;
    QString scratch_;
    std::vector<unsigned char> contents_;
};
