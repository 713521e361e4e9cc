#pragma once

#include <chrono>

// Measures one LibreOfficeKit call. When QUILLMOOR_OFFICE_TIMINGS names a
// file, each measured call appends "<what> <seconds>" to it, so benchmarks can
// tell LibreOffice's own loading and painting from the rest of a conversion.
class LokClock {
  public:
    explicit LokClock(const char* what) : what_(what), start_(std::chrono::steady_clock::now()) {}
    ~LokClock();
    LokClock(const LokClock&) = delete;
    LokClock& operator=(const LokClock&) = delete;

  private:
    const char* what_;
    std::chrono::steady_clock::time_point start_;
};
