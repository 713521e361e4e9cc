#pragma once

#include <QString>
#include <QStringList>

#include "video/videocontainer.h"

// The entry that stores the frames' pixels as they are.
inline constexpr const char* UncompressedCodecName = "Full Frames (Uncompressed)";

// Which containers hold an encoder's stream, as bits of VideoContainer.
inline constexpr unsigned ContainerBit(VideoContainer container) {
    return 1u << unsigned(container);
}

// One encoder the compression dialog can offer, and which of the dialog's
// choices it takes notice of.
struct CodecEntry {
    const char* name;     // as the dialog shows it
    const char* encoder;  // libavcodec encoder name; nullptr for the uncompressed entry
    bool usesQuality;
    bool usesKeyFrames;
    bool usesDataRate;
    int sizeAlignment;    // coded width and height must be a multiple of this
    unsigned containers;  // ContainerBit()s of the containers that hold it
};

// The offered names in the dialog's order, leaving out the encoders the linked
// libavcodec lacks and those `container` cannot hold: for AVI uncompressed first,
// for MP4 H.264 first.
QStringList AvailableCodecNames(VideoContainer container = VideoContainer::Avi);

// The entry for an offered name ("" means the container's default: uncompressed,
// or H.264 for MP4); nullptr when the name is unknown, its encoder is missing or
// the container cannot hold it.
const CodecEntry* FindCodec(const QString& name, VideoContainer container = VideoContainer::Avi);
