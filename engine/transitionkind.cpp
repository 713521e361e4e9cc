#include "engine/transitionkind.h"

#include <algorithm>

namespace {
enum class Family { Fade, CrossFade, Push, Cover, Wipe, Split, Shape, Zoom };

const struct {
    const char* type;
    Family family;
} Families[] = {
    {"fade", Family::Fade},
    {"dissolve", Family::CrossFade},
    {"random", Family::CrossFade},
    {"randomBarWipe", Family::CrossFade},
    {"miscShapeWipe", Family::CrossFade},
    {"pushWipe", Family::Push},
    {"slideWipe", Family::Cover},
    {"barWipe", Family::Wipe},
    {"blindsWipe", Family::Wipe},
    {"checkerBoardWipe", Family::Wipe},
    {"waterfallWipe", Family::Wipe},
    {"snakeWipe", Family::Wipe},
    {"spiralWipe", Family::Wipe},
    {"parallelSnakesWipe", Family::Wipe},
    {"boxSnakesWipe", Family::Wipe},
    {"diagonalWipe", Family::Wipe},
    {"miscDiagonalWipe", Family::Wipe},
    {"zigZagWipe", Family::Wipe},
    {"veeWipe", Family::Wipe},
    {"clockWipe", Family::Wipe},
    {"pinWheelWipe", Family::Wipe},
    {"singleSweepWipe", Family::Wipe},
    {"fanWipe", Family::Wipe},
    {"doubleFanWipe", Family::Wipe},
    {"doubleSweepWipe", Family::Wipe},
    {"saloonDoorWipe", Family::Wipe},
    {"windshieldWipe", Family::Wipe},
    {"barnDoorWipe", Family::Split},
    {"barnVeeWipe", Family::Split},
    {"barnZigZagWipe", Family::Split},
    {"bowTieWipe", Family::Split},
    {"boxWipe", Family::Shape},
    {"fourBoxWipe", Family::Shape},
    {"irisWipe", Family::Shape},
    {"ellipseWipe", Family::Shape},
    {"eyeWipe", Family::Shape},
    {"roundRectWipe", Family::Shape},
    {"starWipe", Family::Shape},
    {"hexagonWipe", Family::Shape},
    {"pentagonWipe", Family::Shape},
    {"triangleWipe", Family::Shape},
    {"arrowHeadWipe", Family::Shape},
    {"zoom", Family::Zoom},
};

Transition::Side opposite(Transition::Side side) {
    switch (side) {
        case Transition::Left:
            return Transition::Right;
        case Transition::Right:
            return Transition::Left;
        case Transition::Top:
            return Transition::Bottom;
        case Transition::Bottom:
            break;
    }
    return Transition::Top;
}

// The side a subtype names first ("fromTop", "topToBottom", "leftToRight");
// "vertical" sweeps down, anything else from the left.
Transition::Side sideOf(const QString& subtype) {
    const QString lower = subtype.toLower();
    qsizetype best = -1;
    Transition::Side side =
        lower.contains(QLatin1String("vertical")) ? Transition::Top : Transition::Left;
    const struct {
        const char* word;
        Transition::Side side;
    } words[] = {{"left", Transition::Left},
                 {"right", Transition::Right},
                 {"top", Transition::Top},
                 {"bottom", Transition::Bottom}};
    for (const auto& word : words) {
        const qsizetype at = lower.indexOf(QLatin1String(word.word));
        if (at >= 0 && (best < 0 || at < best)) {
            best = at;
            side = word.side;
        }
    }
    return side;
}

// "#rrggbb" above half lightness; anything unreadable is the usual black.
bool isLight(const QString& colour) {
    bool ok = false;
    const uint rgb = colour.mid(1).toUInt(&ok, 16);
    if (colour.size() != 7 || !colour.startsWith(QLatin1Char('#')) || !ok) return false;
    const uint r = rgb >> 16, g = (rgb >> 8) & 0xff, b = rgb & 0xff;
    return std::max({r, g, b}) + std::min({r, g, b}) > 255;
}
}  // namespace

Transition TransitionFor(const SlideTransitionFact& fact) {
    Transition t;
    t.durationMs = fact.durationMs;
    if (fact.type.isEmpty()) return t;
    Family family = Family::CrossFade;  // a kind of no family here
    for (const auto& entry : Families)
        if (fact.type == QLatin1String(entry.type)) family = entry.family;
    switch (family) {
        case Family::Fade:
            t.kind = fact.subtype.isEmpty() || fact.subtype == QLatin1String("crossfade")
                         ? Transition::CrossFade
                     : isLight(fact.fadeColor) ? Transition::FadeThroughWhite
                                               : Transition::FadeThroughBlack;
            break;
        case Family::CrossFade:
            t.kind = Transition::CrossFade;
            break;
        case Family::Push:
            // Combs push alternate bars both ways: the first from the right, or from below.
            t.kind = Transition::Push;
            t.side = fact.subtype == QLatin1String("combHorizontal") ? Transition::Right
                     : fact.subtype == QLatin1String("combVertical") ? Transition::Bottom
                                                                     : sideOf(fact.subtype);
            if (fact.reverse) t.side = opposite(t.side);
            break;
        case Family::Cover:
            // Played backwards the old slide leaves towards where the new one would come from.
            t.kind = fact.reverse ? Transition::Uncover : Transition::Cover;
            t.side = sideOf(fact.subtype);
            break;
        case Family::Wipe:
            t.kind = Transition::Wipe;
            t.side = sideOf(fact.subtype);
            if (fact.reverse) t.side = opposite(t.side);
            break;
        case Family::Split:
            t.kind = Transition::Split;
            t.uprightEdges = fact.subtype != QLatin1String("horizontal");
            t.outward = !fact.reverse;
            break;
        case Family::Shape:
            t.kind = Transition::Split;
            t.outward = !fact.reverse && !fact.subtype.endsWith(QLatin1String("In"));
            break;
        case Family::Zoom:
            t.kind = Transition::Zoom;
            t.outward = !fact.reverse && !fact.subtype.endsWith(QLatin1String("Out"));
            break;
    }
    return t;
}
