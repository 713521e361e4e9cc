#pragma once

#include <QString>
#include <QtGlobal>
#include <vector>

#include "video/bitmaplayout.h"

class Prompts;

// One device-independent bitmap held exactly as a BMP file lays it out: file
// header, info block (info header and colour table or masks) and pixel bytes.
// A failed load tells the user why, through `prompts`.
class cDIB {
  public:
    explicit cDIB(Prompts& prompts) : prompts_(prompts) {}

    bool CreateFromFile(const QString& path);
    // A whole BMP file already read from `path` (named when it is refused). On
    // success the reader keeps the bytes and `contents` gets its previous
    // buffer back, so a frame loop reuses two allocations.
    bool CreateFromFileContents(const QString& path, std::vector<unsigned char>& contents);
    // A packed bitmap of `size` bytes in memory: info header, then colour masks
    // or table, then pixels. False, without a message, for anything it cannot hold.
    bool CreateFromPackedDIBPointer(quintptr& address, qint64 size);
    // Writes the bitmap as a BMP file (replacing the file); false when writing fails.
    bool WriteToFile(const QString& path);

    qint32 BitCount() const { return layout_.info.bitCount; }
    qint32 Height() const { return layout_.info.height; }
    qint32 Width() const { return layout_.info.width; }
    qint32 Compression() const { return qint32(layout_.info.compression); }
    qint32 SizeInfoHeader() const { return qint32(layout_.info.size); }
    qint32 SizeImage() const { return qint32(layout_.info.sizeImage); }
    qint32 Planes() const { return layout_.info.planes; }
    qint32 ClrImportant() const { return qint32(layout_.info.clrImportant); }
    qint32 ClrUsed() const { return qint32(layout_.info.clrUsed); }
    qint32 XPPM() const { return layout_.info.xPelsPerMeter; }
    qint32 YPPM() const { return layout_.info.yPelsPerMeter; }
    qint32 FileType() const { return layout_.file.type; }
    qint32 SizeFileHeader() const { return qint32(layout_.file.size); }
    qint32 BitOffset() const { return qint32(layout_.file.bitsOffset); }
    // Addresses valid until the next load; Failure when the block does not exist.
    quintptr PointerToBits() const;
    quintptr PointerToBitmapInfo() const;
    qint32 SizeBitmapInfo() const;

  private:
    bool FileExists(const QString& path) const;
    bool refuse(const QString& path);

    Prompts& prompts_;
    // The bitmap as a file lays it out: file header, info block, pixels.
    std::vector<unsigned char> bytes_;
    BitmapLayout layout_;
    std::vector<unsigned char> spare_;
    bool loaded_ = false;
};
