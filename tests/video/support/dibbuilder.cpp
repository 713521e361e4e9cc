#include "dibbuilder.h"

#include <QtEndian>
#include <cstring>

namespace {
void put32(QByteArray& bytes, int at, quint32 value) {
    qToLittleEndian<quint32>(value, reinterpret_cast<uchar*>(bytes.data()) + at);
}
void put16(QByteArray& bytes, int at, quint16 value) {
    qToLittleEndian<quint16>(value, reinterpret_cast<uchar*>(bytes.data()) + at);
}
}  // namespace

Dib MakeDib(const QImage& image, int bitCount, bool topDown) {
    QImage source = bitCount == 8
                        ? image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither)
                    : bitCount == 24 ? image.convertToFormat(QImage::Format_BGR888)
                                     : image.convertToFormat(QImage::Format_RGB32);
    const int colours = bitCount == 8 ? int(source.colorCount()) : 0;
    Dib dib;
    dib.info = QByteArray(40 + 4 * colours, '\0');
    put32(dib.info, 0, 40);
    put32(dib.info, 4, quint32(source.width()));
    put32(dib.info, 8, quint32(topDown ? -source.height() : source.height()));
    put16(dib.info, 12, 1);
    put16(dib.info, 14, quint16(bitCount));
    const int stride = ((source.width() * bitCount + 31) / 32) * 4;
    put32(dib.info, 20, quint32(stride * source.height()));
    put32(dib.info, 32, quint32(colours));
    for (int i = 0; i < colours; ++i) put32(dib.info, 40 + 4 * i, source.color(i) & 0xFFFFFF);
    dib.bits = QByteArray(stride * source.height(), '\0');
    const int used = (source.width() * bitCount + 7) / 8;
    for (int y = 0; y < source.height(); ++y) {
        const int row = topDown ? y : source.height() - 1 - y;
        std::memcpy(dib.bits.data() + y * stride, source.constScanLine(row), size_t(used));
    }
    return dib;
}

QByteArray MakeBmpFile(const Dib& dib) {
    QByteArray file(14, '\0');
    put16(file, 0, 0x4D42);
    put32(file, 2, quint32(14 + dib.info.size() + dib.bits.size()));
    put32(file, 10, quint32(14 + dib.info.size()));
    return file + dib.info + dib.bits;
}

QImage TestPattern(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int block = ((x / 8) + (y / 8) + seed) % 5;
            int r = (x * 255) / std::max(1, width - 1);
            int g = (y * 255) / std::max(1, height - 1);
            int b = (seed * 53 + block * 40) % 256;
            if ((x + seed) % 17 == 0) r = g = b = 255;  // thin light lines, like text strokes
            line[x] = qRgb(r, g, b);
        }
    }
    return image;
}
