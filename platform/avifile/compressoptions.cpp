#include "platform/avifile/compressoptions.h"

#include "platform/avifile/codeclist.h"
#include "util/settingsstore.h"

namespace {
QString group() {
    return QLatin1String(CompressionSettingsGroup);
}

int loadNumber(const QString& key, int fallback, int lowest, int highest) {
    bool ok = false;
    const int value = GetSetting(QLatin1String(SettingsAppName), group(), key).trimmed().toInt(&ok);
    return ok && value >= lowest && value <= highest ? value : fallback;
}
}  // namespace

CompressOptions LoadCompressOptions() {
    CompressOptions options;
    const QString codec =
        GetSetting(QLatin1String(SettingsAppName), group(), QStringLiteral("Codec"));
    // A codec this build lacks falls back to uncompressed.
    options.codec = FindCodec(codec) != nullptr ? codec : QString();
    options.quality = loadNumber(QStringLiteral("Quality"), 0, 0, 100);
    options.keyFrameEvery = loadNumber(QStringLiteral("KeyFrameEvery"), 1, 1, 10000);
    options.dataRateKbps = loadNumber(QStringLiteral("DataRate"), 0, 0, 1000000);
    return options;
}

void SaveCompressOptions(const CompressOptions& options) {
    const QString app = QLatin1String(SettingsAppName);
    try {
        SaveSetting(app, group(), QStringLiteral("Codec"), options.codec);
        SaveSetting(app, group(), QStringLiteral("Quality"), QString::number(options.quality));
        SaveSetting(app, group(), QStringLiteral("KeyFrameEvery"),
                    QString::number(options.keyFrameEvery));
        SaveSetting(app, group(), QStringLiteral("DataRate"),
                    QString::number(options.dataRateKbps));
    } catch (...) {
    }
}
