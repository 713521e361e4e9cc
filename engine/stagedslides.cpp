#include "engine/stagedslides.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cstdlib>
#include <optional>

#include "engine/deckpackage.h"
#include "engine/ooxmladvancetimes.h"
#include "engine/transitionkind.h"
#include "platform/office/slidefactsfile.h"
#include "util/failure.h"
#include "util/slidename.h"

namespace {
[[noreturn]] void refuse(const QString& folder, const QString& reason) {
    DropExportedSlides(folder);
    throw Failure(QStringLiteral("The slides' timings, hidden flags and notes cannot be read: %1")
                      .arg(reason));
}

// Slide1.bmp, Slide2.bmp, ... as the export numbered them, without a gap.
int exportedSlides(const QString& folder) {
    int count = 0;
    while (QFile::exists(SlidePath(folder, count + 1))) ++count;
    return count;
}
}  // namespace

void DropExportedSlides(const QString& folder) {
    for (int number = 1; QFile::remove(SlidePath(folder, number)); ++number) {
    }
    QFile::remove(folder + QLatin1Char('/') + QLatin1String(SlideFactsFileName));
}

void TakeExactAdvanceTimes(QList<SlideFact>& slides, const QString& deck) {
    const auto exact = OoxmlAdvanceTimes(deck);
    if (!exact || exact->size() != slides.size()) return;
    for (qsizetype i = 0; i < slides.size(); ++i) {
        std::optional<qint64>& advance = slides[i].advanceMs;
        const std::optional<qint64>& more = (*exact)[i];
        // Only a time the engine read too, to within its rounding: anything
        // else means the two disagree on which slide is which.
        if (advance && more && std::abs(*advance - *more) < 1000) advance = more;
    }
}

QList<SlideFact> TakeExportedSlideFacts(const QString& folder, bool skipHidden, const QString& deck,
                                        const PackageReader& withPackage) {
    const int slides = exportedSlides(folder);
    const QString packagePath = folder + QLatin1Char('/') + QLatin1String(SlideFactsFileName);
    if (!QFile::exists(packagePath))
        refuse(folder, QStringLiteral("the engine left no copy of them"));
    std::optional<DeckPackage> package(std::in_place, packagePath);
    if (!package->error().isEmpty())
        refuse(folder,
               QStringLiteral("the engine's copy cannot be read (%1)").arg(package->error()));
    SlideFacts facts = ParseSlideFacts(package->content());
    if (!facts.ok()) refuse(folder, facts.error);
    if (facts.slides.size() != slides)
        refuse(folder, QStringLiteral("they tell of %1 slides, the engine painted %2")
                           .arg(facts.slides.size())
                           .arg(slides));
    if (!deck.isEmpty()) TakeExactAdvanceTimes(facts.slides, deck);
    QList<SlideFact> shown;
    QList<int> numbers;
    for (int number = 1; number <= slides; ++number) {
        const SlideFact& slide = facts.slides[number - 1];
        const QString path = SlidePath(folder, number);
        if (skipHidden && slide.hidden) {
            if (!QFile::remove(path)) refuse(folder, path + QStringLiteral(" cannot be removed"));
            continue;
        }
        shown << slide;
        numbers << number;
        const QString renumbered = SlidePath(folder, int(shown.size()));
        if (renumbered != path && !QDir().rename(path, renumbered))
            refuse(folder, path + QStringLiteral(" cannot be renamed"));
    }
    if (withPackage) withPackage(*package, packagePath, shown, numbers);
    package.reset();
    QFile::remove(packagePath);
    return shown;
}

void StagedSlides::stage(int firstFrame, const QList<SlideFact>& slides, const QString& name,
                         const QList<SlideAudio>& audio) {
    for (int i = 0; i < slides.size(); ++i) {
        frames_.insert(firstFrame + i, slides[i]);
        if (i < audio.size() && !audio[i].empty()) audio_.insert(firstFrame + i, audio[i]);
    }
    if (!slides.isEmpty()) presentations_ << Staged{firstFrame, slides.size(), name};
}

SlidePlan StagedSlides::plan(FrameTiming otherwise, bool useTimings, bool transitions,
                             int transitionRate) const {
    QList<int> numbers;
    QList<SlideDuration> durations;
    QList<Transition> leadIns;
    for (auto frame = frames_.cbegin(); frame != frames_.cend(); ++frame) {
        numbers << frame.key();
        // The author's time decides when the next slide comes, as in a slide show.
        if (useTimings && frame->advanceMs)
            durations << SlideDuration::milliseconds(*frame->advanceMs);
        else
            durations << LastingAtLeast(SlideDuration::frame(otherwise),
                                        AudibleMilliseconds(audio_.value(frame.key())));
        if (transitions) leadIns << TransitionFor(frame->transition);
    }
    return PlanSlides(numbers, durations, leadIns, transitionRate);
}

QList<VideoChapter> StagedSlides::chapters(const SlidePlan& plan) const {
    QList<VideoChapter> presentations;
    for (const Staged& staged : presentations_) {
        VideoChapter presentation{-1, 0, staged.name, {}};
        for (const PlannedSlide& slide : plan.slides) {
            const qint64 place = slide.frameNumber - staged.firstFrame;
            if (place < 0 || place >= staged.slides) continue;
            const QString title = frames_.value(slide.frameNumber).title;
            const qint64 startMs = plan.milliseconds(slide.transitionStart);
            presentation.chapters << VideoChapter{
                startMs,
                plan.milliseconds(slide.start + slide.frames),
                title.isEmpty() ? QStringLiteral("Slide %1").arg(place + 1) : title,
                {}};
            if (presentation.startMs < 0) presentation.startMs = startMs;
            presentation.endMs = presentation.chapters.last().endMs;
        }
        if (!presentation.chapters.isEmpty()) presentations << presentation;
    }
    if (presentations.size() == 1) return presentations.first().chapters;
    return presentations;
}

QList<SubtitleCue> StagedSlides::cues(const SlidePlan& plan) const {
    QList<SubtitleCue> cues;
    for (const PlannedSlide& slide : plan.slides) {
        const QString notes = frames_.value(slide.frameNumber).notes;
        if (notes.trimmed().isEmpty()) continue;
        const qint64 start = plan.milliseconds(slide.start);
        const qint64 end = plan.milliseconds(slide.start + slide.frames);
        const QList<SpokenSpan> spoken = audio_.value(slide.frameNumber).spoken;
        const QStringList paragraphs = notes.split(QLatin1Char('\n'));
        if (spoken.size() != paragraphs.size()) {
            cues << SubtitleCue{start, end, notes};
            continue;
        }
        for (qsizetype i = 0; i < paragraphs.size(); ++i) {
            const qint64 from = std::min(end, start + spoken[i].startMs);
            const qint64 to = std::min(end, start + spoken[i].endMs);
            if (!paragraphs[i].trimmed().isEmpty() && to > from)
                cues << SubtitleCue{from, to, paragraphs[i]};
        }
    }
    return cues;
}

AudioMix StagedSlides::mix(const SlidePlan& plan, SharedPcm music) const {
    return MixForPlan(plan, audio_, std::move(music));
}
