#pragma once

#include <QString>

#include "video/createavifrombitmaps.h"

// Tells a script what it got: "Written: PATH" on stdout for a written video,
// and on stderr how many frames it lacks when the reader refused some.
void ReportVideo(const QString& path, const AviOutcome& outcome);
