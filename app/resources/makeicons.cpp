// SPDX-License-Identifier: GPL-3.0-or-later
// Build-time tool: turns the text-art cursors into Windows .cur/.ico files and
// paints the application icon, so only sources live in the repository.
//   quillmoor_makeicons <resources folder> <output folder>
//   quillmoor_makeicons --theme <folder> <icon name>   (hicolor sizes and scalable)

#include <QByteArray>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QString>
#include <QSvgGenerator>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const QString& text) {
    std::fprintf(stderr, "quillmoor_makeicons: %s\n", qPrintable(text));
    std::exit(1);
}

// The hotspot written in an XPM values line ("w h colours cpp x y"), or 0,0.
QPoint xpmHotspot(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) fail(QStringLiteral("cannot read ") + path);
    static const QRegularExpression values(
        QStringLiteral("\"\\s*\\d+\\s+\\d+\\s+\\d+\\s+\\d+(?:\\s+(\\d+)\\s+(\\d+))?\\s*\""));
    const QRegularExpressionMatch m = values.match(QString::fromLatin1(file.readAll()));
    if (!m.hasMatch()) fail(QStringLiteral("no XPM values line in ") + path);
    return m.captured(1).isEmpty() ? QPoint()
                                   : QPoint(m.captured(1).toInt(), m.captured(2).toInt());
}

// One-image icon (type 1) or cursor (type 2) file: a 32-bit bottom-up DIB with
// its alpha channel plus the 1-bit AND mask older readers need.
QByteArray iconFile(const QImage& source, quint16 type, QPoint hotspot) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width();
    const int h = image.height();
    if (w > 256 || h > 256) fail(QStringLiteral("icon larger than 256 pixels"));
    const int maskStride = ((w + 31) / 32) * 4;
    const quint32 pixelBytes = quint32(w * h * 4);
    const quint32 maskBytes = quint32(maskStride * h);
    const quint32 dibBytes = 40 + pixelBytes + maskBytes;

    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << type << quint16(1);
    out << quint8(w == 256 ? 0 : w) << quint8(h == 256 ? 0 : h) << quint8(0) << quint8(0);
    if (type == 2)
        out << quint16(hotspot.x()) << quint16(hotspot.y());
    else
        out << quint16(1) << quint16(32);
    out << dibBytes << quint32(6 + 16);
    // BITMAPINFOHEADER: the height counts the image and its mask.
    out << quint32(40) << qint32(w) << qint32(2 * h) << quint16(1) << quint16(32) << quint32(0)
        << (pixelBytes + maskBytes) << qint32(0) << qint32(0) << quint32(0) << quint32(0);
    for (int y = h - 1; y >= 0; --y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            out << quint8(qBlue(line[x])) << quint8(qGreen(line[x])) << quint8(qRed(line[x]))
                << quint8(qAlpha(line[x]));
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            if (qAlpha(line[x]) < 128) row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        out.writeRawData(row.constData(), row.size());
    }
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail(QStringLiteral("cannot write ") + path);
}

void convertXpm(const QString& source, const QString& target, quint16 type) {
    QImage image(source, "XPM");
    if (image.isNull()) fail(QStringLiteral("cannot read ") + source);
    writeFile(target, iconFile(image, type, xpmHotspot(source)));
}

// The application icon, drawn on a 256 x 256 canvas: a slide on a strip of
// film, with a quill across it.
void paintApplicationIcon(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 256);
    sky.setColorAt(0, QColor(0x3a, 0x7b, 0xd5));
    sky.setColorAt(1, QColor(0x1f, 0x4e, 0x8c));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);

    // Film strip with sprocket holes.
    p.setBrush(QColor(0x1b, 0x1f, 0x27));
    p.drawRect(QRectF(8, 66, 240, 124));
    p.setBrush(QColor(0xe9, 0xee, 0xf5));
    for (int x = 20; x < 240; x += 28) {
        p.drawRoundedRect(QRectF(x, 74, 14, 12), 3, 3);
        p.drawRoundedRect(QRectF(x, 170, 14, 12), 3, 3);
    }
    // The slide in the frame.
    p.setBrush(Qt::white);
    p.drawRect(QRectF(44, 96, 168, 66));
    p.setBrush(QColor(0x2f, 0x6d, 0xb5));
    p.drawRect(QRectF(44, 96, 168, 16));
    p.setBrush(QColor(0xb8, 0xc4, 0xd4));
    p.drawRect(QRectF(56, 122, 96, 7));
    p.drawRect(QRectF(56, 137, 72, 7));
    p.drawRect(QRectF(56, 152, 84, 5));

    // The quill, from the lower left up to the right.
    QPainterPath vane;
    vane.moveTo(70, 214);
    vane.cubicTo(96, 150, 150, 70, 226, 28);
    vane.cubicTo(214, 86, 168, 160, 86, 210);
    vane.closeSubpath();
    QLinearGradient cream(70, 214, 226, 28);
    cream.setColorAt(0, QColor(0xe8, 0xd3, 0xa2));
    cream.setColorAt(1, QColor(0xfb, 0xf4, 0xe2));
    p.setBrush(cream);
    p.setPen(QPen(QColor(0x6b, 0x4f, 0x2a), 3));
    p.drawPath(vane);
    QPainterPath shaft;
    shaft.moveTo(52, 236);
    shaft.cubicTo(100, 170, 160, 90, 222, 34);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x6b, 0x4f, 0x2a), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(shaft);
}

QImage applicationIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.scale(size / 256.0, size / 256.0);
    paintApplicationIcon(p);
    p.end();
    return image;
}

// The sizes desktops look for in the hicolor theme, plus the drawing itself.
void writeThemeIcons(const QString& folder, const QString& name) {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = folder + QStringLiteral("/%1x%1/apps").arg(size);
        if (!QDir().mkpath(dir) || !applicationIcon(size).save(dir + '/' + name + ".png", "PNG"))
            fail(QStringLiteral("cannot write the %1 pixel icon").arg(size));
    }
    const QString dir = folder + QStringLiteral("/scalable/apps");
    if (!QDir().mkpath(dir)) fail(QStringLiteral("cannot create ") + dir);
    QSvgGenerator svg;
    svg.setFileName(dir + '/' + name + ".svg");
    svg.setSize(QSize(256, 256));
    svg.setViewBox(QRect(0, 0, 256, 256));
    svg.setTitle(name);
    QPainter p;
    if (!p.begin(&svg)) fail(QStringLiteral("cannot write the scalable icon"));
    paintApplicationIcon(p);
    p.end();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && QLatin1String(argv[1]) == QLatin1String("--theme")) {
        writeThemeIcons(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
        return 0;
    }
    if (argc != 3) fail(QStringLiteral("usage: quillmoor_makeicons <resources> <output folder>"));
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString target = QString::fromLocal8Bit(argv[2]);
    convertXpm(source + QStringLiteral("/hand-m.xpm"), target + QStringLiteral("/HAND-M.CUR"), 2);
    convertXpm(source + QStringLiteral("/drag.xpm"), target + QStringLiteral("/drag.ico"), 1);
    if (!applicationIcon(256).save(target + QStringLiteral("/quillmoor.png"), "PNG"))
        fail(QStringLiteral("cannot write the application icon"));
    return 0;
}
