#include "app/shutdown.h"

#include "engine/interrupts.h"

void EndProgram() {
    // Settings were written as they changed; nothing is saved here.
    AbandonRun(0);
}
