#pragma once

#include <QImage>
#include <QString>
#include <vector>

#include "util/ownedfd.h"

// One image file, opened once for reading. The open never waits: a FIFO or a
// device is refused, not held open for a writer that may never come. A bitmap
// is read only as far as its headers and pixels reach, so a frame costs memory
// in proportion to its pixels, not to the length of its file.
class ImageFile {
  public:
    explicit ImageFile(const QString& path);

    bool isOpen() const { return reason_.isEmpty(); }
    // The open's errno (EISDIR for a folder, 0 for another kind of file that is not regular).
    int error() const { return error_; }
    // Why it cannot be read, in the system's words; empty when open.
    const QString& reason() const { return reason_; }

    // True when the file begins as a BMP file does ("BM").
    bool isBitmap();
    // The bitmap as a file lays it out: file header, info block, pixels (a long
    // gap before the pixels left out, and the bits offset moved to match).
    // What cannot be read stays out, so a parser refuses a short file. Throws
    // Failure when reading fails.
    void readBitmap(std::vector<unsigned char>& bytes);
    // The picture in any format Qt reads; null when it is none.
    QImage readImage();

  private:
    qint64 readAt(qint64 offset, unsigned char* into, qint64 size);

    OwnedFd file_;
    qint64 size_ = 0;
    int error_ = 0;
    QString reason_;
};
