#pragma once

// A one-slide 4:3 presentation as Flat ODP text: what the start-up probe and
// the warming of a fresh helper load, so no file beside the program is needed.
extern const char* const BuiltinDeck;
