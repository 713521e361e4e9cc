#include "app/shutdown.h"

#include <unistd.h>

#include "platform/avifile/avitemporary.h"
#include "platform/office/helperprocess.h"

void EndProgram() {
    KillRunningHelpers();
    // The video being written is abandoned; the staged frames go with the next run.
    DiscardActiveAviTemporaries();
    // Settings were written as they changed; nothing is saved here.
    ::_exit(0);
}
