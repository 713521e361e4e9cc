#include "video/frameloader.h"

#include <QByteArrayView>
#include <QImage>

#include "util/failure.h"
#include "video/bitmapimage.h"
#include "video/bitmaplayout.h"
#include "video/cdib.h"
#include "video/imagefile.h"

bool FrameLoader::loadFirst(const QString& path) {
    return load(path, nullptr);
}

bool FrameLoader::load(const QString& path, const BitmapFormat& format) {
    return load(path, &format);
}

bool FrameLoader::load(const QString& path, const BitmapFormat* format) {
    ImageFile file(path);
    if (!file.isOpen())
        throw Failure(QStringLiteral("Cannot read the frame %1: %2").arg(path, file.reason()));
    if (!file.isBitmap()) return convert(path, file.readImage(), format);
    file.readBitmap(contents_);
    const std::optional<BitmapLayout> layout = ParseBitmapFile(contents_.data(), contents_.size());
    // A bitmap file the reader refuses is refused (it says why); one whose pixels
    // fit the stream goes in as it is; anything else is converted.
    if (!layout ||
        (layout->isPlainFrame() && (format == nullptr || FitsFormat(contents_, *layout, *format))))
        return dib_.CreateFromFileContents(path, contents_);
    return convert(path,
                   QImage::fromData(QByteArrayView(reinterpret_cast<const char*>(contents_.data()),
                                                   qsizetype(contents_.size()))),
                   format);
}

bool FrameLoader::convert(const QString& path, const QImage& image, const BitmapFormat* format) {
    if (image.isNull()) throw Failure(QStringLiteral("Invalid picture: ") + path);
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
