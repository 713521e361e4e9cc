#pragma once

#include <optional>
#include <string>

// Threads of this process, as /proc/self/task lists them; 0 when unreadable.
int ThreadCount();
// Waits up to `limitMs` for this process to be left with one thread; whether it is.
bool WaitUntilAlone(int limitMs);

// The installation's own CONFIGURATION_LAYERS with the user layer read-only,
// so LibreOffice never writes the profile back (its write-back thread is what
// makes a fork unsafe); nothing when the installation names no layers.
std::optional<std::string> ReadOnlyUserLayers(const std::string& programFolder);
