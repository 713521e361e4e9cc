#pragma once

#include "util/prompts.h"

// The last step of start-up: starts the presentation engine on a built-in
// presentation. When it cannot, tells the user why and returns false, and
// the caller ends the program.
bool CheckPowerPointInstalled(Prompts& prompts);
