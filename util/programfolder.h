#pragma once

#include <QString>

// The folder of the resolved program file, without a trailing "/". The helper
// program, Samples/, the cursors and the skin live there.
QString ProgramFolder();
