#pragma once

// Ends the program at once, also in the middle of a run: stops the running
// presentation engine helper, removes the video file being written, and leaves
// without unwinding into the run.
[[noreturn]] void EndProgram();
