#include <gtest/gtest.h>

#include "engine/stagedslides.h"
#include "engine/transitionkind.h"
#include "video/chapterlist.h"

// Each named kind is drawn as itself with its side; other kinds as the nearest.
TEST(TransitionKind, DrawsEachKindAsItselfOrTheNearest) {
    using T = Transition;
    const struct {
        const char* type;
        const char* subtype;
        bool reverse;
        const char* colour;
        T::Kind kind;
        T::Side side;
        bool outward;
    } cases[] = {
        {"", "", false, "", T::Cut, T::Left, true},
        {"fade", "crossfade", false, "", T::CrossFade, T::Left, true},
        {"fade", "fadeOverColor", false, "#000000", T::FadeThroughBlack, T::Left, true},
        {"fade", "fadeToColor", false, "#f0f0f0", T::FadeThroughWhite, T::Left, true},
        {"dissolve", "", false, "", T::CrossFade, T::Left, true},
        {"pushWipe", "fromRight", false, "", T::Push, T::Right, true},
        {"pushWipe", "fromTop", true, "", T::Push, T::Bottom, true},
        {"pushWipe", "combVertical", false, "", T::Push, T::Bottom, true},
        {"slideWipe", "fromBottom", false, "", T::Cover, T::Bottom, true},
        {"slideWipe", "fromLeft", true, "", T::Uncover, T::Left, true},
        {"barWipe", "topToBottom", false, "", T::Wipe, T::Top, true},
        {"barWipe", "leftToRight", true, "", T::Wipe, T::Right, true},
        {"snakeWipe", "topLeftVertical", false, "", T::Wipe, T::Top, true},
        {"barnDoorWipe", "vertical", true, "", T::Split, T::Left, false},
        {"irisWipe", "rectangle", false, "", T::Split, T::Left, true},
        {"zoom", "rotateIn", false, "", T::Zoom, T::Left, true},
        {"zoom", "", true, "", T::Zoom, T::Left, false},
        {"somethingNew", "x", false, "", T::CrossFade, T::Left, true},
    };
    for (const auto& c : cases) {
        const Transition t =
            TransitionFor({QString::fromLatin1(c.type), QString::fromLatin1(c.subtype), c.reverse,
                           QString::fromLatin1(c.colour), 700});
        EXPECT_EQ(t.kind, c.kind) << c.type << " " << c.subtype;
        if (c.kind == T::Split || c.kind == T::Zoom)
            EXPECT_EQ(t.outward, c.outward) << c.type << " " << c.subtype;
        else
            EXPECT_EQ(t.side, c.side) << c.type << " " << c.subtype;
        EXPECT_EQ(t.plays(), c.kind != T::Cut);
    }
    EXPECT_FALSE(TransitionFor({QStringLiteral("fade"), {}, false, {}, 0}).plays());
}

// One chapter a slide from where its transition starts, titled by the slide or
// by its place; slides of two presentations inside one chapter each.
TEST(SlideChapters, StartWhereEachSlidesTransitionStarts) {
    SlideFact opening;
    opening.title = QStringLiteral("Opening");
    SlideFact faded;
    faded.transition = {QStringLiteral("fade"), {}, false, {}, 1000};
    StagedSlides staged;
    staged.stage(1, {opening, faded}, QStringLiteral("a"));
    StagedSlides both = staged;
    both.stage(3, {faded}, QStringLiteral("b"));

    const SlidePlan plan = staged.plan({1, 2}, false, true, 30);  // 2 s slides
    const QList<VideoChapter> chapters = staged.chapters(plan);
    ASSERT_EQ(chapters.size(), 2);
    EXPECT_EQ(chapters[0].title, QStringLiteral("Opening"));
    EXPECT_EQ(chapters[1].title, QStringLiteral("Slide 2"));
    EXPECT_EQ(chapters[1].startMs, 2000);
    EXPECT_EQ(chapters[1].endMs, 5000);

    const QList<VideoChapter> nested = both.chapters(both.plan({1, 2}, false, true, 30));
    ASSERT_EQ(nested.size(), 2);
    EXPECT_EQ(nested[1].title, QStringLiteral("b"));
    EXPECT_EQ(nested[1].startMs, 5000);
    EXPECT_EQ(ChapterListText(nested),
              QByteArray("00:00 a: Opening\n00:02 a: Slide 2\n00:05 b: Slide 1\n"));
    EXPECT_EQ(ChapterListPath(QStringLiteral("/v/talk (2).mkv")),
              QStringLiteral("/v/talk (2).chapters.txt"));
}
