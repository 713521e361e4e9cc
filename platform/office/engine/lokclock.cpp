#include "platform/office/engine/lokclock.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {
// Opened once, before any engine is forked and confined: a confined engine
// may no longer open a file outside its own folders, but writes to this one.
int timingsFile() {
    static const int fd = [] {
        const char* const file = std::getenv("QUILLMOOR_OFFICE_TIMINGS");
        if (file == nullptr || *file == '\0') return -1;
        return ::open(file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    }();
    return fd;
}

double cpuSeconds(const rusage& usage) {
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
}  // namespace

LokClock::LokClock(const char* what) : what_(what), start_(std::chrono::steady_clock::now()) {
    if (timingsFile() >= 0) ::getrusage(RUSAGE_SELF, &usage_);
}

LokClock::~LokClock() {
    if (timingsFile() < 0) return;
    rusage now{};
    ::getrusage(RUSAGE_SELF, &now);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    RecordTiming(what_, seconds, cpuSeconds(now) - cpuSeconds(usage_),
                 now.ru_minflt - usage_.ru_minflt);
}

void RecordTiming(const char* what, double seconds, double cpuSeconds, long minorFaults) {
    const int fd = timingsFile();
    if (fd < 0) return;
    char line[96];
    const int length = std::snprintf(line, sizeof line, "%s %.6f %.6f %ld\n", what, seconds,
                                     cpuSeconds, minorFaults);
    // One write per line with O_APPEND: helpers running side by side never mix lines.
    if (::write(fd, line, static_cast<size_t>(length)) < 0) {
        // A benchmark aid only: a lost line is not worth failing an export for.
    }
}

void RecordChildTiming(const char* what, double seconds, const rusage& usage) {
    RecordTiming(what, seconds, cpuSeconds(usage), usage.ru_minflt);
}

void OpenTimings() {
    (void)timingsFile();
}
