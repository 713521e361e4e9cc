#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/office/containernames.h"

std::optional<FileHead> OpenFileHead(const std::string& path) {
    FileHead opened;
    // Never waits: a FIFO named like a deck must not hang the check.
    opened.file.reset(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info;
    if (!opened.file.valid() || ::fstat(opened.file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    opened.size = static_cast<uint64_t>(info.st_size);
    opened.head.assign(std::min<uint64_t>(opened.size, 4096), '\0');
    if (!ReadAt(opened.file.get(), 0, opened.head.data(), opened.head.size())) return std::nullopt;
    return opened;
}
