#pragma once

#include <QString>

#include "engine/slidefacts.h"
#include "video/transition.h"

// The transition drawn for what the document names: the kinds drawn as they
// are, every other kind as the nearest of them (the command line's help lists which).
Transition TransitionFor(const SlideTransitionFact& fact);
