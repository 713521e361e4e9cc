#pragma once

#include <QList>
#include <span>

#include "audio/pcm.h"

// The sound under one video: clips placed on its timeline, each cut where its
// slide ends, over music looped under the whole length, lowered while a clip
// plays and faded out at the end. Positions count sample frames at 48 kHz.
class AudioMix {
  public:
    explicit AudioMix(qint64 lengthFrames) : length_(lengthFrames < 0 ? 0 : lengthFrames) {}

    qint64 length() const { return length_; }
    bool empty() const { return clips_.isEmpty() && !music_; }
    // `pcm` plays from `start` until it ends or `end` comes, whichever is first.
    void add(qint64 start, qint64 end, SharedPcm pcm);
    void setMusic(SharedPcm music);
    // The mixed samples of frames from `first` on, as many as `out` holds (2 a frame).
    void render(qint64 first, std::span<float> out) const;

    // How loud the music plays alone, under a clip, and how fast it changes.
    static constexpr float MusicLevel = 0.5f;
    static constexpr float DuckedShare = 0.25f;
    static constexpr qint64 DuckFrames = PcmRate / 4;
    static constexpr qint64 LongestFadeFrames = PcmRate * 3;

  private:
    struct Clip {
        qint64 start;
        qint64 end;  // exclusive, within the clip and the video
        SharedPcm pcm;
    };
    // 1 while a clip plays, falling to 0 over DuckFrames on each side.
    float duck(qint64 frame, qsizetype& from) const;
    float fade(qint64 frame) const;

    qint64 length_;
    QList<Clip> clips_;
    QList<std::pair<qint64, qint64>> heard_;  // the clips' spans, merged, in order
    SharedPcm music_;
};
