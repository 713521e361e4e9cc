#pragma once

// Ending the program in the middle of a run, from a signal handler too.

// Kills every engine helper's process group, removes the video file being
// written and ends the process with `status`, without unwinding into the run
// (staged frames go with the next run). Async-signal-safe: no lock, no
// allocation, no Qt.
[[noreturn]] void AbandonRun(int status);

// How a program ended by an interrupt reports it: as a command cut off by a
// signal (128 + its number), or as a window that was closed (0).
enum class InterruptStatus { SignalNumber, Closed };

// From now on SIGINT, SIGTERM and SIGHUP end the program through AbandonRun,
// whatever it is doing.
void EndRunOnInterrupts(InterruptStatus status);
