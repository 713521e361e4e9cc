#pragma once

#include <sys/types.h>

#include <memory>
#include <mutex>
#include <string>

#include "platform/office/client/helperprocess.h"
#include "platform/office/client/officeclient.h"

// The pre-initialised engine parent: one quillmoor-office process that has
// loaded LibreOffice without starting it, and forks a fresh engine process
// in milliseconds for every presentation, so no engine ever paints after
// another document. Started at construction, in the background; ended with
// the last engine forked from it. Safe to use from several threads.
class EngineParent {
  public:
    explicit EngineParent(const HelperOptions& options = {});
    ~EngineParent();
    EngineParent(const EngineParent&) = delete;
    EngineParent& operator=(const EngineParent&) = delete;

    // A new engine process, confined to reading `deck`'s folder and writing
    // `staging` (either may be empty); it says "ready" once warm. A parent
    // found ended is started again first. Throws Failure saying why none can
    // be had.
    std::unique_ptr<HelperProcess> fork(const std::string& deck = {},
                                        const std::string& staging = {});
    const HelperOptions& options() const { return options_; }
    // The parent's process id, or -1 while none runs.
    pid_t pid();

    struct Link;

  private:
    HelperOptions options_;
    std::mutex mutex_;
    std::shared_ptr<Link> link_;
};
