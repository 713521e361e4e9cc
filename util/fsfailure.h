#pragma once

#include "util/failure.h"

// The failure a file-system call reported through errno, in the words the
// error report shows.
Failure FileSystemFailure(int error);
