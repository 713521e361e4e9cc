#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <functional>

#include "audio/slideaudio.h"
#include "engine/slidefacts.h"
#include "video/frametiming.h"
#include "video/slideplan.h"
#include "video/srtwriter.h"
#include "video/videochapter.h"
#include "video/videosettings.h"

// After an export into `folder` (Slide1.bmp ... and the facts file beside
// them): reads and removes the facts file, leaves hidden slides out when
// `skipHidden` (the rest renumbered from 1), and returns the facts of the
// slides left, in order. When the facts cannot be read the slides are removed
// too, so no video claims to follow them, and Failure says why.
// `deck` is the presentation they came from: where it holds its advance times
// more exactly than the engine's copy, those are taken. `withPackage`, when
// given, reads what else it needs from the engine's copy (at its path) for the
// slides kept (their numbers in the presentation) before it goes.
class DeckPackage;
using PackageReader = std::function<void(const DeckPackage&, const QString&,
                                         const QList<SlideFact>&, const QList<int>&)>;
QList<SlideFact> TakeExportedSlideFacts(const QString& folder, bool skipHidden,
                                        const QString& deck = QString(),
                                        const PackageReader& withPackage = {});
// The advance times `deck` gives to the millisecond put in place of the
// engine's rounded ones, slide by slide.
void TakeExactAdvanceTimes(QList<SlideFact>& slides, const QString& deck);
// An export that failed part way: its slides go, so no video claims to follow facts never read.
void DropExportedSlides(const QString& folder);

// What each staged frame of one video shows, by its number in "Slide<n>.bmp".
class StagedSlides {
  public:
    void clear() {
        frames_.clear();
        presentations_.clear();
        audio_.clear();
    }
    // Frames numbered from `firstFrame` show `slides`, in order, of the presentation `name`,
    // playing `audio` (one for each slide, or none).
    void stage(int firstFrame, const QList<SlideFact>& slides, const QString& name = {},
               const QList<SlideAudio>& audio = {});
    // Each slide lasting its advance time (with `useTimings`), else `otherwise`
    // or as long as its sound needs; with `transitions`, each slide's transition
    // before it, `transitionRate` pictures a second (0: one a position of the slides' stream).
    SlidePlan plan(FrameTiming otherwise, bool useTimings, bool transitions = false,
                   int transitionRate = 0) const;
    // One cue for each slide with notes, from its start to its end in `plan`;
    // spoken notes one cue a paragraph, while its words are spoken.
    QList<SubtitleCue> cues(const SlidePlan& plan) const;
    // One chapter a slide of `plan`, titled with its title or "Slide N" (its
    // place among its presentation's slides), from where its transition starts;
    // with slides of several presentations, one chapter each holding its slides'.
    QList<VideoChapter> chapters(const SlidePlan& plan) const;
    // The slides' sound on `plan`'s timeline, `music` under it.
    AudioMix mix(const SlidePlan& plan, SharedPcm music) const;

  private:
    struct Staged {
        int firstFrame = 0;
        qsizetype slides = 0;
        QString name;
    };
    QMap<int, SlideFact> frames_;
    QMap<int, SlideAudio> audio_;
    QList<Staged> presentations_;
};
