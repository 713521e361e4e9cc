#include "engine/stagedslides.h"

#include <QDir>
#include <QFile>
#include <cstdlib>

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

QList<SlideFact> TakeExportedSlideFacts(const QString& folder, bool skipHidden,
                                        const QString& deck) {
    const int slides = exportedSlides(folder);
    QFile file(folder + QLatin1Char('/') + QLatin1String(SlideFactsFileName));
    if (!file.open(QIODevice::ReadOnly))
        refuse(folder,
               QStringLiteral("the engine left no copy of them (%1)").arg(file.errorString()));
    SlideFacts facts = ParseSlideFacts(file.readAll());
    file.close();
    file.remove();
    if (!facts.ok()) refuse(folder, facts.error);
    if (facts.slides.size() != slides)
        refuse(folder, QStringLiteral("they tell of %1 slides, the engine painted %2")
                           .arg(facts.slides.size())
                           .arg(slides));
    if (!deck.isEmpty()) TakeExactAdvanceTimes(facts.slides, deck);
    if (!skipHidden) return facts.slides;
    QList<SlideFact> shown;
    for (int number = 1; number <= slides; ++number) {
        const SlideFact& slide = facts.slides[number - 1];
        const QString path = SlidePath(folder, number);
        if (slide.hidden) {
            if (!QFile::remove(path)) refuse(folder, path + QStringLiteral(" cannot be removed"));
            continue;
        }
        shown << slide;
        const QString renumbered = SlidePath(folder, int(shown.size()));
        if (renumbered != path && !QDir().rename(path, renumbered))
            refuse(folder, path + QStringLiteral(" cannot be renamed"));
    }
    return shown;
}

void StagedSlides::stage(int firstFrame, const QList<SlideFact>& slides, const QString& name) {
    for (int i = 0; i < slides.size(); ++i) frames_.insert(firstFrame + i, slides[i]);
    if (!slides.isEmpty()) presentations_ << Staged{firstFrame, slides.size(), name};
}

SlidePlan StagedSlides::plan(FrameTiming otherwise, bool useTimings, bool transitions,
                             int transitionRate) const {
    QList<int> numbers;
    QList<SlideDuration> durations;
    QList<Transition> leadIns;
    for (auto frame = frames_.cbegin(); frame != frames_.cend(); ++frame) {
        numbers << frame.key();
        durations << (useTimings && frame->advanceMs
                          ? SlideDuration::milliseconds(*frame->advanceMs)
                          : SlideDuration::frame(otherwise));
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
        cues << SubtitleCue{plan.milliseconds(slide.start),
                            plan.milliseconds(slide.start + slide.frames), notes};
    }
    return cues;
}
