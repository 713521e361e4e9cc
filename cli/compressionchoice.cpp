#include "cli/compressionchoice.h"

#include "video/codeclist.h"

QString CodecNameFor(const QString& text, VideoContainer container) {
    const QString wanted = text.trimmed();
    const QStringList names = AvailableCodecNames(container);
    if ((wanted.compare(QLatin1String("raw"), Qt::CaseInsensitive) == 0 ||
         wanted.compare(QLatin1String("rawvideo"), Qt::CaseInsensitive) == 0 ||
         wanted.compare(QLatin1String("uncompressed"), Qt::CaseInsensitive) == 0) &&
        names.contains(QLatin1String(UncompressedCodecName)))
        return QLatin1String(UncompressedCodecName);
    const struct {
        const char* alias;
        const char* name;
    } aliases[] = {{"h264", "H.264"}, {"h265", "H.265"}, {"hevc", "H.265"}, {"vp9", "VP9"}};
    for (const auto& alias : aliases)
        if (wanted.compare(QLatin1String(alias.alias), Qt::CaseInsensitive) == 0 &&
            names.contains(QLatin1String(alias.name)))
            return QLatin1String(alias.name);
    for (const QString& name : names) {
        const CodecEntry* entry = FindCodec(name, container);
        if (name.compare(wanted, Qt::CaseInsensitive) == 0 ||
            (entry->encoder != nullptr &&
             wanted.compare(QLatin1String(entry->encoder), Qt::CaseInsensitive) == 0))
            return name;
    }
    return QString();
}

ChosenCompression CompressionFor(const ConvertRequest& request, const CompressOptions& remembered) {
    ChosenCompression chosen{request.codecGiven ? request.compression : remembered, QString()};
    CompressOptions& options = chosen.options;
    options.container = remembered.container;
    if (request.qualityGiven) options.quality = request.compression.quality;
    if (request.keyFrameGiven) options.keyFrameEvery = request.compression.keyFrameEvery;
    if (request.dataRateGiven)
        options.dataRateBitsPerSecond = request.compression.dataRateBitsPerSecond;
    const CodecEntry* codec = FindCodec(options.codec, options.container);
    if (codec == nullptr) {
        chosen.error =
            QStringLiteral("%1 cannot be stored in %2; these are on offer:\n  %3")
                .arg(options.codec, ContainerKey(options.container),
                     AvailableCodecNames(options.container).join(QStringLiteral("\n  ")));
        return chosen;
    }
    const struct {
        bool given;
        bool used;
        const char* option;
    } numbers[] = {{request.qualityGiven, codec->usesQuality, "--quality"},
                   {request.keyFrameGiven, codec->usesKeyFrames, "--keyframe"},
                   {request.dataRateGiven, codec->usesDataRate, "--kbps"}};
    for (const auto& number : numbers) {
        if (number.given && !number.used) {
            chosen.error =
                QStringLiteral(
                    "%1 has no effect on %2; choose a compressor that uses it with --codec")
                    .arg(QLatin1String(number.option), QLatin1String(codec->name));
            break;
        }
    }
    return chosen;
}
