#include "platform/office/engine/lokclock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

LokClock::~LokClock() {
    static const char* const file = std::getenv("QUILLMOOR_OFFICE_TIMINGS");
    if (file == nullptr || *file == '\0') return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    char line[64];
    const int length = std::snprintf(line, sizeof line, "%s %.6f\n", what_, seconds);
    // One write per line with O_APPEND: helpers running side by side never mix lines.
    const int fd = ::open(file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    if (::write(fd, line, static_cast<size_t>(length)) < 0) {
        // A benchmark aid only: a lost line is not worth failing an export for.
    }
    ::close(fd);
}
