#pragma once

#include <QCursor>
#include <QString>

// Loads a Windows cursor (.cur) or icon (.ico) file as a mouse pointer, with the
// hotspot a cursor file names (an icon points with its centre). Throws Failure
// ("Invalid picture") when the file is not a readable picture.
QCursor LoadCursorFile(const QString& path);
