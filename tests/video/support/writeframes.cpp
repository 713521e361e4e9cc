#include "writeframes.h"

VideoWriterResult WriteFrames(const QString& target, const QList<Dib>& frames, quint32 rate,
                              quint32 scale, const std::optional<CompressOptions>& options,
                              const QList<qint64>& positions) {
    VideoWriter writer(target, ContainerForPath(target));
    if (writer.addVideoStream({QByteArrayView(frames[0].info), rate, scale, options}))
        for (int i = 0; i < frames.size(); ++i)
            if (!writer.addFrame(reinterpret_cast<const unsigned char*>(frames[i].bits.constData()),
                                 frames[i].bits.size(), positions.isEmpty() ? i : positions[i]))
                break;
    return writer.finish();
}
