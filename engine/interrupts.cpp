#include "engine/interrupts.h"

#include <signal.h>
#include <unistd.h>

#include "platform/office/client/helperprocess.h"
#include "video/videotemporary.h"

void AbandonRun(int status) {
    RefuseNewHelpers();
    KillRunningHelpers();
    DiscardActiveVideoTemporaries();
    ::_exit(status);
}

namespace {
volatile sig_atomic_t reportSignal = 1;

void interrupted(int signal) {
    AbandonRun(reportSignal ? 128 + signal : 0);
}
}  // namespace

void EndRunOnInterrupts(InterruptStatus status) {
    reportSignal = status == InterruptStatus::SignalNumber;
    struct sigaction action {};
    action.sa_handler = interrupted;
    // A second interrupt waits for the first to finish ending the program.
    sigfillset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}
