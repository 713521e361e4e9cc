#include "video/transitionpainter.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
// The sRGB curve between stored values and light.
double decode(double v) {
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}
double encode(double v) {
    return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}

bool sameLayout(const PixelRows& a, const PixelRows& b) {
    return a.bits != nullptr && b.bits != nullptr && a.width == b.width && a.height == b.height &&
           a.bytesPerPixel == b.bytesPerPixel && a.stride == b.stride && a.bottomUp == b.bottomUp;
}

// Part of a row (or of the rows) of `out` taken from `source`, shifted by `shift`.
struct Span {
    const PixelRows* source;
    int begin;
    int end;
    int shift;  // the source's pixel (or row) is out's + shift
};

// Fills `out` from up to three spans across each row (sideways moves) or down
// the rows (moves up and down).
void compose(const PixelRows& out, bool sideways, const Span (&spans)[3]) {
    const qsizetype pixel = out.bytesPerPixel;
    for (int y = 0; y < out.height; ++y) {
        for (const Span& span : spans) {
            if (span.source == nullptr || span.begin >= span.end) continue;
            if (sideways) {
                std::memcpy(out.row(y) + span.begin * pixel,
                            span.source->row(y) + (span.begin + span.shift) * pixel,
                            size_t(span.end - span.begin) * size_t(pixel));
            } else if (y >= span.begin && y < span.end) {
                std::memcpy(out.row(y), span.source->row(y + span.shift),
                            size_t(out.width) * size_t(pixel));
            }
        }
    }
}

// The spans of a move of `moved` pixels (or rows) out of `length`.
void moveSpans(const Transition& t, const PixelRows& from, const PixelRows& to, int length,
               int moved, Span (&spans)[3]) {
    const int d = moved;
    const int rest = length - d;
    const bool atStart = t.side == Transition::Left || t.side == Transition::Top;
    switch (t.kind) {
        case Transition::Push:
            if (atStart) {
                spans[0] = {&to, 0, d, rest};
                spans[1] = {&from, d, length, -d};
            } else {
                spans[0] = {&from, 0, rest, d};
                spans[1] = {&to, rest, length, -rest};
            }
            break;
        case Transition::Cover:
            if (atStart) {
                spans[0] = {&to, 0, d, rest};
                spans[1] = {&from, d, length, 0};
            } else {
                spans[0] = {&from, 0, rest, 0};
                spans[1] = {&to, rest, length, -rest};
            }
            break;
        case Transition::Uncover:
            if (atStart) {
                spans[0] = {&from, 0, rest, d};
                spans[1] = {&to, rest, length, 0};
            } else {
                spans[0] = {&to, 0, d, 0};
                spans[1] = {&from, d, length, -d};
            }
            break;
        case Transition::Wipe:
            spans[0] = {&to, atStart ? 0 : rest, atStart ? d : length, 0};
            spans[1] = {&from, atStart ? d : 0, atStart ? length : rest, 0};
            break;
        case Transition::Split: {
            // Opening: the new slide in a middle band `d` wide; closing: the old one in a band
            // `rest` wide.
            const PixelRows& middle = t.outward ? to : from;
            const PixelRows& outer = t.outward ? from : to;
            const int band = t.outward ? d : rest;
            const int first = (length - band) / 2;
            spans[0] = {&outer, 0, first, 0};
            spans[1] = {&middle, first, first + band, 0};
            spans[2] = {&outer, first + band, length, 0};
            break;
        }
        default:
            break;
    }
}
}  // namespace

TransitionPainter::TransitionPainter() : toLinear_(256), fromLinear_(65536) {
    for (int v = 0; v < 256; ++v) toLinear_[v] = quint16(std::lround(decode(v / 255.0) * 65535));
    for (int l = 0; l < 65536; ++l)
        fromLinear_[l] = quint8(std::clamp(std::lround(encode(l / 65535.0) * 255), 0L, 255L));
}

