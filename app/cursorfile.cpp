#include "app/cursorfile.h"

#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

#include "util/failure.h"

namespace {
// Header of an .ico/.cur file: reserved 0, type (1 icon, 2 cursor), count, then
// the first entry, whose planes/bit-count fields hold a cursor's hotspot.
struct Hotspot {
    bool isCursor = false;
    int x = 0;
    int y = 0;
};

Hotspot readHotspot(const QByteArray& head) {
    Hotspot hotspot;
    if (head.size() < 6 + 16) return hotspot;
    const auto* bytes = reinterpret_cast<const uchar*>(head.constData());
    if (qFromLittleEndian<quint16>(bytes) != 0 || qFromLittleEndian<quint16>(bytes + 2) != 2)
        return hotspot;
    hotspot.isCursor = true;
    hotspot.x = qFromLittleEndian<quint16>(bytes + 6 + 4);
    hotspot.y = qFromLittleEndian<quint16>(bytes + 6 + 6);
    return hotspot;
}
}  // namespace

QCursor LoadCursorFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw Failure(QStringLiteral("Invalid picture"));
    const Hotspot hotspot = readHotspot(file.peek(6 + 16));
    // The format comes from the contents: the ICO reader takes cursors too.
    QImageReader reader(&file, hotspot.isCursor ? "cur" : QByteArray());
    const QImage image = reader.read();
    if (image.isNull()) throw Failure(QStringLiteral("Invalid picture"));
    const QPixmap pixmap = QPixmap::fromImage(image);
    if (!hotspot.isCursor) return QCursor(pixmap);
    return QCursor(pixmap, qMin(hotspot.x, pixmap.width() - 1),
                   qMin(hotspot.y, pixmap.height() - 1));
}
