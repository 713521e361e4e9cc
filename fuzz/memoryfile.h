#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "util/ownedfd.h"

// The directory readers take an open file. A directory that lies points far
// into the file, so the input's first two bytes give a hole of that many
// 512-byte blocks (up to 32 MiB, sparse), placed before the rest of the
// input or after it; the rest is the input as written.
inline OwnedFd MemoryFile(const uint8_t* data, size_t size, bool holeFirst, uint64_t& fileSize) {
    OwnedFd file(::memfd_create("fuzz", MFD_CLOEXEC));
    if (!file.valid()) __builtin_trap();
    const uint64_t hole = size < 2 ? 0 : (uint64_t(data[0]) | uint64_t(data[1]) << 8) * 512;
    const size_t skip = size < 2 ? size : 2;
    data += skip;
    size -= skip;
    const uint64_t at = holeFirst ? hole : 0;
    for (size_t done = 0; done < size;) {
        const ssize_t wrote = ::pwrite(file.get(), data + done, size - done, off_t(at + done));
        if (wrote <= 0) __builtin_trap();
        done += size_t(wrote);
    }
    fileSize = hole + size;
    if (::ftruncate(file.get(), off_t(fileSize)) != 0) __builtin_trap();
    return file;
}

// The same file by path, for the checks that open it themselves.
inline std::string PathOf(const OwnedFd& file) {
    return "/proc/self/fd/" + std::to_string(file.get());
}

inline void Check(bool holds) {
    if (!holds) __builtin_trap();
}
