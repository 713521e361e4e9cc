// A compound file's directory chain, through the header's allocation table
// list and the chain of list sectors beyond it: loops and sectors past the
// end are refused, names are short and whole.
#include "fuzz/memoryfile.h"
#include "platform/office/containernames.h"
#include "platform/office/documentkind.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint64_t fileSize = 0;
    const OwnedFd file = MemoryFile(data, size, false, fileSize);
    if (const auto names = CompoundFileNames(file.get(), fileSize)) {
        // At most 4096 directory sectors of 4096 bytes, 128 bytes an entry; a name
        // field is 64 bytes, 32 characters when nothing ends it.
        Check(names->size() <= 4096 * 32);
        for (const std::string& name : *names)
            Check(name.size() <= 32 && name.find('\0') == std::string::npos);
    }
    // The check built on the reader scans a flat file whole: only small ones,
    // or every input would be a scan of megabytes of hole.
    if (fileSize <= (1 << 20)) OtherDocumentKind(PathOf(file));
    return 0;
}
