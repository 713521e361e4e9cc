#pragma once

#include <QtGlobal>
#include <functional>
#include <vector>

#include "video/slideplan.h"
#include "video/transitionpainter.h"

// The pictures of each planned slide's transition, painted from the slide
// before it (black before the first) to the slide itself, in one frame layout.
class TransitionFrames {
  public:
    // Frames `width` x `height` of `bitCount` bits, rows padded to 4 bytes.
    TransitionFrames(int width, int height, int bitCount, bool topDown);

    // Takes one picture: (pixels, bytes, start, positions); false stops.
    using AddPicture = std::function<bool(const unsigned char*, qint64, qint64, qint64)>;

    // Hands `add` the transition pictures leading into `slide`, whose own
    // picture is `pixels`; false when `add` refused one. A layout the painter
    // cannot mix (a colour table) shows no transition.
    bool lead(const PlannedSlide& slide, const unsigned char* pixels, qint64 size,
              const AddPicture& add);
    // `pixels` is the slide the next transition starts from.
    void keep(const unsigned char* pixels, qint64 size);

  private:
    PixelRows rows(const unsigned char* pixels) const;

    TransitionPainter painter_;
    PixelRows layout_;
    std::vector<unsigned char> previous_;
    std::vector<unsigned char> picture_;
};
