#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

struct AVFormatContext;

// One chapter of a video, from `startMs` until `endMs`. In a combined video a
// presentation's entry holds its slides' chapters.
struct VideoChapter {
    qint64 startMs = 0;
    qint64 endMs = 0;
    QString title;
    QList<VideoChapter> chapters;
};

// The chapters that hold no others, in order.
QList<VideoChapter> InnermostChapters(const QList<VideoChapter>& chapters);
