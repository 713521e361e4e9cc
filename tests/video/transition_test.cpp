#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "video/slideplan.h"
#include "video/transitionpainter.h"

namespace {
constexpr int Width = 8;
constexpr int Height = 4;

// A 24-bit picture stored bottom-up whose pixel (x, y) is (x, y, tag) as blue, green, red.
struct Picture {
    explicit Picture(int tag) : bytes(size_t(Stride * Height)) {
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) {
                unsigned char* p = rows().row(y) + x * 3;
                p[0] = quint8(x);
                p[1] = quint8(y);
                p[2] = quint8(tag);
            }
    }
    PixelRows rows() { return {bytes.data(), Width, Height, 3, Stride, true}; }
    // "tag:x,y" of the source pixel shown at (x, y).
    std::string at(int x, int y) {
        const unsigned char* p = rows().row(y) + x * 3;
        return std::to_string(p[2]) + ":" + std::to_string(p[0]) + "," + std::to_string(p[1]);
    }
    static constexpr qsizetype Stride = 24;  // 8 pixels of 3 bytes, a multiple of 4
    std::vector<unsigned char> bytes;
};

Transition move(Transition::Kind kind, Transition::Side side, bool upright = true,
                bool outward = true, qint64 ms = 0) {
    return {kind, side, upright, outward, ms};
}

double linear(double v) {
    v /= 255;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}
}  // namespace

// Moves copy whole runs at the offset their kind and side give: a quarter of the
// way (two of eight columns, one of four rows) old slide "1" and new slide "2".
TEST(TransitionPainter, MovesShowBothSlidesAtTheirOffsets) {
    using T = Transition;
    const struct {
        T transition;
        int x, y;
        const char* shown;
    } cases[] = {
        {move(T::Push, T::Left), 0, 0, "2:6,0"},
        {move(T::Push, T::Left), 2, 0, "1:0,0"},
        {move(T::Push, T::Right), 5, 0, "1:7,0"},
        {move(T::Push, T::Right), 6, 0, "2:0,0"},
        {move(T::Push, T::Top), 0, 0, "2:0,3"},
        {move(T::Push, T::Top), 0, 1, "1:0,0"},
        {move(T::Push, T::Bottom), 0, 2, "1:0,3"},
        {move(T::Push, T::Bottom), 0, 3, "2:0,0"},
        {move(T::Cover, T::Left), 1, 0, "2:7,0"},
        {move(T::Cover, T::Left), 2, 0, "1:2,0"},
        {move(T::Cover, T::Bottom), 0, 3, "2:0,0"},
        {move(T::Cover, T::Bottom), 0, 2, "1:0,2"},
        {move(T::Uncover, T::Left), 0, 0, "1:2,0"},
        {move(T::Uncover, T::Left), 6, 0, "2:6,0"},
        {move(T::Uncover, T::Top), 0, 2, "1:0,3"},
        {move(T::Uncover, T::Top), 0, 3, "2:0,3"},
        {move(T::Uncover, T::Right), 1, 0, "2:1,0"},
        {move(T::Uncover, T::Right), 2, 0, "1:0,0"},
        {move(T::Wipe, T::Right), 5, 0, "1:5,0"},
        {move(T::Wipe, T::Right), 6, 0, "2:6,0"},
        {move(T::Wipe, T::Top), 0, 0, "2:0,0"},
        {move(T::Wipe, T::Top), 0, 1, "1:0,1"},
        {move(T::Split, T::Left, true, true), 2, 0, "1:2,0"},
        {move(T::Split, T::Left, true, true), 3, 0, "2:3,0"},
        {move(T::Split, T::Left, true, true), 5, 0, "1:5,0"},
        {move(T::Split, T::Left, true, false), 0, 0, "2:0,0"},
        {move(T::Split, T::Left, true, false), 1, 0, "1:1,0"},
        {move(T::Split, T::Left, false, true), 0, 0, "1:0,0"},
        {move(T::Split, T::Left, false, true), 0, 1, "2:0,1"},
    };
    TransitionPainter painter;
    Picture from(1), to(2), out(0);
    for (const auto& c : cases) {
        ASSERT_TRUE(painter.paint(c.transition, 0.25, from.rows(), to.rows(), out.rows()));
        EXPECT_EQ(out.at(c.x, c.y), c.shown) << "kind " << c.transition.kind << " side "
                                             << c.transition.side << " at " << c.x << "," << c.y;
    }
}

