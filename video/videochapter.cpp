#include "video/videochapter.h"

QList<VideoChapter> InnermostChapters(const QList<VideoChapter>& chapters) {
    QList<VideoChapter> innermost;
    for (const VideoChapter& chapter : chapters) {
        if (chapter.chapters.isEmpty())
            innermost << chapter;
        else
            innermost << InnermostChapters(chapter.chapters);
    }
    return innermost;
}
