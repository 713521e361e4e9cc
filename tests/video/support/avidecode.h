#pragma once

#include <QImage>
#include <QList>
#include <QString>

// Colour as a container or a stream states it (FFmpeg's AVCOL_* numbers; 0 or 2: unstated).
struct ColourTags {
    int space = 2;
    int range = 0;
    int primaries = 2;
    int transfer = 2;
    bool operator==(const ColourTags&) const = default;
};

// What FFmpeg's own demuxer and decoder make of a written video file.
struct DecodedVideo {
    QString error;  // empty when the file opened and decoded
    QString codecName;
    quint32 codecTag = 0;
    int width = 0;
    int height = 0;
    int rateNum = 0;  // frames per second as rateNum / rateDen
    int rateDen = 0;
    qint64 streamFrames = 0;  // the stream header's frame count
    double seconds = 0;       // the stream's duration as the demuxer reads it
    // Every packet the demuxer gives, empty (dropped) ones too, in file order.
    QList<qint64> packetPts;
    QList<int> packetSizes;
    QList<bool> packetKeys;
    QList<int> packetFirstBytes;  // -1 for an empty packet
    QList<double> packetSeconds;  // each packet's time and duration, in seconds
    QList<double> packetDurations;
    ColourTags containerColour;  // what the container says, before any decoding
    ColourTags frameColour;      // what the decoder says of the first picture
    // The decoded pictures (RGB32) and their times, when asked for.
    QList<QImage> frames;
    QList<qint64> framePts;
    // The subtitle stream, when there is one: its codec and its cues (not the
    // empty samples that end one).
    QString textCodec;
    QStringList texts;
    QList<double> textSeconds;
    QList<double> textDurations;
    // The container's chapters: titles and starts.
    QStringList chapterTitles;
    QList<qint64> chapterMs;

    bool ok() const { return error.isEmpty(); }
    int nonEmptyPackets() const;
};

DecodedVideo DecodeVideo(const QString& path, bool decodePictures = true);

// Largest difference of any colour channel between two RGB32 images of one size
// (-1 when the sizes differ), and the mean absolute difference.
int MaxChannelDifference(const QImage& a, const QImage& b);
double MeanChannelDifference(const QImage& a, const QImage& b);
