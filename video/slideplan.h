#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include "video/frametiming.h"
#include "video/transition.h"

// How long one slide shows: `numerator` / `denominator` seconds, both above 0.
struct SlideDuration {
    qint64 numerator = 1;
    qint64 denominator = 1;

    static SlideDuration milliseconds(qint64 ms) { return {ms, 1000}; }
    // One frame of `timing`.
    static SlideDuration frame(FrameTiming timing) { return {timing.scale, timing.rate}; }
};

// One staged frame Slide<frameNumber>.bmp in the video: it starts at
// position `start` and holds `frames` positions. Before it, from
// `transitionStart`, its transition plays as `transitionPictures` pictures of
// `transitionStep` positions each.
struct PlannedSlide {
    int frameNumber = 0;
    qint64 start = 0;
    qint64 frames = 1;
    Transition transition = {};
    qint64 transitionStart = 0;
    qint64 transitionPictures = 0;
    qint64 transitionStep = 1;
};

// Slides of their own durations on one constant-rate stream: one position
// lasts the greatest common divisor of the durations, so every slide gets its
// exact time in the fewest positions. The slide's picture takes its first
// position; the others repeat it.
struct SlidePlan {
    FrameTiming timing;  // one position: timing.scale / timing.rate seconds
    QList<PlannedSlide> slides;
    qint64 length = 0;  // positions in all
    QString error;      // not empty: no stream can hold these durations

    bool ok() const { return error.isEmpty(); }
    // Slides whose transition is played.
    int transitions() const;
    // The time at `position`, in milliseconds rounded to the nearest.
    qint64 milliseconds(qint64 position) const;
};

// `durations` of the frames numbered `frameNumbers`, in that order (equal lengths).
// `transitions` (none, or one a slide) each add their time before their slide:
// pictures `transitionRate` a second, or with a rate of 0 one a position of the
// slides' own stream; a transition shorter than one picture is left out.
SlidePlan PlanSlides(const QList<int>& frameNumbers, const QList<SlideDuration>& durations,
                     const QList<Transition>& transitions = {}, int transitionRate = 0);
