#pragma once

#include "video/videosettings.h"

// The stored settings; what is missing or unreadable falls back to the default.
VideoSettings LoadVideoSettings();
// Stores them; throws Failure when the store cannot be written.
void SaveVideoSettings(const VideoSettings& settings);
