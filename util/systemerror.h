#pragma once

#include <string.h>

#include <string>

// The system's own words for an errno value. strerror_r keeps it safe from
// any thread (the engine parent and the writer run beside other threads).
inline std::string SystemErrorText(int error) {
    char buffer[256];
    return strerror_r(error, buffer, sizeof buffer);
}
