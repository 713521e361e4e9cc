#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cmath>

#include "audio/audiodecoder.h"
#include "audio/slideaudio.h"
#include "tests/support/tones.h"

namespace {
SharedPcm constant(qint64 frames, float value) {
    auto pcm = std::make_shared<Pcm>();
    pcm->samples.assign(size_t(frames) * PcmChannels, value);
    return pcm;
}

float at(const AudioMix& mix, qint64 frame) {
    float pair[2];
    mix.render(frame, pair);
    return pair[0];
}

}  // namespace

// Clips sum where they are placed and stop at their own end or their cut;
// music sits under all of it, lowered around clips and faded at the end.
TEST(AudioMix, PlacesCutsDucksAndFades) {
    const qint64 second = PcmRate;
    AudioMix mix(10 * second);
    mix.add(1 * second, 2 * second, constant(5 * second, 0.25f));   // cut at 2 s
    mix.add(5 * second, 9 * second, constant(1 * second, 0.125f));  // ends at 6 s
    mix.setMusic(constant(3 * second, 0.5f));                       // looped
    const float alone = AudioMix::MusicLevel * 0.5f;
    const float under = alone * AudioMix::DuckedShare;
    const struct {
        qint64 frame;
        float expected;
    } cases[] = {
        {0, alone},
        {second + 10, 0.25f + under},
        {2 * second + AudioMix::DuckFrames, alone},  // cut, and the music is back
        {2 * second + AudioMix::DuckFrames / 2, (alone + under) / 2 + 0.0f},
        {4 * second, alone},  // the music looped past its 3 s
        {5 * second + 10, 0.125f + under},
        {6 * second + AudioMix::DuckFrames, alone},
        {10 * second - AudioMix::LongestFadeFrames / 2, alone / 2},
        {10 * second - 1, alone / float(AudioMix::LongestFadeFrames)},
    };
    for (const auto& c : cases) EXPECT_NEAR(at(mix, c.frame), c.expected, 2e-4) << c.frame;
    float past[2] = {1, 1};
    mix.render(10 * second, past);
    EXPECT_EQ(past[0], 0.0f);
    AudioMix loud(second);
    loud.add(0, second, constant(second, 0.75f));
    loud.add(0, second, constant(second, 0.75f));
    EXPECT_EQ(at(loud, 10), 1.0f);  // clipped, never wrapped
}

TEST(SlideAudio, ASlideLastsItsSoundInStepsOfItsOwnTimeOrTenths) {
    const auto pcmOf = [](qint64 ms) { return constant(PcmFrames(ms), 0); };
    EXPECT_EQ(AudibleMilliseconds({{pcmOf(3000), pcmOf(1200)}, nullptr, {}}), 3000);
    EXPECT_EQ(AudibleMilliseconds({{pcmOf(1000)}, pcmOf(2000), {}}), 2000 + NarrationPauseMs);
    const struct {
        SlideDuration chosen;
        qint64 audibleMs;
        double seconds;
    } cases[] = {
        {{1, 1}, 0, 1},         {{5, 1}, 3217, 5},   {{1, 1}, 3217, 3.3},     {{1, 2}, 3217, 3.3},
        {{1, 3}, 3217, 3.2333}, {{5, 2}, 3217, 3.3}, {{1, 30}, 1001, 1.0333}, {{1, 1}, 3000, 3},
    };
    for (const auto& c : cases) {
        const SlideDuration lasting = LastingAtLeast(c.chosen, c.audibleMs);
        const double seconds = double(lasting.numerator) / double(lasting.denominator);
        EXPECT_NEAR(seconds, c.seconds, 1e-4)
            << c.chosen.numerator << "/" << c.chosen.denominator << " " << c.audibleMs;
        EXPECT_GE(seconds * 1000 + 1e-9, double(c.audibleMs));
    }
}

// The plan's slide times place each slide's sound; one without audio stays silent.
// A transition's sound starts with the transition, before its slide.
TEST(SlideAudio, EachSlidesSoundStartsAndEndsWithItsSlide) {
    const Transition fade{Transition::CrossFade, Transition::Left, true, true, 500};
    const SlidePlan plan =
        PlanSlides({1, 2, 3}, {{1, 1}, {2, 1}, {1, 1}}, {Transition{}, Transition{}, fade}, 10);
    QMap<int, SlideAudio> audio;
    audio.insert(2, SlideAudio{{constant(5 * PcmRate, 0.25f)}, nullptr, {}});
    audio.insert(3, SlideAudio{{}, nullptr, {}, constant(PcmRate, 0.5f)});
    const AudioMix mix = MixForPlan(plan, audio, nullptr);
    EXPECT_EQ(mix.length(), PcmRate * 9 / 2);
    EXPECT_EQ(at(mix, PcmRate - 1), 0.0f);
    EXPECT_EQ(at(mix, PcmRate), 0.25f);
    EXPECT_EQ(at(mix, 3 * PcmRate - 1), 0.25f);
    EXPECT_EQ(at(mix, 3 * PcmRate), 0.5f);
    EXPECT_EQ(at(mix, PcmRate * 4 - 1), 0.5f);
    EXPECT_EQ(at(mix, PcmRate * 4), 0.0f);
}

TEST(AudioDecoder, ReadsAnyRateAsStereoAt48kAndRefusesWhatIsNoSound) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wav = dir.filePath(QStringLiteral("tone.wav"));
    const QString bad = dir.filePath(QStringLiteral("bad.wav"));
    {
        QFile out(wav);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(ToneWav(22050, 3));
        QFile garbage(bad);
        ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(4000, 'x'));
    }
    const DecodedAudio tone = DecodeAudioFile(wav, 60'000);
    ASSERT_TRUE(tone.ok()) << tone.error.toStdString();
    EXPECT_NEAR(double(tone.pcm.frames()), 3.0 * PcmRate, 64);
    float loudest = 0;
    for (qint64 i = 0; i < tone.pcm.frames(); ++i) {
        loudest = std::max(loudest, std::abs(tone.pcm.samples[size_t(2 * i)]));
        ASSERT_EQ(tone.pcm.samples[size_t(2 * i)], tone.pcm.samples[size_t(2 * i + 1)]);
    }
    EXPECT_NEAR(loudest, 12000.0 / 32768, 0.01);  // mono at its own level on both sides
    EXPECT_EQ(DecodeAudioFile(wav, 1000).pcm.frames(), PcmRate);
    EXPECT_FALSE(DecodeAudioFile(bad, 1000).ok());
    EXPECT_FALSE(DecodeAudioFile(dir.filePath(QStringLiteral("none.wav")), 1000).ok());
}
