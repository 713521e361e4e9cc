// Any bytes as a packed bitmap in memory (info header, masks or colour table,
// pixels), in a heap block of exactly their size: loading it never reads
// outside the block, and what it keeps lies within it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "silentprompts.h"
#include "video/cdib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto block = std::make_unique<unsigned char[]>(size);
    if (size > 0) std::memcpy(block.get(), data, size);
    SilentPrompts prompts;
    cDIB dib(prompts);
    quintptr address = reinterpret_cast<quintptr>(block.get());
    if (dib.CreateFromPackedDIBPointer(address, qint64(size)) &&
        qint64(dib.SizeBitmapInfo()) + qint64(quint32(dib.SizeImage())) > qint64(size))
        std::abort();
    return 0;
}
