#pragma once

#include <string>

// A path made absolute (against the working folder) and lexically normal.
std::string AbsolutePath(const std::string& path);
// The file: URL of a path, every byte outside the unreserved set escaped,
// so "#", "%", "?" and newlines in names survive.
std::string FileUrl(const std::string& path);
