#pragma once

#include <QString>
#include <optional>

// What a page in headless Chromium showed of a video once loaded: its length,
// its size, the middle pixel of its first picture, and the bytes of sound it
// decoded.
struct BrowserPlayback {
    QString error;  // empty when the page showed all of it
    double duration = 0;
    QString size;   // "320x240"
    QString pixel;  // "255,255,255"
    qint64 audioBytes = 0;
    bool ok() const { return error.isEmpty(); }
};

// None when Chromium is not installed (Debian package chromium).
std::optional<BrowserPlayback> PlayInChromium(const QString& video);

// The video's sound as GStreamer's own demuxers and decoders play it, written
// to `wav` (48 kHz stereo); empty when it was, else why not. None when
// gst-launch-1.0 is not installed.
std::optional<QString> PlayInGStreamer(const QString& video, const QString& wav);
