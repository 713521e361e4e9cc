#pragma once

#include <QString>

// The FFmpeg libraries loaded at run time (not the headers built against),
// for version reports: "FFmpeg libraries: libavformat 59.27.100, ...".
QString FfmpegVersionLine();
