#include "video/bitmapimage.h"

#include <QFile>
#include <QtEndian>
#include <cstring>
#include <vector>

#include "util/failure.h"
#include "video/bitmaplayout.h"

bool FitsFormat(const std::vector<unsigned char>& contents, const BitmapLayout& layout,
                const BitmapFormat& format) {
    BitmapFormat own;
    return ParseBitmapFormat(contents.data() + layout.infoOffset, layout.infoBytes, own) &&
           own.sameLayout(format);
}

QImage FitImage(const QImage& image, int width, int height) {
    QImage canvas(width, height, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    const QImage scaled = image.convertToFormat(QImage::Format_RGB32)
                              .scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const int left = (width - scaled.width()) / 2;
    const int top = (height - scaled.height()) / 2;
    for (int y = 0; y < scaled.height(); ++y)
        std::memcpy(canvas.scanLine(top + y) + 4 * left, scaled.constScanLine(y),
                    size_t(scaled.width()) * 4);
    return canvas;
}

void SaveImageAsBitmap(const QImage& image, const BitmapFormat& format, const QString& path) {
    QImage source;
    if (format.bitCount == 8) {
        QList<QRgb> table;
        for (int i = 0; i < format.paletteSize; ++i) table << (format.palette[i] | 0xFF000000u);
        source = image.convertToFormat(QImage::Format_Indexed8, table);
    } else {
        // Both lay a pixel out in memory as the DIB does: B, G, R (and an unused byte).
        source = image.convertToFormat(format.bitCount == 24 ? QImage::Format_BGR888
                                                             : QImage::Format_RGB32);
    }
    const int headerBytes = 14 + 40 + 4 * format.paletteSize;
    const qint64 rowBytes = format.rowBytes();
    const qint64 imageBytes = format.imageBytes();
    std::vector<unsigned char> bytes(size_t(headerBytes + imageBytes), 0);
    unsigned char* p = bytes.data();
    qToLittleEndian<quint16>(0x4D42, p);
    qToLittleEndian<quint32>(quint32(headerBytes + imageBytes), p + 2);
    qToLittleEndian<quint32>(quint32(headerBytes), p + 10);
    qToLittleEndian<quint32>(40, p + 14);
    qToLittleEndian<qint32>(format.width, p + 18);
    qToLittleEndian<qint32>(format.topDown ? -format.height : format.height, p + 22);
    qToLittleEndian<quint16>(1, p + 26);
    qToLittleEndian<quint16>(quint16(format.bitCount), p + 28);
    qToLittleEndian<quint32>(quint32(imageBytes), p + 34);
    qToLittleEndian<qint32>(3780, p + 38);  // 96 pixels per inch
    qToLittleEndian<qint32>(3780, p + 42);
    qToLittleEndian<quint32>(quint32(format.paletteSize), p + 46);
    for (int i = 0; i < format.paletteSize; ++i)
        qToLittleEndian<quint32>(format.palette[i], p + 54 + 4 * i);
    const qint64 usedBytes = (qint64(format.width) * format.bitCount + 7) / 8;
    for (int y = 0; y < format.height; ++y) {
        const int row = format.topDown ? y : format.height - 1 - y;
        std::memcpy(p + headerBytes + rowBytes * y, source.constScanLine(row), size_t(usedBytes));
    }

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) !=
            qint64(bytes.size()) ||
        !file.flush())
        throw Failure(
            QStringLiteral("Could not write the bitmap file %1: %2").arg(path, file.errorString()));
}
