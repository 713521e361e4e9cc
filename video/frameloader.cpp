#include "video/frameloader.h"

#include <QByteArrayView>
#include <QImage>
#include <cerrno>

#include "platform/avifile/bitmaplayout.h"
#include "util/failure.h"
#include "util/readwholefile.h"
#include "video/bitmapimage.h"
#include "video/cdib.h"

bool FrameLoader::loadFirst(const QString& path) {
    return load(path, nullptr);
}

bool FrameLoader::load(const QString& path, const BitmapFormat& format) {
    return load(path, &format);
}

bool FrameLoader::load(const QString& path, const BitmapFormat* format) {
    read(path);
    const bool bitmapFile = contents_.size() >= 2 && contents_[0] == 'B' && contents_[1] == 'M';
    const std::optional<BitmapLayout> layout = ParseBitmapFile(contents_.data(), contents_.size());
    // A bitmap file the reader refuses is refused (it says why); one whose pixels
    // fit the stream goes in as it is; anything else is converted.
    if (bitmapFile && (!layout || (layout->isPlainFrame() &&
                                   (format == nullptr || FitsFormat(contents_, *layout, *format)))))
        return dib_.CreateFromFileContents(path, contents_);
    return convert(path, format);
}

void FrameLoader::read(const QString& path) {
    const WholeFileRead read = ReadWholeFile(path, contents_, MaxBitmapFileBytes);
    if (read.kind == WholeFileRead::Read) return;
    if (read.kind == WholeFileRead::OpenFailed && read.error == ENOENT)
        throw Failure(QStringLiteral("File not found: ") + path);
    throw Failure(QStringLiteral("Invalid picture: ") + path);
}

bool FrameLoader::convert(const QString& path, const BitmapFormat* format) {
    const QImage image = QImage::fromData(QByteArrayView(
        reinterpret_cast<const char*>(contents_.data()), qsizetype(contents_.size())));
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
