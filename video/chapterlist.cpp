#include "video/chapterlist.h"

#include "video/srtwriter.h"

namespace {
void flatten(const QList<VideoChapter>& chapters, const QString& prefix,
             QList<VideoChapter>& flat) {
    for (const VideoChapter& chapter : chapters) {
        if (chapter.chapters.isEmpty())
            flat << VideoChapter{chapter.startMs, chapter.endMs, prefix + chapter.title, {}};
        else
            flatten(chapter.chapters, prefix + chapter.title + QStringLiteral(": "), flat);
    }
}
}  // namespace

QByteArray ChapterListText(const QList<VideoChapter>& chapters) {
    QList<VideoChapter> flat;
    flatten(chapters, QString(), flat);
    const bool hours = !flat.isEmpty() && flat.last().startMs >= 3'600'000;
    QByteArray text;
    for (const VideoChapter& chapter : flat) {
        const qint64 seconds = chapter.startMs / 1000;
        const QString time = hours ? QStringLiteral("%1:%2:%3")
                                         .arg(seconds / 3600)
                                         .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                         .arg(seconds % 60, 2, 10, QLatin1Char('0'))
                                   : QStringLiteral("%1:%2")
                                         .arg(seconds / 60, 2, 10, QLatin1Char('0'))
                                         .arg(seconds % 60, 2, 10, QLatin1Char('0'));
        // A title is one line.
        text += (time + QLatin1Char(' ') + chapter.title.simplified()).toUtf8() + '\n';
    }
    return text;
}

QString ChapterListPath(const QString& videoPath) {
    const QString srt = SubtitlePath(videoPath);
    return srt.chopped(4) + QStringLiteral(".chapters.txt");
}
