#pragma once

#include <QList>
#include <QString>

// What FFmpeg's own demuxer and decoder make of a written video's sound.
struct DecodedAudio {
    QString error;  // empty when the file opened and its sound decoded
    QString codecName;
    int sampleRate = 0;
    int channels = 0;
    double seconds = 0;      // samples decoded, in seconds
    double fileSeconds = 0;  // the whole file's duration as the demuxer reads it
    QList<double> loudness;  // the first channel's RMS in each 100 ms from the start
    // Where the first channel rises above 0.1 after a tenth of a second below it, in seconds.
    QList<double> onsets;

    bool ok() const { return error.isEmpty(); }
    // The mean RMS from `from` to `to` seconds.
    double loudnessBetween(double from, double to) const;
};

DecodedAudio DecodeAudio(const QString& path);
