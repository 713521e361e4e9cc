#include "video/cdib.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QtEndian>
#include <cerrno>
#include <cstring>

#include "util/failure.h"
#include "util/prompts.h"

namespace {
constexpr quint16 BitmapType = 0x4D42;  // "BM"
constexpr qint64 FileHeaderSize = 14;
constexpr qint64 InfoHeaderSize = 40;
constexpr quint32 BI_RGB = 0;
constexpr quint32 BI_BITFIELDS = 3;

struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Reads up to `size` bytes at `offset`; the count read (short at the end of the
// file). A read error is a failure for the caller.
qint64 readAt(int fd, void* buffer, qint64 size, qint64 offset) {
    auto* out = static_cast<unsigned char*>(buffer);
    qint64 done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, out + done, size_t(size - done), off_t(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            throw Failure(systemError(errno));
        }
        if (got == 0) break;
        done += got;
    }
    return done;
}

bool writeAll(int fd, const void* data, qint64 size) {
    const auto* in = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, in, size_t(size));
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        in += written;
        size -= written;
    }
    return true;
}

template <typename T>
T at(const unsigned char* bytes, int offset) {
    return qFromLittleEndian<T>(bytes + offset);
}

// Bytes of an uncompressed image: rows padded to 32 bits.
qint64 uncompressedSize(qint32 width, qint32 height, int bitCount) {
    if (width <= 0 || height == 0 || height == INT32_MIN || bitCount <= 0) return 0;
    return ((qint64(width) * bitCount + 31) / 32) * 4 * qAbs(qint64(height));
}
}  // namespace

bool cDIB::FileExists(const QString& path) const {
    struct stat info;
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0;
}

bool cDIB::refuse(const QString& path) {
    prompts_.message(
        QStringLiteral("File is not a supported bitmap format:") + QStringLiteral("\r\n") + path,
        Prompts::Icon::Information);
    return false;
}

bool cDIB::CreateFromFile(const QString& path) {
    if (!FileExists(path)) {
        prompts_.message(QStringLiteral("File does not exist:") + QStringLiteral("\r\n") + path,
                         Prompts::Icon::Critical);
        return false;
    }
    Descriptor file;
    // Non-blocking, so a named pipe cannot stall the open.
    file.fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat status;
    const int openError = file.fd < 0                      ? errno
                          : ::fstat(file.fd, &status) != 0 ? errno
                          : S_ISDIR(status.st_mode)        ? EISDIR
                                                           : 0;
    if (openError == EACCES || openError == EPERM) {
        prompts_.message(
            QStringLiteral("File is locked - cannot access:") + QStringLiteral("\r\n") + path,
            Prompts::Icon::Critical);
        return false;
    }
    if (openError != 0) {
        prompts_.message(systemError(openError), Prompts::Icon::Information);
        return false;
    }
    if (!S_ISREG(status.st_mode)) return refuse(path);

    // From here on, read errors pass to the caller; what the headers claim is
    // checked against the file, so nothing is read from outside it.
    const qint64 fileSize = status.st_size;
    unsigned char head[FileHeaderSize + InfoHeaderSize];
    const qint64 headBytes = readAt(file.fd, head, sizeof head, 0);
    if (headBytes < FileHeaderSize || at<quint16>(head, 0) != BitmapType) return refuse(path);
    if (headBytes < qint64(sizeof head)) return refuse(path);

    FileHeader fileHeader;
    fileHeader.type = at<quint16>(head, 0);
    fileHeader.size = at<quint32>(head, 2);
    fileHeader.reserved1 = at<quint16>(head, 6);
    fileHeader.reserved2 = at<quint16>(head, 8);
    fileHeader.bitsOffset = at<quint32>(head, 10);
    const unsigned char* ih = head + FileHeaderSize;
    InfoHeader info;
    info.size = at<quint32>(ih, 0);
    info.width = at<qint32>(ih, 4);
    info.height = at<qint32>(ih, 8);
    info.planes = at<quint16>(ih, 12);
    info.bitCount = at<quint16>(ih, 14);
    info.compression = at<quint32>(ih, 16);
    info.sizeImage = at<quint32>(ih, 20);
    info.xPelsPerMeter = at<qint32>(ih, 24);
    info.yPelsPerMeter = at<qint32>(ih, 28);
    info.clrUsed = at<quint32>(ih, 32);
    info.clrImportant = at<quint32>(ih, 36);

    const qint64 bitsOffset = fileHeader.bitsOffset;
    if (bitsOffset < FileHeaderSize + InfoHeaderSize || bitsOffset > fileSize) return refuse(path);
    qint64 imageSize = info.sizeImage;
    const bool computed = imageSize == 0;
    if (computed) {
        // Writers may leave the field 0 for uncompressed images; the layout says it.
        if (info.compression != BI_RGB && info.compression != BI_BITFIELDS) return refuse(path);
        imageSize = uncompressedSize(info.width, info.height, info.bitCount);
        if (imageSize == 0) return refuse(path);
    }
    if (imageSize > INT32_MAX || bitsOffset + imageSize > fileSize) return refuse(path);

    std::vector<unsigned char> infoBlock(size_t(bitsOffset - FileHeaderSize));
    std::memcpy(infoBlock.data(), ih, InfoHeaderSize);
    const qint64 rest = qint64(infoBlock.size()) - InfoHeaderSize;
    if (readAt(file.fd, infoBlock.data() + InfoHeaderSize, rest, FileHeaderSize + InfoHeaderSize) !=
        rest)
        return refuse(path);
    spareBits_.resize(size_t(imageSize));
    if (readAt(file.fd, spareBits_.data(), imageSize, bitsOffset) != imageSize) return refuse(path);

    if (computed) {
        info.sizeImage = quint32(imageSize);
        qToLittleEndian<quint32>(info.sizeImage, infoBlock.data() + 20);
    }
    bits_.swap(spareBits_);
    infoBlock_ = std::move(infoBlock);
    info_ = info;
    file_ = fileHeader;
    hasBits_ = hasInfo_ = true;
    return true;
}

