#pragma once

#include <array>
#include <functional>

// The four option buttons, Option1 to Option4 at indices 0 to 3: "Combine to 1
// AVI", "Separate AVI for each PowerPoint", "Save results to this folder:" and
// "Save results in folder of original file".
using OptionButtons = std::array<bool, 4>;

// One numbered assignment (1 to 4); `assign` throws Failure("Type mismatch")
// when the stored text is no truth value.
using OptionStep = std::function<void(int number, const std::function<void()>& assign)>;

// The buttons as start-up restores them from the store. From the first-run state
// (Option1 and Option3 selected), "Option1" to "Option4" are assigned in that
// order, an absent key its first-run value; selecting a button clears the other
// of its pair, so a pair stored both true shows the later one and a pair stored
// both false shows neither. Each assignment runs through `step`; one that fails
// leaves its button as it was.
OptionButtons RestoreOptionButtons(const OptionStep& step);
