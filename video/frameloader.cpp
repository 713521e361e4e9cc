#include "video/frameloader.h"

#include <QFileInfo>
#include <QImage>

#include "util/failure.h"
#include "video/bitmapimage.h"
#include "video/cdib.h"

bool FrameLoader::loadFirst(const QString& path) {
    if (IsDirectBitmapFile(path)) return dib_.CreateFromFile(path);
    return convert(path, nullptr);
}

bool FrameLoader::load(const QString& path, const BitmapFormat& format) {
    if (IsDirectBitmapFile(path)) {
        if (!dib_.CreateFromFile(path)) return false;
        if (readerMatches(format)) return true;
    }
    return convert(path, &format);
}

bool FrameLoader::readerMatches(const BitmapFormat& format) const {
    BitmapFormat own;
    return ParseBitmapFormat(reinterpret_cast<const void*>(dib_.PointerToBitmapInfo()),
                             dib_.SizeBitmapInfo(), own) &&
           own.sameLayout(format);
}

bool FrameLoader::convert(const QString& path, const BitmapFormat* format) {
    const QImage image(path);
    if (image.isNull()) {
        if (!QFileInfo::exists(path)) throw Failure(QStringLiteral("File not found: ") + path);
        throw Failure(QStringLiteral("Invalid picture: ") + path);
    }
    if (format != nullptr) {
        SaveImageAsBitmap(FitImage(image, format->width, format->height), *format, scratch_);
    } else {
        BitmapFormat own;
        own.width = image.width();
        own.height = image.height();
        own.bitCount = 24;
        SaveImageAsBitmap(image, own, scratch_);
    }
    return dib_.CreateFromFile(scratch_);
}
