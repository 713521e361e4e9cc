#include "video/cdib.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QtEndian>
#include <cerrno>
#include <cstring>

#include "util/failure.h"
#include "util/fsfailure.h"
#include "util/ownedfd.h"
#include "util/prompts.h"
#include "util/writeall.h"
#include "video/imagefile.h"

namespace {
constexpr quint16 BitmapType = 0x4D42;  // "BM"

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
    // From the open on, read errors pass to the caller.
    ImageFile file(path);
    if (file.error() == EACCES || file.error() == EPERM) {
        prompts_.message(
            QStringLiteral("File is locked - cannot access:") + QStringLiteral("\r\n") + path,
            Prompts::Icon::Critical);
        return false;
    }
    if (file.error() != 0) {
        prompts_.message(SystemReason(file.error()), Prompts::Icon::Information);
        return false;
    }
    if (!file.isOpen()) return refuse(path);
    file.readBitmap(spare_);
    return CreateFromFileContents(path, spare_);
}

bool cDIB::CreateFromFileContents(const QString& path, std::vector<unsigned char>& contents) {
    const std::optional<BitmapLayout> layout = ParseBitmapFile(contents.data(), contents.size());
    if (!layout) return refuse(path);
    // The info block tells the same image size as the property.
    if (layout->imageSizeComputed || layout->imageSizeCorrected)
        qToLittleEndian<quint32>(layout->info.sizeImage, contents.data() + layout->infoOffset + 20);
    layout_ = *layout;
    bytes_.swap(contents);
    loaded_ = true;
    return true;
}

bool cDIB::CreateFromPackedDIBPointer(quintptr& address, qint64 size) {
    if (address == 0 || size < 0) return false;
    const auto* packed = reinterpret_cast<const unsigned char*>(address);
    const std::optional<BitmapLayout> layout = ParsePackedBitmap(packed, size_t(size));
    if (!layout || layout->info.bitCount < 16 || layout->imageSizeComputed) return false;

    // Pixels follow the whole header, the colour masks of a BI_BITFIELDS bitmap
    // and any colour table, so the info block keeps them all.
    const qint64 packedBytes = layout->bitsOffset + layout->imageBytes;
    bytes_.resize(size_t(BitmapFileHeaderSize + packedBytes));
    std::memcpy(bytes_.data() + BitmapFileHeaderSize, packed, size_t(packedBytes));
    layout_ = *layout;
    layout_.infoOffset = BitmapFileHeaderSize;
    layout_.bitsOffset = BitmapFileHeaderSize + layout->bitsOffset;
    layout_.file = BitmapFileHeader();
    layout_.file.type = BitmapType;
    layout_.file.bitsOffset = quint32(layout_.bitsOffset);
    layout_.file.size = quint32(layout_.bitsOffset + layout_.imageBytes);
    loaded_ = true;
    return true;
}

bool cDIB::WriteToFile(const QString& path) {
    OwnedFd file(::open(QFile::encodeName(path).constData(),
                        O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!file.valid()) return false;
    unsigned char header[BitmapFileHeaderSize];
    const BitmapFileHeader& fields = layout_.file;
    qToLittleEndian<quint16>(fields.type, header + 0);
    qToLittleEndian<quint32>(fields.size, header + 2);
    qToLittleEndian<quint16>(fields.reserved1, header + 6);
    qToLittleEndian<quint16>(fields.reserved2, header + 8);
    qToLittleEndian<quint32>(fields.bitsOffset, header + 10);
    const qint64 rest = loaded_ ? layout_.bitsOffset + layout_.imageBytes - layout_.infoOffset : 0;
    bool ok = WriteAll(file.get(), header, sizeof header) == 0 &&
              WriteAll(file.get(), bytes_.data() + layout_.infoOffset, size_t(rest)) == 0;
    if (::close(file.release()) != 0) ok = false;
    return ok;
}

quintptr cDIB::PointerToBits() const {
    if (!loaded_) throw Failure(QStringLiteral("Subscript out of range"));
    return reinterpret_cast<quintptr>(bytes_.data() + layout_.bitsOffset);
}

quintptr cDIB::PointerToBitmapInfo() const {
    if (!loaded_) throw Failure(QStringLiteral("Subscript out of range"));
    return reinterpret_cast<quintptr>(bytes_.data() + layout_.infoOffset);
}

qint32 cDIB::SizeBitmapInfo() const {
    if (!loaded_) throw Failure(QStringLiteral("Subscript out of range"));
    return qint32(layout_.infoBytes);
}
