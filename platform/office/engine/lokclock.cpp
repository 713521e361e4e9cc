#include "platform/office/engine/lokclock.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {
const char* timingsFile() {
    static const char* const file = std::getenv("QUILLMOOR_OFFICE_TIMINGS");
    return file != nullptr && *file != '\0' ? file : nullptr;
}

double cpuSeconds(const rusage& usage) {
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
}  // namespace

LokClock::LokClock(const char* what) : what_(what), start_(std::chrono::steady_clock::now()) {
    if (timingsFile() != nullptr) ::getrusage(RUSAGE_SELF, &usage_);
}

LokClock::~LokClock() {
    if (timingsFile() == nullptr) return;
    rusage now{};
    ::getrusage(RUSAGE_SELF, &now);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    RecordTiming(what_, seconds, cpuSeconds(now) - cpuSeconds(usage_),
                 now.ru_minflt - usage_.ru_minflt);
}

void RecordTiming(const char* what, double seconds, double cpuSeconds, long minorFaults) {
    const char* const file = timingsFile();
    if (file == nullptr) return;
    char line[96];
    const int length = std::snprintf(line, sizeof line, "%s %.6f %.6f %ld\n", what, seconds,
                                     cpuSeconds, minorFaults);
    // One write per line with O_APPEND: helpers running side by side never mix lines.
    const int fd = ::open(file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    if (::write(fd, line, static_cast<size_t>(length)) < 0) {
        // A benchmark aid only: a lost line is not worth failing an export for.
    }
    ::close(fd);
}

void RecordChildTiming(const char* what, double seconds, const rusage& usage) {
    RecordTiming(what, seconds, cpuSeconds(usage), usage.ru_minflt);
}
