#include <gtest/gtest.h>

#include "engine/transitionkind.h"

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
