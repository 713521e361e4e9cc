#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>

#include "../support/fakehost.h"
#include "../support/scriptedprompts.h"
#include "../support/testsupport.h"
#include "support/audiodecode.h"
#include "support/avidecode.h"
#include "support/dibbuilder.h"
#include "video/framevideo.h"
#include "video/slideplan.h"

// Four minutes of slides of 7/6 s and 11/7 s, so that a position is 1/42 s and
// holds no whole number of samples: each slide starts with a click, and every
// click is heard within one frame at 30 a second of its picture, up to the last.
TEST(SoundSync, EachSlidesClickMeetsItsPictureToTheEndOfALongVideo) {
    constexpr int slides = 176;
    QList<int> numbers;
    QList<SlideDuration> durations;
    for (int i = 1; i <= slides; ++i) {
        numbers << i;
        durations << (i % 2 ? SlideDuration{7, 6} : SlideDuration{11, 7});
    }
    const SlidePlan plan = PlanSlides(numbers, durations);
    ASSERT_TRUE(plan.ok()) << plan.error.toStdString();
    ASSERT_EQ(plan.timing.rate, 42u);
    QList<qint64> clicks;  // the sample frame each slide starts at, as the mix places it
    for (const PlannedSlide& slide : plan.slides)
        clicks << slide.start * plan.timing.scale * AudioSampleRate / plan.timing.rate;
    const qint64 total = plan.length * plan.timing.scale * AudioSampleRate / plan.timing.rate;
    const SoundSource sound{total, [&clicks](qint64 first, std::span<float> out) {
                                std::fill(out.begin(), out.end(), 0.0f);
                                const qint64 frames = qint64(out.size()) / AudioChannels;
                                for (qint64 click : clicks)
                                    for (qint64 f = std::max(click, first);
                                         f < std::min(click + 480, first + frames); ++f)
                                        out[size_t(f - first) * AudioChannels] =
                                            out[size_t(f - first) * AudioChannels + 1] = 0.5f;
                            }};

    for (const char* extension : {".avi", ".mp4", ".mkv"}) {
        SCOPED_TRACE(extension);
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        const QString frames = root.filePath(QStringLiteral("temp"));
        QDir().mkpath(frames);
        for (int i = 1; i <= slides; ++i)
            writeFile(frames + QStringLiteral("/Slide%1.bmp").arg(i),
                      MakeBmpFile(MakeDib(TestPattern(64, 48, i), 24)));
        FrameVideo video;
        video.frameFolder = frames;
        video.scratchBitmap = root.filePath(QStringLiteral("temp.bmp"));
        video.outputPath = root.filePath(QStringLiteral("long") + QLatin1String(extension));
        video.plan = plan;
        video.audio = AudioStreamFormat{};
        video.sound = sound;
        FakeHost host;
        ScriptedPrompts prompts;
        ASSERT_EQ(WriteFrameVideo(host, prompts, video).kind, VideoOutcome::Written)
            << prompts.messages().join(QLatin1Char('\n')).toStdString();

        const DecodedVideo pictures = DecodeVideo(video.outputPath, false);
        ASSERT_TRUE(pictures.ok()) << pictures.error.toStdString();
        QList<double> shown;
        for (qsizetype i = 0; i < pictures.packetSizes.size(); ++i)
            if (pictures.packetSizes[i] > 0) shown << pictures.packetSeconds[i];
        const DecodedAudio heard = DecodeAudio(video.outputPath);
        ASSERT_TRUE(heard.ok()) << heard.error.toStdString();
        ASSERT_EQ(shown.size(), slides);
        ASSERT_EQ(heard.onsets.size(), slides);
        double worst = 0;
        for (int i = 0; i < slides; ++i)
            worst = std::max(worst, std::abs(heard.onsets[i] - shown[i]));
        EXPECT_LT(worst, 1.0 / 30);
        EXPECT_NEAR(heard.seconds, double(total) / AudioSampleRate, 1.0 / 30);
    }
}
