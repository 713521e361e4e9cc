#include "video/compressoptions.h"

#include "util/settingsstore.h"
#include "video/codeclist.h"

namespace {
QString group() {
    return QLatin1String(CompressionSettingsGroup);
}

// AVI keeps the key it always had.
QString codecKey(VideoContainer container) {
    switch (container) {
        case VideoContainer::Avi:
            break;
        case VideoContainer::Mp4:
            return QStringLiteral("CodecMP4");
        case VideoContainer::Matroska:
            return QStringLiteral("CodecMatroska");
    }
    return QStringLiteral("Codec");
}

int loadNumber(const QString& key, int fallback, int lowest, int highest) {
    bool ok = false;
    const int value = GetSetting(QLatin1String(SettingsAppName), group(), key).trimmed().toInt(&ok);
    return ok && value >= lowest && value <= highest ? value : fallback;
}
}  // namespace

CompressOptions LoadCompressOptions(VideoContainer container) {
    CompressOptions options;
    options.container = container;
    const QString codec = GetSetting(QLatin1String(SettingsAppName), group(), codecKey(container));
    // A codec this build or this container lacks falls back to the container's default.
    options.codec = FindCodec(codec, container) != nullptr ? codec : QString();
    options.quality = loadNumber(QStringLiteral("Quality"), 0, 0, 100);
    options.keyFrameEvery = loadNumber(QStringLiteral("KeyFrameEvery"), 1, 1, 10000);
    // Stored as the dialog shows it, in kilobytes a second.
    options.dataRateBitsPerSecond =
        loadNumber(QStringLiteral("DataRate"), 0, 0, 1000000) * BitsPerDialogKilobyte;
    return options;
}

void SaveCompressOptions(const CompressOptions& options) {
    const QString app = QLatin1String(SettingsAppName);
    try {
        SaveSetting(app, group(), codecKey(options.container), options.codec);
        SaveSetting(app, group(), QStringLiteral("Quality"), QString::number(options.quality));
        SaveSetting(app, group(), QStringLiteral("KeyFrameEvery"),
                    QString::number(options.keyFrameEvery));
        SaveSetting(app, group(), QStringLiteral("DataRate"),
                    QString::number(DialogKilobytes(options.dataRateBitsPerSecond)));
    } catch (...) {
    }
}
