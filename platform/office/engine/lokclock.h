#pragma once

#include <sys/resource.h>

#include <chrono>

// Measures one step of an engine. When QUILLMOOR_OFFICE_TIMINGS names a file,
// each measured step appends "<what> <seconds> <cpu seconds> <minor faults>"
// to it, so benchmarks can tell LibreOffice's own loading and painting from
// the rest of a conversion.
class LokClock {
  public:
    explicit LokClock(const char* what);
    ~LokClock();
    LokClock(const LokClock&) = delete;
    LokClock& operator=(const LokClock&) = delete;

  private:
    const char* what_;
    std::chrono::steady_clock::time_point start_;
    rusage usage_{};
};

// One such line, for steps measured some other way.
void RecordTiming(const char* what, double seconds, double cpuSeconds, long minorFaults);
// An ended child's whole use, as its wait4 gave it.
void RecordChildTiming(const char* what, double seconds, const rusage& usage);
// Opens the timings file now, while this process may still open it.
void OpenTimings();
