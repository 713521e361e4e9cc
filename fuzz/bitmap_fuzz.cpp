// Any bytes as a BITMAPINFO block and as a file on disk: every entry point
// refuses or accepts without reading or writing outside what it was given.
#include <sys/mman.h>
#include <unistd.h>

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/avifile/bitmapformat.h"
#include "silentprompts.h"
#include "video/bitmapimage.h"
#include "video/cdib.h"

namespace {
// One in-memory file reused for every input.
int memoryFile() {
    static const int fd = ::memfd_create("fuzz.bmp", 0);
    return fd;
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
    const int fd = memoryFile();
    if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != ssize_t(size)) return 0;
    const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    IsDirectBitmapFile(path);
    cDIB file(prompts);
    if (file.CreateFromFile(path)) {
        const qint64 sizeImage = quint32(file.SizeImage());
        if (qint64(file.BitOffset()) + sizeImage > qint64(size)) std::abort();
    }
    return 0;
}
