#include "video/srtwriter.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {
QString timestamp(qint64 ms) {
    if (ms < 0) ms = 0;
    return QStringLiteral("%1:%2:%3,%4")
        .arg(ms / 3'600'000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60'000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}
}  // namespace

QString CueLines(const QString& text) {
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty()) lines << line.trimmed();
    return lines.join(QLatin1Char('\n'));
}

QByteArray SrtText(const QList<SubtitleCue>& cues) {
    QString text;
    int number = 0;
    for (const SubtitleCue& cue : cues) {
        const QString lines = CueLines(cue.text);
        if (lines.isEmpty()) continue;
        text += QStringLiteral("%1\n%2 --> %3\n%4\n\n")
                    .arg(++number)
                    .arg(timestamp(cue.startMs), timestamp(cue.endMs), lines);
    }
    return text.toUtf8();
}

QString SubtitlePath(const QString& videoPath) {
    const QFileInfo info(videoPath);
    const QString suffix = info.suffix();
    const QString base =
        suffix.isEmpty() ? videoPath : videoPath.left(videoPath.size() - suffix.size() - 1);
    return base + QStringLiteral(".srt");
}

QString WriteSrtFile(const QString& path, const QList<SubtitleCue>& cues) {
    return WriteTextBesideVideo(path, SrtText(cues));
}

QString WriteTextBesideVideo(const QString& path, const QByteArray& bytes) {
    QFileInfo info(path);
    const QString target =
        info.isSymLink() && !info.canonicalFilePath().isEmpty() ? info.canonicalFilePath() : path;
    info = QFileInfo(target);
    if (info.exists() && !info.isFile()) return QStringLiteral("it exists and is not a file");
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    if (file.write(bytes) != bytes.size() || !file.commit()) return file.errorString();
    return QString();
}
