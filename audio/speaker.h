#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "audio/pcm.h"

// How the notes are spoken: a voice by its eSpeak NG name ("" : the notes'
// language's voice, else the default one) at a pace in words a minute (0: eSpeak's usual).
struct SpeechOptions {
    QString voice;
    int wordsPerMinute = 0;
};
inline constexpr int SlowestSpeech = 80;
inline constexpr int FastestSpeech = 450;

// Where one paragraph's words are spoken, from the start of its slide's speech.
struct SpokenSpan {
    qint64 startMs = 0;
    qint64 endMs = 0;
    bool operator==(const SpokenSpan&) const = default;
};

struct Speech {
    Pcm pcm;
    QList<SpokenSpan> paragraphs;  // one for each paragraph given, in order
    QString note;                  // a voice that could not be had, and which spoke instead
    QString error;                 // nothing could be spoken
    bool ok() const { return error.isEmpty(); }
};

// eSpeak NG through its library. It keeps one state for the whole process
// (started with the first Speaker, never ended), so at most one Speaker lives at a time.
class Speaker {
  public:
    explicit Speaker(const SpeechOptions& options);
    ~Speaker();
    Speaker(const Speaker&) = delete;
    Speaker& operator=(const Speaker&) = delete;

    // Empty when the synthesiser started.
    const QString& error() const { return error_; }
    // The paragraphs spoken one after another, in `language` (an ODF
    // language tag such as "de-AT"; "" : the default voice) unless a voice was chosen.
    Speech speak(const QStringList& paragraphs, const QString& language);

  private:
    // Selects the voice for `language`; says in `note` when another one speaks.
    bool selectVoice(const QString& language, QString& note);

    SpeechOptions options_;
    QString error_;
    int sampleRate_ = 0;
    bool started_ = false;
};
