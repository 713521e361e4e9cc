#pragma once

#include <QString>
#include <QStringList>

// The entry that stores the frames' pixels as they are.
inline constexpr const char* UncompressedCodecName = "Full Frames (Uncompressed)";

// One encoder the compression dialog can offer, and which of the dialog's
// choices it takes notice of.
struct CodecEntry {
    const char* name;     // as the dialog shows it
    const char* encoder;  // libavcodec encoder name; nullptr for the uncompressed entry
    bool usesQuality;
    bool usesKeyFrames;
    bool usesDataRate;
    int sizeAlignment;  // coded width and height are padded up to a multiple of this
};

// The offered names in the dialog's order, uncompressed first, leaving out the
// encoders the linked libavcodec lacks.
QStringList AvailableCodecNames();

// The entry for an offered name ("" means uncompressed); nullptr when the name is
// unknown or its encoder is missing.
const CodecEntry* FindCodec(const QString& name);
