#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "util/ownedfd.h"

// The entry names of the two containers office documents come in, read from an
// open file through its directory alone, never the whole file. nullopt when the
// file is not a well-formed container of that kind.

// A ZIP archive's entry names, from the central directory at its end.
std::optional<std::vector<std::string>> ZipEntryNames(int fd, uint64_t fileSize);

// A compound file's (OLE2) stream and storage names, from its directory chain;
// characters outside ASCII become "?".
std::optional<std::vector<std::string>> CompoundFileNames(int fd, uint64_t fileSize);

// A regular file opened for a look at its container, with its first 4 KiB.
struct FileHead {
    OwnedFd file;
    uint64_t size = 0;
    std::string head;
};
// nullopt when `path` is no regular file or cannot be read.
std::optional<FileHead> OpenFileHead(const std::string& path);

// Reads exactly `size` bytes at `offset`; false on a short read or an error.
inline bool ReadAt(int fd, uint64_t offset, void* buffer, size_t size) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::pread(fd, bytes, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        bytes += got;
        size -= static_cast<size_t>(got);
        offset += static_cast<uint64_t>(got);
    }
    return true;
}

inline uint32_t Little16(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
inline uint32_t Little32(const unsigned char* p) {
    return Little16(p) | Little16(p + 2) << 16;
}
inline uint64_t Little64(const unsigned char* p) {
    return uint64_t(Little32(p)) | uint64_t(Little32(p + 4)) << 32;
}
