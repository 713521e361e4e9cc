#pragma once

#include "util/failure.h"

// The failure a file-system call reported through errno, in the words the
// error report shows.
Failure FileSystemFailure(int error);

// The system's own words for an errno value, for messages that name a file.
QString SystemReason(int error);
