#include "audio/slideaudio.h"

#include <algorithm>
#include <limits>
#include <numeric>

qint64 AudibleMilliseconds(const SlideAudio& audio) {
    qint64 longest = 0;
    for (const SharedPcm& sound : audio.sounds)
        if (sound) longest = std::max(longest, sound->milliseconds());
    if (audio.transitionSound) longest = std::max(longest, audio.transitionSound->milliseconds());
    if (audio.narration)
        longest = std::max(longest, audio.narration->milliseconds() + NarrationPauseMs);
    return longest;
}

SlideDuration LastingAtLeast(SlideDuration chosen, qint64 audibleMs) {
    if (chosen.numerator <= 0 || chosen.denominator <= 0) return chosen;
    // chosen = n / d seconds; the step gcd(n / d, 1 / 10) = g / (10 d) with g = gcd(10 n, d).
    const __int128 n = chosen.numerator;
    const __int128 d = chosen.denominator;
    if (__int128(audibleMs) * d <= n * 1000) return chosen;
    const qint64 g = std::gcd(qint64(10 * n), qint64(d));
    const __int128 perStep = __int128(1000) * g;  // milliseconds * 10 d in one step
    const __int128 steps = (__int128(audibleMs) * 10 * d + perStep - 1) / perStep;
    const __int128 numerator = steps * g;
    const __int128 denominator = 10 * d;
    if (numerator > std::numeric_limits<qint64>::max() ||
        denominator > std::numeric_limits<qint64>::max())
        return SlideDuration::milliseconds(audibleMs);
    return {qint64(numerator), qint64(denominator)};
}

qint64 PcmFrameAt(const SlidePlan& plan, qint64 position) {
    if (plan.timing.rate == 0) return 0;
    const __int128 frames = __int128(position) * plan.timing.scale * PcmRate / plan.timing.rate;
    return frames > std::numeric_limits<qint64>::max() ? std::numeric_limits<qint64>::max()
                                                       : qint64(frames);
}

AudioMix MixForPlan(const SlidePlan& plan, const QMap<int, SlideAudio>& audio, SharedPcm music) {
    AudioMix mix(PcmFrameAt(plan, plan.length));
    for (const PlannedSlide& slide : plan.slides) {
        const auto found = audio.constFind(slide.frameNumber);
        if (found == audio.cend()) continue;
        const qint64 start = PcmFrameAt(plan, slide.start);
        const qint64 end = PcmFrameAt(plan, slide.start + slide.frames);
        for (const SharedPcm& sound : found->sounds) mix.add(start, end, sound);
        const qint64 transitionStart =
            slide.transitionPictures > 0 ? PcmFrameAt(plan, slide.transitionStart) : start;
        mix.add(transitionStart, end, found->transitionSound);
        mix.add(start, end, found->narration);
    }
    mix.setMusic(std::move(music));
    return mix;
}
