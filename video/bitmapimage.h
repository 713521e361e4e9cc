#pragma once

#include <QImage>
#include <QString>
#include <vector>

#include "video/bitmapformat.h"

struct BitmapLayout;

// True when the bitmap file `contents`, of `layout`, holds pixels of exactly
// `format`'s layout, so they can follow the stream's earlier frames as they are.
bool FitsFormat(const std::vector<unsigned char>& contents, const BitmapLayout& layout,
                const BitmapFormat& format);

// `image` scaled into width x height with its aspect kept, centred on black.
QImage FitImage(const QImage& image, int width, int height);

// Writes `image` (already format.width x format.height) as an uncompressed BMP
// file of `format`'s layout: depth, row order and colour table. Throws Failure
// when the file cannot be written.
void SaveImageAsBitmap(const QImage& image, const BitmapFormat& format, const QString& path);
