#pragma once

#include <QString>
#include <QtGlobal>
#include <vector>

class Prompts;

// One device-independent bitmap held exactly as a BMP file lays it out: file
// header, info block (info header and colour table or masks) and pixel bytes.
// A failed load tells the user why, through `prompts`.
class cDIB {
  public:
    explicit cDIB(Prompts& prompts) : prompts_(prompts) {}

    bool CreateFromFile(const QString& path);
    // A packed bitmap in memory: info header, then colour masks or table, then pixels.
    bool CreateFromPackedDIBPointer(quintptr& address);
    // Writes the bitmap as a BMP file (replacing the file); false when writing fails.
    bool WriteToFile(const QString& path);

    qint32 BitCount() const { return info_.bitCount; }
    qint32 Height() const { return info_.height; }
    qint32 Width() const { return info_.width; }
    qint32 Compression() const { return qint32(info_.compression); }
    qint32 SizeInfoHeader() const { return qint32(info_.size); }
    qint32 SizeImage() const { return qint32(info_.sizeImage); }
    qint32 Planes() const { return info_.planes; }
    qint32 ClrImportant() const { return qint32(info_.clrImportant); }
    qint32 ClrUsed() const { return qint32(info_.clrUsed); }
    qint32 XPPM() const { return info_.xPelsPerMeter; }
    qint32 YPPM() const { return info_.yPelsPerMeter; }
    qint32 FileType() const { return file_.type; }
    qint32 SizeFileHeader() const { return qint32(file_.size); }
    qint32 BitOffset() const { return qint32(file_.bitsOffset); }
    // Addresses valid until the next load; Failure when the block does not exist.
    quintptr PointerToBits() const;
    quintptr PointerToBitmapInfo() const;
    qint32 SizeBitmapInfo() const;

  private:
    struct FileHeader {
        quint16 type = 0;
        quint32 size = 0;
        quint16 reserved1 = 0;
        quint16 reserved2 = 0;
        quint32 bitsOffset = 0;
    };
    struct InfoHeader {
        quint32 size = 0;
        qint32 width = 0;
        qint32 height = 0;
        quint16 planes = 0;
        quint16 bitCount = 0;
        quint32 compression = 0;
        quint32 sizeImage = 0;
        qint32 xPelsPerMeter = 0;
        qint32 yPelsPerMeter = 0;
        quint32 clrUsed = 0;
        quint32 clrImportant = 0;
    };

    bool FileExists(const QString& path) const;
    bool refuse(const QString& path);

    Prompts& prompts_;
    std::vector<unsigned char> bits_;
    std::vector<unsigned char> infoBlock_;
    InfoHeader info_;
    FileHeader file_;
    // The previous load's blocks, reused so a frame loop does not allocate per frame.
    std::vector<unsigned char> spareBits_;
    bool hasBits_ = false;
    bool hasInfo_ = false;
};
