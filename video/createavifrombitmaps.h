#pragma once

#include <QString>
#include <QtGlobal>

#include "video/frametiming.h"

class Host;
class Prompts;

// Writes the images of `frameFolder` ("*.bmp", in slide-number order) as the
// frames of one AVI file at `outputPath`, one frame per image at
// `framesPerSecond` (clamped to 1..30), compressed as the user chooses. The
// stream format comes from frameFolder + "/Slide1.bmp"; images are converted
// through `scratchBitmap` when needed; each image is deleted once written.
// The caller starts and ends the AVI library around the call.
void CreateAviFromBitmaps(Host& host, Prompts& prompts, const QString& frameFolder,
                          const QString& scratchBitmap, const QString& outputPath,
                          qint16 framesPerSecond);

// The same, with every frame lasting as `timing` says.
void CreateAviFromBitmaps(Host& host, Prompts& prompts, const QString& frameFolder,
                          const QString& scratchBitmap, const QString& outputPath,
                          FrameTiming timing);
