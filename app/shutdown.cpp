#include "app/shutdown.h"

#include <unistd.h>

#include "platform/office/helperprocess.h"

void EndProgram() {
    KillRunningHelpers();
    // Settings were written as they changed; nothing is saved here.
    ::_exit(0);
}
