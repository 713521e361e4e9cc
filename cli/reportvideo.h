#pragma once

#include <QString>

#include "video/framevideo.h"

// Tells a script what it got: "Written: PATH" on stdout for a written video,
// and on stderr how many frames it lacks, and which, when the reader refused
// some (a partial result: the run's exit status is then 1).
void ReportVideo(const QString& path, const VideoOutcome& outcome);
