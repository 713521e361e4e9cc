#pragma once

#include <QString>

// What each offered compressor does, written out for the tests: which of the
// dialog's choices it heeds, the block size it pads frames to, and whether
// it gives the pixels back exactly.
struct CodecFacts {
    bool quality, keyFrames, dataRate;
    int alignment;
    bool lossless;
};

inline CodecFacts FactsOf(const QString& name) {
    static const struct {
        const char* name;
        CodecFacts facts;
    } table[] = {
        {"Full Frames (Uncompressed)", {false, false, false, 1, true}},
        {"Motion JPEG", {true, false, true, 1, false}},
        {"MPEG-4 part 2", {true, true, true, 2, false}},
        {"H.264", {true, true, true, 2, false}},
        {"FFV1", {false, true, false, 1, true}},
        {"HuffYUV", {false, false, false, 1, true}},
        {"Cinepak", {false, true, false, 4, false}},
        {"Microsoft Video 1", {false, true, false, 4, false}},
        {"PNG", {false, false, false, 1, true}},
        {"ZMBV", {false, true, false, 1, true}},
    };
    for (const auto& entry : table)
        if (name == QLatin1String(entry.name)) return entry.facts;
    return {false, false, false, 0, false};  // unknown: fails every check that uses it
}
