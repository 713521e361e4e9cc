#pragma once

#include <QString>
#include <cstdio>

#include "video/framevideo.h"

// Tells a script what it got: "Written: PATH" on `out` for a written video,
// and on stderr how many frames it lacks, and which, when the reader refused
// some (a partial result: the run's exit status is then 1). False when `out`
// took no more (a closed pipe).
bool ReportVideo(FILE* out, const QString& path, const VideoOutcome& outcome);
