#pragma once

#include <QList>
#include <QMap>
#include <QStringList>

#include "audio/audiomix.h"
#include "audio/speaker.h"
#include "video/slideplan.h"

// What one slide plays from its start.
struct SlideAudio {
    QList<SharedPcm> sounds;   // the deck's own
    SharedPcm narration;       // its notes spoken
    QList<SpokenSpan> spoken;  // each notes paragraph's time in the narration
    // The deck's own, from its transition's start where one is played.
    SharedPcm transitionSound = nullptr;
    bool empty() const { return sounds.isEmpty() && !transitionSound && !narration; }
};

// The pause after a narration before the next slide comes.
inline constexpr qint64 NarrationPauseMs = 700;

// How long a slide must show for its sound to be heard whole: its longest
// sound (a transition's counted from the slide's start, as when none is
// played), and its narration with a pause after it.
qint64 AudibleMilliseconds(const SlideAudio& audio);

// `chosen`, or longer when `audibleMs` needs it, in steps that keep the
// video's frame rate low (the chosen time's and tenths of a second).
SlideDuration LastingAtLeast(SlideDuration chosen, qint64 audibleMs);

// Where `position` of `plan` starts, in sample frames (rounded down, as the
// writer feeds the sound beside the pictures).
qint64 PcmFrameAt(const SlidePlan& plan, qint64 position);

// The sound of one video: each planned slide's audio (by its frame number)
// from the slide's start to its end, `music` under all of it.
AudioMix MixForPlan(const SlidePlan& plan, const QMap<int, SlideAudio>& audio, SharedPcm music);