// Halfway through a cross-fade each value is the mean of the two slides' in
// light; a fade through black is black at its middle and white is white.
TEST(TransitionPainter, FadesMixInLinearLight) {
    TransitionPainter painter;
    Picture from(0), to(255), out(0);
    std::fill(from.bytes.begin(), from.bytes.end(), 40);
    std::fill(to.bytes.begin(), to.bytes.end(), 230);
    ASSERT_TRUE(painter.paint(move(Transition::CrossFade, Transition::Left), 0.5, from.rows(),
                              to.rows(), out.rows()));
    EXPECT_NEAR(linear(out.bytes[0]), (linear(40) + linear(230)) / 2, 0.005);
    EXPECT_NEAR(out.bytes[0], 171, 1);  // not the stored values' mean, 135
    const struct {
        Transition::Kind kind;
        double progress;
        int value;
    } fades[] = {{Transition::FadeThroughBlack, 0.5, 0},
                 {Transition::FadeThroughWhite, 0.5, 255},
                 {Transition::FadeThroughBlack, 0.0, 40},
                 {Transition::FadeThroughWhite, 1.0, 230},
                 {Transition::CrossFade, 1.0, 230}};
    for (const auto& f : fades) {
        ASSERT_TRUE(painter.paint(move(f.kind, Transition::Left), f.progress, from.rows(),
                                  to.rows(), out.rows()));
        EXPECT_EQ(out.bytes[5], f.value) << f.kind << " at " << f.progress;
    }
    // Pictures of other layouts than each other are refused, not misread.
    PixelRows narrow = out.rows();
    narrow.width = 4;
    EXPECT_FALSE(painter.paint(move(Transition::CrossFade, Transition::Left), 0.5, from.rows(),
                               to.rows(), narrow));
}

// Transition pictures come before their slide, at their own rate in a stream
// of any rate (or one a position of it), and a slide keeps its own time.
TEST(SlidePlan, TransitionsAddTheirTimeBeforeTheSlideTheyLeadInto) {
    const Transition none = move(Transition::Cut, Transition::Left);
    const Transition fade = move(Transition::CrossFade, Transition::Left, true, true, 1000);
    const Transition push = move(Transition::Push, Transition::Right, true, true, 500);
    const Transition brief = move(Transition::Wipe, Transition::Left, true, true, 20);
    const struct {
        QList<SlideDuration> durations;
        QList<Transition> transitions;
        int rate;
        quint32 timingRate, timingScale;
        QList<qint64> transitionStarts, starts, pictures, steps;
    } cases[] = {
        // 2 s slides with pictures 30 a second: positions of 1/30 s.
        {{{2, 1}, {2, 1}, {2, 1}},
         {none, fade, push},
         30,
         30,
         1,
         {0, 60, 150},
         {0, 90, 165},
         {0, 30, 15},
         {1, 1, 1}},
        // 2.5 s slides in a stream of 1/60 s positions: each picture two positions.
        {{{5, 2}, {1, 60}}, {fade, push}, 30, 60, 1, {0, 210}, {60, 240}, {30, 15}, {2, 2}},
        // One position a picture at the slides' own 4 a second; 20 ms is under one.
        {{{1, 4}, {1, 4}, {1, 4}},
         {fade, push, brief},
         0,
         4,
         1,
         {0, 5, 8},
         {4, 7, 8},
         {4, 2, 0},
         {1, 1, 1}},
        // Without transitions the stream is as it was.
        {{{2, 1}, {2, 1}}, {}, 30, 1, 2, {0, 1}, {0, 1}, {0, 0}, {1, 1}},
    };
    for (const auto& c : cases) {
        QList<int> numbers;
        for (int i = 0; i < c.durations.size(); ++i) numbers << i + 1;
        const SlidePlan plan = PlanSlides(numbers, c.durations, c.transitions, c.rate);
        ASSERT_TRUE(plan.ok()) << plan.error.toStdString();
        EXPECT_EQ(plan.timing.rate, c.timingRate);
        EXPECT_EQ(plan.timing.scale, c.timingScale);
        QList<qint64> transitionStarts, starts, pictures, steps;
        for (const PlannedSlide& slide : plan.slides) {
            transitionStarts << slide.transitionStart;
            starts << slide.start;
            pictures << slide.transitionPictures;
            steps << slide.transitionStep;
        }
        EXPECT_EQ(transitionStarts, c.transitionStarts);
        EXPECT_EQ(starts, c.starts);
        EXPECT_EQ(pictures, c.pictures);
        EXPECT_EQ(steps, c.steps);
        EXPECT_EQ(plan.length, plan.slides.last().start + plan.slides.last().frames);
    }
}
