#pragma once

#include <QtGlobal>

// How one slide gives way to the next.
struct Transition {
    enum Kind {
        Cut,  // the next slide at once
        CrossFade,
        FadeThroughBlack,
        FadeThroughWhite,
        Push,     // the new slide pushes the old one out
        Cover,    // the new slide slides in over the old one
        Uncover,  // the old slide slides away from over the new one
        Wipe,     // an edge sweeps across, the new slide behind it
        Split,    // two edges move apart from the middle (or together)
        Zoom,     // the new slide grows from the middle (or the old one shrinks into it)
    };
    enum Side { Left, Right, Top, Bottom };

    Kind kind = Cut;
    // Push, Cover and Wipe: where the new slide (or the edge) comes from;
    // Uncover: where the old slide goes.
    Side side = Left;
    // Split: the edges are upright lines moving sideways (else level lines moving up and down).
    bool uprightEdges = true;
    // Split and Zoom: opening and growing from the middle; false: closing and shrinking.
    bool outward = true;
    qint64 durationMs = 0;

    bool plays() const { return kind != Cut && durationMs > 0; }
    bool operator==(const Transition&) const = default;
};
