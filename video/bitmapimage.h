#pragma once

#include <QImage>
#include <QString>

#include "platform/avifile/bitmapformat.h"

// True when `path` starts like a BMP file whose pixels an AVI stream can take as
// they are: uncompressed (BI_RGB) with 8 bits and a colour table, 24 or 32 bits.
bool IsDirectBitmapFile(const QString& path);

// `image` scaled into width x height with its aspect kept, centred on black.
QImage FitImage(const QImage& image, int width, int height);

// Writes `image` (already format.width x format.height) as an uncompressed BMP
// file of `format`'s layout: depth, row order and colour table. Throws Failure
// when the file cannot be written.
void SaveImageAsBitmap(const QImage& image, const BitmapFormat& format, const QString& path);
