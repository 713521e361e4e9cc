#include "app/shutdown.h"

#include <unistd.h>

void EndProgram() {
    // Settings were written as they changed; nothing is saved here.
    ::_exit(0);
}
