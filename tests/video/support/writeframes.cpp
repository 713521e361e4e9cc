#include "writeframes.h"

VideoWriterResult WriteFrames(const QString& target, const QList<Dib>& frames, quint32 rate,
                              quint32 scale, const std::optional<CompressOptions>& options,
                              const QList<qint64>& positions, std::span<const float> sound) {
    VideoWriter writer(target, ContainerForPath(target));
    size_t fed = 0;
    if (writer.addVideoStream({QByteArrayView(frames[0].info), rate, scale, options}) &&
        (sound.empty() || writer.addAudioStream()))
        for (int i = 0; i < frames.size(); ++i) {
            if (!writer.addFrame(reinterpret_cast<const unsigned char*>(frames[i].bits.constData()),
                                 frames[i].bits.size(), positions.isEmpty() ? i : positions[i]))
                break;
            // Each frame's share of the sound beside it, in whole sample frames.
            const size_t until = sound.size() / AudioChannels * size_t(i + 1) /
                                 size_t(frames.size()) * AudioChannels;
            if (!sound.empty() && !writer.addAudio(sound.subspan(fed, until - fed))) break;
            fed = until;
        }
    return writer.finish();
}
