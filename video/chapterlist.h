#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "video/videochapter.h"

// The chapters as a plain list, "00:00 Title" a line ("0:00:00" from an hour
// on), the innermost ones in order; a slide in a presentation's chapter is
// named "Presentation: Title".
QByteArray ChapterListText(const QList<VideoChapter>& chapters);

// The chapter list beside a video: its name with ".chapters.txt" for the extension.
QString ChapterListPath(const QString& videoPath);
