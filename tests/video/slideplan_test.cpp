#include <gtest/gtest.h>

#include "video/slideplan.h"
#include "video/srtwriter.h"

TEST(SlidePlan, OneRateGivesEverySlideItsExactTimeInTheFewestFrames) {
    const struct {
        QList<SlideDuration> durations;
        quint32 rate, scale;
        QList<qint64> starts;
        qint64 length;
    } cases[] = {
        {{{2000, 1000}, {4000, 1000}, {1500, 1000}}, 2, 1, {0, 4, 12}, 15},
        {{{5120, 1000}, {1, 2}}, 50, 1, {0, 256}, 281},
        {{{1, 3}, {2000, 1000}}, 3, 1, {0, 1}, 7},
        {{{5, 2}, {5, 2}}, 2, 5, {0, 1}, 2},
        {{{5001, 1000}, {5000, 1000}}, 1000, 1, {0, 5001}, 10001},
        {{{3600000, 1000}}, 1, 3600, {0}, 1},
    };
    for (const auto& c : cases) {
        QList<int> numbers;
        for (int i = 0; i < c.durations.size(); ++i) numbers << i + 1;
        const SlidePlan plan = PlanSlides(numbers, c.durations);
        ASSERT_TRUE(plan.ok()) << plan.error.toStdString();
        EXPECT_EQ(plan.timing.rate, c.rate);
        EXPECT_EQ(plan.timing.scale, c.scale);
        EXPECT_EQ(plan.length, c.length);
        QList<qint64> starts;
        for (const PlannedSlide& slide : plan.slides) starts << slide.start;
        EXPECT_EQ(starts, c.starts);
    }
}

TEST(SlidePlan, RefusesWhatNoStreamHolds) {
    const struct {
        QList<int> numbers;
        QList<SlideDuration> durations;
    } cases[] = {
        {{1}, {{0, 1000}}},
        {{1, 2}, {{1, 1000}}},
        {{1, 2}, {{1, 999'983}, {1, 999'979}}},        // rate past 32 bits
        {{1, 2}, {{3'000'000'000, 1000}, {1, 1000}}},  // more frames than 32 bits count
    };
    for (const auto& c : cases) EXPECT_FALSE(PlanSlides(c.numbers, c.durations).ok());
}

TEST(SlidePlan, TimesRoundToTheNearestMillisecond) {
    SlidePlan plan;
    plan.timing = {3, 1};
    EXPECT_EQ(plan.milliseconds(1), 333);
    EXPECT_EQ(plan.milliseconds(2), 667);
    plan.timing = {1000, 0x7fffffff};
    EXPECT_EQ(plan.milliseconds(0x7fffffff), 0x7fffffffLL * 0x7fffffffLL);
}

TEST(Srt, NumbersCuesAndKeepsOnlyLinesThatHoldSomething) {
    const QByteArray text =
        SrtText({{0, 2000, QStringLiteral("One\n\n  two ")},
                 {2000, 2500, QStringLiteral(" \n ")},
                 {3'723'004, 3'725'000, QString::fromUtf8("\xc3\xa9t\xc3\xa9")}});
    EXPECT_EQ(text, QByteArray("1\n00:00:00,000 --> 00:00:02,000\nOne\ntwo\n\n"
                               "2\n01:02:03,004 --> 01:02:05,000\n\xc3\xa9t\xc3\xa9\n\n"));
    EXPECT_EQ(SubtitlePath(QStringLiteral("/v/talk (2).avi")), QStringLiteral("/v/talk (2).srt"));
    EXPECT_EQ(SubtitlePath(QStringLiteral("/v.d/talk")), QStringLiteral("/v.d/talk.srt"));
}
