#pragma once

#include <string>

#include "util/ownedfd.h"

// A LibreOffice user profile of the helper's own, under the user's cache
// folder: ($XDG_CACHE_HOME or ~/.cache)/quillmoor/lo-profile-<slot>. The slot
// is locked for the helper's life, so two live helpers never share a profile;
// a profile is created once and reused by later helpers.
class ProfileSlot {
  public:
    // Takes the first free slot; throws std::runtime_error with the reason.
    static ProfileSlot acquire();

    const std::string& folder() const { return folder_; }

  private:
    ProfileSlot(std::string folder, OwnedFd lock)
        : folder_(std::move(folder)), lock_(std::move(lock)) {}

    std::string folder_;
    OwnedFd lock_;
};

// The cache folder holding the profiles (without a trailing "/").
std::string ProfileCacheFolder();
