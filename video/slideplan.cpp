#include "video/slideplan.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace {
// Positions are 32-bit in the AVI stream calls and the index.
constexpr qint64 MostPositions = std::numeric_limits<qint32>::max();

bool multiply(qint64 a, qint64 b, qint64& result) {
    return !__builtin_mul_overflow(a, b, &result);
}
}  // namespace

qint64 SlidePlan::milliseconds(qint64 position) const {
    if (timing.rate == 0) return 0;
    const __int128 scaled = static_cast<__int128>(position) * timing.scale * 1000;
    return static_cast<qint64>((scaled * 2 + timing.rate) /
                               (2 * static_cast<__int128>(timing.rate)));
}

int SlidePlan::transitions() const {
    int played = 0;
    for (const PlannedSlide& slide : slides)
        if (slide.transitionPictures > 0) ++played;
    return played;
}

SlidePlan PlanSlides(const QList<int>& frameNumbers, const QList<SlideDuration>& durations,
                     const QList<Transition>& transitions, int transitionRate) {
    SlidePlan plan;
    if (frameNumbers.size() != durations.size() ||
        (!transitions.isEmpty() && transitions.size() != durations.size()) || transitionRate < 0) {
        plan.error = QStringLiteral("the slides and their durations do not match");
        return plan;
    }
    if (durations.isEmpty()) return plan;
    // Every duration in lowest terms, then in units of 1 / common seconds.
    QList<SlideDuration> reduced;
    qint64 common = 1;
    // Transition pictures of their own rate share the stream's positions.
    QList<SlideDuration> measured = durations;
    const bool ownRate =
        transitionRate > 0 && std::any_of(transitions.cbegin(), transitions.cend(),
                                          [](const Transition& t) { return t.plays(); });
    if (ownRate) measured << SlideDuration{1, transitionRate};
    for (const SlideDuration& duration : measured) {
        if (duration.numerator <= 0 || duration.denominator <= 0) {
            plan.error = QStringLiteral("a slide has no duration");
            return plan;
        }
        const qint64 g = std::gcd(duration.numerator, duration.denominator);
        reduced << SlideDuration{duration.numerator / g, duration.denominator / g};
        const qint64 den = reduced.last().denominator;
        if (!multiply(common / std::gcd(common, den), den, common)) {
            plan.error = QStringLiteral("the slides' durations have no common measure");
            return plan;
        }
    }
    QList<qint64> units;
    qint64 step = 0;
    for (const SlideDuration& duration : reduced) {
        qint64 inUnits = 0;
        if (!multiply(duration.numerator, common / duration.denominator, inUnits)) {
            plan.error = QStringLiteral("the slides' durations have no common measure");
            return plan;
        }
        units << inUnits;
        step = std::gcd(step, inUnits);
    }
    // One position lasts step / common seconds.
    const qint64 g = std::gcd(step, common);
    const qint64 scale = step / g;
    const qint64 rate = common / g;
    if (scale > std::numeric_limits<qint32>::max() || rate > std::numeric_limits<qint32>::max()) {
        plan.error = QStringLiteral("the slides' durations need a frame rate no stream can hold");
        return plan;
    }
    plan.timing = FrameTiming{quint32(rate), quint32(scale)};
    const qint64 pictureStep = ownRate ? units.last() / step : 1;
    // Pictures of one transition, rounded to the nearest; under one picture none.
    const auto pictures = [&](qint64 ms) -> qint64 {
        const __int128 pictureMs = static_cast<__int128>(pictureStep) * scale * 1000;  // x rate
        const __int128 length = static_cast<__int128>(ms) * rate;
        if (ms <= 0 || length < pictureMs) return 0;
        return static_cast<qint64>(
            std::min<__int128>((length * 2 + pictureMs) / (2 * pictureMs), MostPositions));
    };
    for (int i = 0; i < durations.size(); ++i) {
        PlannedSlide slide{frameNumbers[i], 0, units[i] / step};
        if (!transitions.isEmpty() && transitions[i].plays()) {
            slide.transition = transitions[i];
            slide.transitionPictures = pictures(transitions[i].durationMs);
            slide.transitionStep = pictureStep;
        }
        slide.transitionStart = plan.length;
        qint64 transition = 0;
        if (!multiply(slide.transitionPictures, slide.transitionStep, transition) ||
            transition > MostPositions - plan.length ||
            slide.frames > MostPositions - plan.length - transition) {
            plan = SlidePlan();
            plan.error = QStringLiteral("the video would hold more frames than a stream can");
            return plan;
        }
        slide.start = plan.length + transition;
        plan.slides << slide;
        plan.length = slide.start + slide.frames;
    }
    return plan;
}