void TransitionPainter::mix(const PixelRows& a, const PixelRows& b, int weightB,
                            const PixelRows& out) const {
    const quint32 wa = quint32(256 - weightB);
    const quint32 wb = quint32(weightB);
    const qsizetype bytes = qsizetype(out.width) * out.bytesPerPixel;
    for (int y = 0; y < out.height; ++y) {
        const unsigned char* pa = a.row(y);
        const unsigned char* pb = b.row(y);
        unsigned char* po = out.row(y);
        for (qsizetype i = 0; i < bytes; ++i)
            po[i] = fromLinear_[(toLinear_[pa[i]] * wa + toLinear_[pb[i]] * wb) >> 8];
    }
}

void TransitionPainter::mixColour(const PixelRows& a, quint16 linear, int weightColour,
                                  const PixelRows& out) const {
    const quint32 wa = quint32(256 - weightColour);
    const quint32 colour = quint32(linear) * quint32(weightColour);
    const qsizetype bytes = qsizetype(out.width) * out.bytesPerPixel;
    for (int y = 0; y < out.height; ++y) {
        const unsigned char* pa = a.row(y);
        unsigned char* po = out.row(y);
        for (qsizetype i = 0; i < bytes; ++i)
            po[i] = fromLinear_[(toLinear_[pa[i]] * wa + colour) >> 8];
    }
}

void TransitionPainter::zoom(const PixelRows& picture, double scale, const PixelRows& out) {
    const int width = int(std::lround(picture.width * scale));
    const int height = int(std::lround(picture.height * scale));
    if (width <= 0 || height <= 0) return;
    const QImage whole(picture.bits, picture.width, picture.height, picture.stride,
                       picture.bytesPerPixel == 3 ? QImage::Format_BGR888 : QImage::Format_RGB32);
    // Rows are scaled as stored: the middle of a picture stored upside down is still its middle.
    const QImage scaled =
        whole.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const int left = (out.width - width) / 2;
    const int top = (out.height - height) / 2;
    for (int y = 0; y < height; ++y)
        std::memcpy(out.bits + (top + y) * out.stride + qsizetype(left) * out.bytesPerPixel,
                    scaled.constScanLine(y), size_t(width) * size_t(out.bytesPerPixel));
}

bool TransitionPainter::paint(const Transition& transition, double progress, const PixelRows& from,
                              const PixelRows& to, const PixelRows& out) const {
    if (!sameLayout(from, to) || !sameLayout(from, out) ||
        (from.bytesPerPixel != 3 && from.bytesPerPixel != 4))
        return false;
    const double p = std::clamp(progress, 0.0, 1.0);
    const int weight = int(std::lround(p * 256));
    switch (transition.kind) {
        case Transition::Cut:
            std::memcpy(out.bits, (p < 1 ? from : to).bits, size_t(out.bytes()));
            return true;
        case Transition::CrossFade:
            mix(from, to, weight, out);
            return true;
        case Transition::FadeThroughBlack:
        case Transition::FadeThroughWhite: {
            // Half the time into the colour, half out of it.
            const quint16 colour = transition.kind == Transition::FadeThroughBlack ? 0 : 65535;
            if (p < 0.5)
                mixColour(from, colour, int(std::lround(p * 512)), out);
            else
                mixColour(to, colour, int(std::lround((1 - p) * 512)), out);
            return true;
        }
        case Transition::Zoom: {
            const bool grow = transition.outward;
            std::memcpy(out.bits, (grow ? from : to).bits, size_t(out.bytes()));
            zoom(grow ? to : from, grow ? p : 1 - p, out);
            return true;
        }
        default:
            break;
    }
    const bool sideways =
        transition.kind == Transition::Split
            ? transition.uprightEdges
            : transition.side == Transition::Left || transition.side == Transition::Right;
    const int length = sideways ? out.width : out.height;
    Span spans[3] = {};
    moveSpans(transition, from, to, length, int(std::lround(p * length)), spans);
    compose(out, sideways, spans);
    return true;
}
