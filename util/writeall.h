#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>

// Writes all `size` bytes, again after a signal interrupts; returns 0 or the
// errno that stopped it, so no short write passes for a whole one.
inline int WriteAll(int fd, const void* data, size_t size) {
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, next, size);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return errno;
        if (written == 0) return EIO;
        next += written;
        size -= size_t(written);
    }
    return 0;
}
