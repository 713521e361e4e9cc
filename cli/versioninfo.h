#pragma once

#include <QString>

// quillmoor-convert --version: its version, then the FFmpeg libraries and the
// LibreOffice it would use, so a bug report names them.
QString ConvertVersionReport();
