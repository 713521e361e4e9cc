#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <cmath>
#include <vector>

// A mono 16-bit WAV file of `seconds` of a 440 Hz tone at `rate`, peaking at
// 12000 (an RMS of 0.259 of full scale).
inline QByteArray ToneWav(int rate, double seconds) {
    const qint32 count = qint32(rate * seconds);
    QByteArray data;
    for (qint32 i = 0; i < count; ++i) {
        const qint16 sample = qint16(std::lround(12000 * std::sin(2 * M_PI * 440 * i / rate)));
        data.append(reinterpret_cast<const char*>(&sample), 2);
    }
    auto u32 = [](quint32 v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](quint16 v) { return QByteArray(reinterpret_cast<const char*>(&v), 2); };
    return "RIFF" + u32(36 + data.size()) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(rate) +
           u32(rate * 2) + u16(2) + u16(16) + "data" + u32(data.size()) + data;
}

// `seconds` of a 440 Hz tone peaking at `peak`, interleaved 48 kHz stereo.
inline std::vector<float> StereoTone(double seconds, float peak) {
    std::vector<float> samples(size_t(seconds * 48000) * 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = peak * float(std::sin(2 * M_PI * 440 * double(i / 2) / 48000));
    return samples;
}
