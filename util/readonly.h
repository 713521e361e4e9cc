#pragma once

#include <sys/stat.h>

// Read-only in the Windows sense: the entry's own mode grants this user no
// write permission (root included, who could write anyway).
bool LacksWritePermission(const struct stat& info);
