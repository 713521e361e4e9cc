#include "cli/convertoptions.h"

#include <QCommandLineParser>
#include <limits>

#include "platform/avifile/codeclist.h"

namespace {
struct Option {
    const char* name;
    const char* valueName;
    const char* help;
};

// Each option once, so usage and parsing cannot drift apart.
constexpr Option options[] = {
    {"frames", "DIR",
     "Folder of Slide1.bmp, Slide2.bmp, ... to write as frames (they are deleted as they are written)."},
    {"fps", "N", "Frames per second, 1 to 30 (other values are brought into that range)."},
    {"output", "FILE.avi",
     "The video to write; an earlier file of that name is replaced only when the new one is complete."},
    {"codec", "NAME",
     "Compressor, as --list-codecs names it or by encoder name (default: uncompressed)."},
    {"quality", "Q", "Compression quality 1 to 100 (0: the compressor's default)."},
    {"keyframe", "N", "A key frame every N frames (default 1: every frame)."},
    {"kbps", "N", "Data rate limit in kilobytes per second (0: none)."},
    {"list-codecs", nullptr, "Print the compressors on offer, one a line."},
    {"help", nullptr, "Print this help."},
};

void addOptions(QCommandLineParser& parser) {
    for (const Option& option : options) {
        QCommandLineOption added(QLatin1String(option.name), QString::fromUtf8(option.help));
        if (option.valueName != nullptr) added.setValueName(QLatin1String(option.valueName));
        parser.addOption(added);
    }
}

bool readNumber(const QCommandLineParser& parser, const char* name, int lowest, int highest,
                int& value, QString& error) {
    const QString key = QLatin1String(name);
    if (!parser.isSet(key)) return true;
    bool ok = false;
    const qlonglong number = parser.value(key).trimmed().toLongLong(&ok);
    if (!ok || number < lowest || number > highest) {
        error = QStringLiteral("--%1 takes a whole number from %2 to %3")
                    .arg(key)
                    .arg(lowest)
                    .arg(highest);
        return false;
    }
    value = int(number);
    return true;
}
}  // namespace

QString ConvertUsage() {
    QString text = QStringLiteral(
        "Usage: quillmoor-convert --frames DIR --fps N --output FILE.avi [--codec NAME] [--quality Q] "
        "[--keyframe N] [--kbps N]\n"
        "       quillmoor-convert --list-codecs\n\n");
    for (const Option& option : options) {
        QString left = QStringLiteral("  --") + QLatin1String(option.name);
        if (option.valueName != nullptr) left += QLatin1Char(' ') + QLatin1String(option.valueName);
        text += left.leftJustified(22) + QLatin1Char(' ') + QString::fromUtf8(option.help) +
                QLatin1Char('\n');
    }
    return text;
}

QString CodecNameFor(const QString& text) {
    const QString wanted = text.trimmed();
    if (wanted.compare(QLatin1String("raw"), Qt::CaseInsensitive) == 0 ||
        wanted.compare(QLatin1String("rawvideo"), Qt::CaseInsensitive) == 0 ||
        wanted.compare(QLatin1String("uncompressed"), Qt::CaseInsensitive) == 0)
        return QLatin1String(UncompressedCodecName);
    for (const QString& name : AvailableCodecNames()) {
        const CodecEntry* entry = FindCodec(name);
        if (name.compare(wanted, Qt::CaseInsensitive) == 0 ||
            (entry->encoder != nullptr &&
             wanted.compare(QLatin1String(entry->encoder), Qt::CaseInsensitive) == 0))
            return name;
    }
    if (wanted.compare(QLatin1String("h264"), Qt::CaseInsensitive) == 0 &&
        FindCodec(QStringLiteral("H.264")))
        return QStringLiteral("H.264");
    return QString();
}

ConvertRequest ParseConvertArguments(const QStringList& arguments) {
    ConvertRequest request;
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(arguments)) {
        request.error = parser.errorText();
        return request;
    }
    if (!parser.positionalArguments().isEmpty()) {
        request.error =
            QStringLiteral("Unexpected argument: ") + parser.positionalArguments().first();
        return request;
    }
    if (parser.isSet(QStringLiteral("help"))) return request;
    if (parser.isSet(QStringLiteral("list-codecs"))) {
        request.action = ConvertRequest::Action::ListCodecs;
        return request;
    }
    if (!parser.isSet(QStringLiteral("frames"))) {
        request.error = QStringLiteral("Nothing to do: give --frames DIR (or --list-codecs)");
        return request;
    }
    request.action = ConvertRequest::Action::Frames;
    request.framesFolder = parser.value(QStringLiteral("frames"));
    request.output = parser.value(QStringLiteral("output"));
    if (request.framesFolder.isEmpty() || request.output.isEmpty() ||
        !parser.isSet(QStringLiteral("fps"))) {
        request.error = QStringLiteral("--frames, --fps and --output are all needed");
        return request;
    }
    int fps = 1;
    if (!readNumber(parser, "fps", std::numeric_limits<qint16>::min(),
                    std::numeric_limits<qint16>::max(), fps, request.error))
        return request;
    request.framesPerSecond = qint16(fps);

    CompressOptions& compression = request.compression;
    if (parser.isSet(QStringLiteral("codec"))) {
        compression.codec = CodecNameFor(parser.value(QStringLiteral("codec")));
        if (compression.codec.isEmpty()) {
            request.error = QStringLiteral("Unknown codec \"%1\"; these are on offer:\n  %2")
                                .arg(parser.value(QStringLiteral("codec")),
                                     AvailableCodecNames().join(QStringLiteral("\n  ")));
            return request;
        }
    } else {
        compression.codec = QLatin1String(UncompressedCodecName);
    }
    if (!readNumber(parser, "quality", 0, 100, compression.quality, request.error) ||
        !readNumber(parser, "keyframe", 1, 100000, compression.keyFrameEvery, request.error) ||
        !readNumber(parser, "kbps", 0, 1000000, compression.dataRateKbps, request.error))
        return request;
    return request;
}
