#pragma once

#include <optional>

// `quillmoor --version` and `quillmoor --help`, answered before any window
// or display is needed: the exit status, or nothing when the window should start.
// Any other argument is left to Qt and otherwise ignored: the window takes no command line.
std::optional<int> AnswerCommandLine(int argc, char** argv);
