#include "platform/office/engine/forksafety.h"

#include <dirent.h>
#include <time.h>

#include <chrono>

#include "platform/office/versionreport.h"

int ThreadCount() {
    DIR* tasks = ::opendir("/proc/self/task");
    if (!tasks) return 0;
    int count = 0;
    while (const dirent* entry = ::readdir(tasks))
        if (entry->d_name[0] != '.') ++count;
    ::closedir(tasks);
    return count;
}

bool WaitUntilAlone(int limitMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        if (ThreadCount() == 1) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        const timespec pause{0, 5'000'000};
        ::nanosleep(&pause, nullptr);
    }
}

std::optional<std::string> ReadOnlyUserLayers(const std::string& programFolder) {
    std::string layers = OfficeFundamentalValue(programFolder, "CONFIGURATION_LAYERS");
    if (layers.empty()) return std::nullopt;
    // "user:!URL" (or "user:URL") is a layer LibreOffice writes; "user:*URL"
    // one it only reads.
    for (size_t at = layers.find("user:"); at != std::string::npos; at = layers.find("user:", at)) {
        at += 5;
        if (at - 5 != 0 && layers[at - 6] != ' ') continue;
        if (at < layers.size() && layers[at] == '!')
            layers[at] = '*';
        else if (at < layers.size() && layers[at] != '*')
            layers.insert(at, 1, '*');
    }
    return layers;
}
