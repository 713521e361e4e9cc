#include "video/imagefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QImageReader>
#include <QtEndian>
#include <cerrno>
#include <cstring>

#include "util/failure.h"
#include "util/fsfailure.h"
#include "video/bitmaplayout.h"

namespace {
// Headers, masks and colour tables fit in far less; a longer gap before the
// pixels holds nothing an image needs.
constexpr qint64 HeadLimit = 64 * 1024;

}  // namespace

ImageFile::ImageFile(const QString& path)
    : file_(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
    struct stat status;
    if (!file_.valid() || ::fstat(file_.get(), &status) != 0) {
        error_ = errno;
        reason_ = SystemReason(error_);
        file_.reset();
        return;
    }
    if (S_ISDIR(status.st_mode)) {
        error_ = EISDIR;
        reason_ = SystemReason(error_);
    } else if (!S_ISREG(status.st_mode)) {
        reason_ = QStringLiteral("Not a regular file");
    }
    if (!reason_.isEmpty()) file_.reset();
    size_ = status.st_size;
}

qint64 ImageFile::readAt(qint64 offset, unsigned char* into, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t got = ::pread(file_.get(), into + done, size_t(size - done), offset + done);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw Failure(SystemReason(errno));
        }
        if (got == 0) break;  // shortened while being read: what is there is the file
        done += got;
    }
    return done;
}

bool ImageFile::isBitmap() {
    unsigned char type[2] = {};
    return isOpen() && readAt(0, type, 2) == 2 && type[0] == 'B' && type[1] == 'M';
}

void ImageFile::readBitmap(std::vector<unsigned char>& bytes) {
    bytes.resize(size_t(qMin(size_, BitmapFileHeaderSize + BitmapInfoHeaderSize)));
    bytes.resize(size_t(readAt(0, bytes.data(), qint64(bytes.size()))));
    if (bytes.size() < size_t(BitmapFileHeaderSize + BitmapInfoHeaderSize)) return;
    const qint64 bitsOffset = qFromLittleEndian<quint32>(bytes.data() + 10);
    if (bitsOffset < qint64(bytes.size()) || bitsOffset > size_) return;
    const qint64 head = qMin(bitsOffset, HeadLimit);
    bytes.resize(size_t(head));
    bytes.resize(size_t(readAt(0, bytes.data(), head)));
    const std::optional<BitmapLayout> layout = ParseBitmapInfo(
        bytes.data() + BitmapFileHeaderSize, bytes.size() - size_t(BitmapFileHeaderSize));
    if (!layout || qint64(bytes.size()) < head) return;
    qint64 kept = bitsOffset;
    if (bitsOffset > HeadLimit) {
        kept = BitmapFileHeaderSize + layout->infoBytes;
        qToLittleEndian<quint32>(quint32(kept), bytes.data() + 10);
    }
    // Never more than the file holds, whatever the header claims.
    const qint64 pixels = qMin(layout->imageBytes, size_ - bitsOffset);
    bytes.resize(size_t(kept + pixels));
    bytes.resize(size_t(kept + readAt(bitsOffset, bytes.data() + kept, pixels)));
}

QImage ImageFile::readImage() {
    if (!isOpen()) return {};
    QFile device;
    if (!device.open(file_.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) return {};
    QImageReader reader(&device);
    return reader.read();
}
