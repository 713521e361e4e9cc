// A ZIP archive's central directory, ZIP64 records included: whatever names
// are read lie inside the file, and the check built on them never fails badly.
#include "fuzz/memoryfile.h"
#include "platform/office/containernames.h"
#include "platform/office/documentkind.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint64_t fileSize = 0;
    const OwnedFd file = MemoryFile(data, size, true, fileSize);
    if (const auto names = ZipEntryNames(file.get(), fileSize)) {
        // Each entry takes a 46-byte record and its name, all within the directory.
        uint64_t bytes = 0;
        for (const std::string& name : *names) bytes += 46 + name.size();
        Check(bytes <= fileSize);
    }
    // The check built on the reader scans a flat file whole: only small ones,
    // or every input would be a scan of megabytes of hole.
    if (fileSize <= (1 << 20)) OtherDocumentKind(PathOf(file));
    return 0;
}