bool cDIB::CreateFromPackedDIBPointer(quintptr& address) {
    if (address == 0) return false;
    const auto* packed = reinterpret_cast<const unsigned char*>(address);
    InfoHeader info;
    info.size = at<quint32>(packed, 0);
    info.width = at<qint32>(packed, 4);
    info.height = at<qint32>(packed, 8);
    info.planes = at<quint16>(packed, 12);
    info.bitCount = at<quint16>(packed, 14);
    info.compression = at<quint32>(packed, 16);
    info.sizeImage = at<quint32>(packed, 20);
    info.xPelsPerMeter = at<qint32>(packed, 24);
    info.yPelsPerMeter = at<qint32>(packed, 28);
    info.clrUsed = at<quint32>(packed, 32);
    info.clrImportant = at<quint32>(packed, 36);
    if (info.bitCount < 16 || info.sizeImage < 1 || info.sizeImage > INT32_MAX) return false;

    // Pixels follow the whole header, the three colour masks of a BI_BITFIELDS
    // bitmap and any colour table, so the block keeps them all.
    qint64 infoSize = qMax<qint64>(info.size, InfoHeaderSize);
    if (info.size == InfoHeaderSize && info.compression == BI_BITFIELDS) infoSize += 12;
    if (info.clrUsed > 256) return false;
    infoSize += qint64(info.clrUsed) * 4;

    infoBlock_.assign(packed, packed + infoSize);
    bits_.assign(packed + infoSize, packed + infoSize + info.sizeImage);
    info_ = info;
    file_ = FileHeader();
    file_.type = BitmapType;
    file_.bitsOffset = quint32(FileHeaderSize + infoSize);
    file_.size = quint32(file_.bitsOffset + info.sizeImage);
    hasBits_ = hasInfo_ = true;
    return true;
}

bool cDIB::WriteToFile(const QString& path) {
    Descriptor file;
    file.fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file.fd < 0) return false;
    unsigned char header[FileHeaderSize];
    qToLittleEndian<quint16>(file_.type, header + 0);
    qToLittleEndian<quint32>(file_.size, header + 2);
    qToLittleEndian<quint16>(file_.reserved1, header + 6);
    qToLittleEndian<quint16>(file_.reserved2, header + 8);
    qToLittleEndian<quint32>(file_.bitsOffset, header + 10);
    bool ok = writeAll(file.fd, header, sizeof header) &&
              writeAll(file.fd, infoBlock_.data(), qint64(infoBlock_.size())) &&
              writeAll(file.fd, bits_.data(), qint64(bits_.size()));
    const int fd = file.fd;
    file.fd = -1;
    if (::close(fd) != 0) ok = false;
    return ok;
}

quintptr cDIB::PointerToBits() const {
    if (!hasBits_ || bits_.empty()) throw Failure(QStringLiteral("Subscript out of range"));
    return reinterpret_cast<quintptr>(bits_.data());
}

quintptr cDIB::PointerToBitmapInfo() const {
    if (!hasInfo_ || infoBlock_.empty()) throw Failure(QStringLiteral("Subscript out of range"));
    return reinterpret_cast<quintptr>(infoBlock_.data());
}

qint32 cDIB::SizeBitmapInfo() const {
    if (!hasInfo_) throw Failure(QStringLiteral("Subscript out of range"));
    return qint32(infoBlock_.size());
}
