#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

// One subtitle: `text` shown from `startMs` until `endMs`.
struct SubtitleCue {
    qint64 startMs = 0;
    qint64 endMs = 0;
    QString text;

    bool operator==(const SubtitleCue&) const = default;
};

// The cues as a SubRip (.srt) file, UTF-8, numbered from 1. Blank lines would
// end a cue early, so the text keeps only its lines that hold something.
QByteArray SrtText(const QList<SubtitleCue>& cues);

// The text of a cue as subtitles show it: its lines trimmed, blank ones left out
// (a blank line would end an SRT cue early).
QString CueLines(const QString& text);

// The subtitle file beside a video: its name with ".srt" for the extension.
QString SubtitlePath(const QString& videoPath);

// Writes the file whole or not at all (an earlier one stays); a link is
// written through. Returns the reason it failed, empty when written.
QString WriteSrtFile(const QString& path, const QList<SubtitleCue>& cues);
// The same for any text beside a video.
QString WriteTextBesideVideo(const QString& path, const QByteArray& bytes);
