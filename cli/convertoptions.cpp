#include "cli/convertoptions.h"

#include <QCommandLineParser>
#include <limits>

#include "platform/avifile/codeclist.h"
#include "util/numbers.h"

namespace {
struct Option {
    const char* name;
    const char* valueName;
    const char* help;
};

// Each option once, so usage and parsing cannot drift apart.
constexpr Option options[] = {
    {"combine", nullptr, "One video for all presentations, named after the first."},
    {"separate", nullptr, "One video for each presentation, named after it."},
    {"output-dir", "DIR", "Write the videos into DIR."},
    {"beside", nullptr, "Write each video beside its presentation."},
    {"samples", nullptr,
     "Convert the shipped sample presentations into the current folder (or --output-dir)."},
    {"frames", "DIR",
     "Folder of Slide1.bmp, Slide2.bmp, ... to write as frames (they are deleted as they are written)."},
    {"fps", "N",
     "Frames per second, 1 to 30 (other values are brought into that range; fractions round to even)."},
    {"output", "FILE.avi",
     "The video to write; an earlier file of that name is replaced only when the new one is complete."},
    {"codec", "NAME",
     "Compressor, as --list-codecs names it or by encoder name (default: uncompressed)."},
    {"quality", "Q", "Compression quality 1 to 100 (0: the compressor's default)."},
    {"keyframe", "N", "A key frame every N frames (default 1: every frame)."},
    {"kbps", "N", "Data rate limit in kilobytes per second (0: none)."},
    {"list-codecs", nullptr, "Print the compressors on offer, one a line."},
    {"help", nullptr, "Print this help."},
    {"version", nullptr, "Print the version and those of the FFmpeg libraries and LibreOffice."},
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
        "Usage: quillmoor-convert [--combine | --separate] [--fps N] [--output-dir DIR | --beside] "
        "[--codec NAME] [--quality Q] [--keyframe N] [--kbps N] PATH...\n"
        "  or:  quillmoor-convert --samples [options]\n"
        "  or:  quillmoor-convert --frames DIR --fps N --output FILE.avi [--codec NAME] [--quality Q] "
        "[--keyframe N] [--kbps N]\n"
        "  or:  quillmoor-convert --list-codecs | --version | --help\n\n"
        "A PATH that is a folder adds every file of its tree. Options not given are taken from\n"
        "the settings the window stored; no dialog is ever shown.\n\nOptions:\n");
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

namespace {
bool readCompression(const QCommandLineParser& parser, ConvertRequest& request) {
    CompressOptions& compression = request.compression;
    request.codecGiven = parser.isSet(QStringLiteral("codec"));
    if (request.codecGiven) {
        compression.codec = CodecNameFor(parser.value(QStringLiteral("codec")));
        if (compression.codec.isEmpty()) {
            request.error = QStringLiteral("Unknown codec \"%1\"; these are on offer:\n  %2")
                                .arg(parser.value(QStringLiteral("codec")),
                                     AvailableCodecNames().join(QStringLiteral("\n  ")));
            return false;
        }
    } else {
        compression.codec = QLatin1String(UncompressedCodecName);
    }
    return readNumber(parser, "quality", 0, 100, compression.quality, request.error) &&
           readNumber(parser, "keyframe", 1, 100000, compression.keyFrameEvery, request.error) &&
           readNumber(parser, "kbps", 0, 1000000, compression.dataRateKbps, request.error);
}

ConvertRequest& readFrameRun(const QCommandLineParser& parser, ConvertRequest& request) {
    if (!parser.positionalArguments().isEmpty()) {
        request.error =
            QStringLiteral("Unexpected argument: ") + parser.positionalArguments().first();
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
    if (readNumber(parser, "fps", std::numeric_limits<qint16>::min(),
                   std::numeric_limits<qint16>::max(), fps, request.error))
        request.framesPerSecond = qint16(fps);
    return request;
}

ConvertRequest& readPresentationRun(const QCommandLineParser& parser, ConvertRequest& request) {
    const bool samples = parser.isSet(QStringLiteral("samples"));
    request.paths = parser.positionalArguments();
    if (!samples && request.paths.isEmpty()) {
        request.error = QStringLiteral(
            "Nothing to do: name presentations or folders (or --samples, --frames, --list-codecs)");
        return request;
    }
    if (parser.isSet(QStringLiteral("combine")) && parser.isSet(QStringLiteral("separate"))) {
        request.error = QStringLiteral("--combine and --separate exclude each other");
        return request;
    }
    if (parser.isSet(QStringLiteral("output-dir")) && parser.isSet(QStringLiteral("beside"))) {
        request.error = QStringLiteral("--output-dir and --beside exclude each other");
        return request;
    }
    request.action =
        samples ? ConvertRequest::Action::Samples : ConvertRequest::Action::Presentations;
    if (parser.isSet(QStringLiteral("combine"))) request.mode = ConvertRequest::Mode::Combine;
    if (parser.isSet(QStringLiteral("separate"))) request.mode = ConvertRequest::Mode::Separate;
    if (parser.isSet(QStringLiteral("beside")))
        request.destination = ConvertRequest::Destination::Beside;
    if (parser.isSet(QStringLiteral("output-dir"))) {
        request.destination = ConvertRequest::Destination::Folder;
        request.outputFolder = parser.value(QStringLiteral("output-dir"));
    }
    if (parser.isSet(QStringLiteral("fps"))) {
        request.frameRateText = parser.value(QStringLiteral("fps")).trimmed();
        if (!IsNumeric(request.frameRateText))
            request.error = QStringLiteral("--fps takes a number");
    }
    return request;
}
}  // namespace

ConvertRequest ParseConvertArguments(const QStringList& arguments) {
    ConvertRequest request;
    QCommandLineParser parser;
    addOptions(parser);
    if (!parser.parse(arguments)) {
        request.error = parser.errorText();
        return request;
    }
    if (parser.isSet(QStringLiteral("help"))) return request;
    if (parser.isSet(QStringLiteral("version"))) {
        request.action = ConvertRequest::Action::Version;
        return request;
    }
    if (parser.isSet(QStringLiteral("list-codecs"))) {
        request.action = ConvertRequest::Action::ListCodecs;
        return request;
    }
    if (!readCompression(parser, request)) return request;
    if (parser.isSet(QStringLiteral("frames"))) return readFrameRun(parser, request);
    return readPresentationRun(parser, request);
}
