// Any bytes as a BITMAPINFO block and as a file, on disk and already read: every
// entry point refuses or accepts without reading or writing outside what it was
// given, and a loaded bitmap's blocks lie within the file.
#include <sys/mman.h>
#include <unistd.h>

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "silentprompts.h"
#include "video/bitmapformat.h"
#include "video/cdib.h"

namespace {
// One in-memory file reused for every input.
int memoryFile() {
    static const int fd = ::memfd_create("fuzz.bmp", 0);
    return fd;
}

void checkLoaded(const cDIB& dib, size_t size) {
    const qint64 end = qint64(dib.BitOffset()) + qint64(quint32(dib.SizeImage()));
    if (dib.BitOffset() < 54 || end > qint64(size) || dib.SizeBitmapInfo() != dib.BitOffset() - 14)
        std::abort();
    // The program takes the stream format from the loaded info block.
    BitmapFormat format;
    ParseBitmapFormat(reinterpret_cast<const void*>(dib.PointerToBitmapInfo()),
                      dib.SizeBitmapInfo(), format);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A heap block of exactly the input's size, so any read past it is caught.
    const auto block = std::make_unique<unsigned char[]>(size);
    if (size > 0) std::memcpy(block.get(), data, size);

    BitmapFormat format;
    if (ParseBitmapFormat(block.get(), qint64(size), format) &&
        (format.width <= 0 || format.height <= 0 || format.rowBytes() <= 0))
        std::abort();

    SilentPrompts prompts;
    cDIB contents(prompts);
    std::vector<unsigned char> bytes(data, data + size);
    if (contents.CreateFromFileContents(QStringLiteral("fuzz.bmp"), bytes))
        checkLoaded(contents, size);

    const int fd = memoryFile();
    if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != ssize_t(size)) return 0;
    cDIB file(prompts);
    if (file.CreateFromFile(QStringLiteral("/proc/self/fd/%1").arg(fd))) checkLoaded(file, size);
    return 0;
}
