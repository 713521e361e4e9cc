#include "engine/interrupts.h"

#include <signal.h>
#include <unistd.h>

#include "platform/avifile/avitemporary.h"
#include "platform/office/helperprocess.h"

void AbandonRun(int status) {
    KillRunningHelpers();
    DiscardActiveAviTemporaries();
    ::_exit(status);
}

namespace {
void interrupted(int signal) {
    AbandonRun(128 + signal);
}
}  // namespace

void EndRunOnInterrupts() {
    struct sigaction action {};
    action.sa_handler = interrupted;
    // A second interrupt waits for the first to finish ending the program.
    sigfillset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}
