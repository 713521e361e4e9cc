#include "cli/convertoptions.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>
#include <cmath>
#include <optional>

#include "audio/speaker.h"
#include "platform/avifile/codeclist.h"
#include "platform/office/slideheight.h"
#include "util/failure.h"
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
     "Folder of Slide1.bmp, Slide2.bmp, ... to write as frames (nothing in it is changed)."},
    {"fps", "N",
     "Frames per second, 1 to 30 (other values up to 32767 are brought into that range; fractions round to even)."},
    {"seconds-per-slide", "S",
     "Instead of --fps: each slide one frame lasting S seconds, 0.1 to 3600 with at most three decimals (2.5: two slides in five seconds)."},
    {"height", "N",
     "Paint the slides N pixels high (even, 240 to 4320; 1080: 1440 x 1080 for 4:3, 1920 x 1080 for 16:9) instead of 96 pixels per inch of the slide."},
    {"use-timings", nullptr,
     "Each slide lasts its automatic advance time (\"advance after\") where the presentation sets one; the others last --seconds-per-slide, or one frame at --fps."},
    {"skip-hidden", nullptr, "Leave hidden slides out (else every slide is a frame)."},
    {"subtitles", nullptr,
     "Write the speaker notes as subtitles: an .srt beside each video, with the video's name, one cue a slide that has notes."},
    {"sound", nullptr,
     "Give the video the deck's own sounds: a slide's sound or video sound and its transition's sound, from the slide's start; a slide lasts at least its sound (with --use-timings a timed slide keeps its time and cuts the sound)."},
    {"narrate", nullptr,
     "Speak each slide's speaker notes with eSpeak NG, in the notes' language; a slide lasts at least its narration and a short pause."},
    {"voice", "NAME",
     "The eSpeak NG voice that speaks the notes (as espeak-ng --voices names it)."},
    {"speech-rate", "WPM",
     "How fast the notes are spoken, 80 to 450 words a minute (default 175)."},
    {"music", "FILE",
     "Play FILE (any sound file FFmpeg reads) under the whole video: looped or cut to its length, faded out at the end, lowered while a slide's sound or narration plays."},
    {"jobs", "N",
     "Presentations opened and exported at once, 1 to 64 (default: one for each core)."},
    {"output", "FILE.avi",
     "The video to write (.mp4 makes an MP4, .mkv a Matroska file, any other name an AVI); an earlier file of that name is replaced only when the new one is complete."},
    {"container", "avi|mp4|mkv",
     "The kind of video presentations become (default: the window's choice, else avi); videos get its extension."},
    {"codec", "NAME",
     "Compressor, as --list-codecs names it or by encoder name (default: uncompressed)."},
    {"quality", "Q", "Compression quality 1 to 100 (0: the compressor's default)."},
    {"keyframe", "N", "A key frame every N frames (default 1: every frame)."},
    {"kbps", "N", "Data rate limit in kilobits per second (0: none)."},
    {"verbose", nullptr,
     "Print every failure in the window's full report format as it happens, besides the one line for each failed presentation."},
    {"report", "FILE.json",
     "Write the run as JSON: each presentation's outcome, videos, reasons, slides and seconds, and the totals."},
    {"list-codecs", nullptr,
     "Print the compressors on offer, one a line (for --container, default avi)."},
    {"help", nullptr, "Print this help (also -h)."},
    {"version", nullptr, "Print the version and those of the FFmpeg libraries and LibreOffice."},
};

void addOptions(QCommandLineParser& parser) {
    for (const Option& option : options) {
        QStringList names{QLatin1String(option.name)};
        if (names.first() == QLatin1String("help")) names.prepend(QStringLiteral("h"));
        QCommandLineOption added(names, QString::fromUtf8(option.help));
        if (option.valueName != nullptr) added.setValueName(QLatin1String(option.valueName));
        parser.addOption(added);
    }
}

bool readNumber(const QCommandLineParser& parser, const char* name, int lowest, int highest,
                int& value, QString& error) {
    const QString key = QLatin1String(name);
    if (!parser.isSet(key)) return true;
    // Read as every number of the program is read; a whole number is asked for.
    const std::optional<double> number = ParseNumber(parser.value(key));
    if (!number || *number != std::floor(*number) || *number < lowest || *number > highest) {
        error = QStringLiteral("--%1 takes a whole number from %2 to %3")
                    .arg(key)
                    .arg(lowest)
                    .arg(highest);
        return false;
    }
    value = int(*number);
    return true;
}

// The frame rate as the window's box converts it, in every kind of run: a
// number rounded to the nearest (halves to even) that fits 16 bits; the
// writer brings it into 1 to 30.
bool readFrameRate(const QCommandLineParser& parser, ConvertRequest& request) {
    const QString text = parser.value(QStringLiteral("fps")).trimmed();
    try {
        request.framesPerSecond = TextToInteger16(text);
        request.frameRateText = text;
        return true;
    } catch (const Failure&) {
        request.error = QStringLiteral(
            "--fps takes a number from -32768 to 32767 (the rate is then brought into 1 to 30)");
        return false;
    }
}
}  // namespace

QString ConvertUsage() {
    QString text = QStringLiteral(
        "Usage: quillmoor-convert [--combine | --separate] [--fps N | --seconds-per-slide S] "
        "[--height N] [--jobs N] [--use-timings] [--skip-hidden] [--subtitles] "
        "[--sound] [--narrate [--voice NAME] [--speech-rate WPM]] [--music FILE] "
        "[--output-dir DIR | --beside] [--codec NAME] [--quality Q] [--keyframe N] [--kbps N] "
        "[--container avi|mp4|mkv] PATH...\n"
        "  or:  quillmoor-convert --samples [options]\n"
        "  or:  quillmoor-convert --frames DIR (--fps N | --seconds-per-slide S) --output FILE.avi "
        "[--codec NAME] [--quality Q] [--keyframe N] [--kbps N]\n"
        "  or:  quillmoor-convert --list-codecs [--container avi|mp4|mkv] | --version | --help\n\n"
        "A PATH that is a folder adds every file of its tree. Options not given are taken from\n"
        "the settings the window stored; no dialog is ever shown.\n\nOptions:\n");
    for (const Option& option : options) {
        QString left = QStringLiteral("  --") + QLatin1String(option.name);
        if (qstrcmp(option.name, "help") == 0) left = QStringLiteral("  -h, --help");
        if (option.valueName != nullptr) left += QLatin1Char(' ') + QLatin1String(option.valueName);
        text += left.leftJustified(24) + QLatin1Char(' ') + QString::fromUtf8(option.help) +
                QLatin1Char('\n');
    }
    return text;
}

QString UsageErrorText(const QString& problem) {
    QString line = problem;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QStringLiteral("quillmoor-convert: %1\nTry 'quillmoor-convert --help'.\n").arg(line);
}

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

namespace {
// The container comes first: it decides which compressors are on offer.
bool readContainer(const QCommandLineParser& parser, ConvertRequest& request) {
    const QString key = QStringLiteral("container");
    if (parser.isSet(QStringLiteral("frames"))) {
        if (parser.isSet(key)) {
            request.error = QStringLiteral(
                "--container does not apply to --frames: the extension of --output chooses");
            return false;
        }
        request.container = ContainerForPath(parser.value(QStringLiteral("output")));
        return true;
    }
    if (!parser.isSet(key)) return true;
    request.container = ContainerNamed(parser.value(key));
    if (!request.container) request.error = QStringLiteral("--container takes avi, mp4 or mkv");
    return request.container.has_value();
}

bool readCompression(const QCommandLineParser& parser, ConvertRequest& request) {
    CompressOptions& compression = request.compression;
    compression.container = request.container.value_or(VideoContainer::Avi);
    // Without --container the stored choice decides at the run; Matroska offers every name.
    const VideoContainer container = request.container.value_or(VideoContainer::Matroska);
    request.codecGiven = parser.isSet(QStringLiteral("codec"));
    if (request.codecGiven) {
        compression.codec = CodecNameFor(parser.value(QStringLiteral("codec")), container);
        if (compression.codec.isEmpty()) {
            request.error = QStringLiteral("Unknown codec \"%1\" for %2 (on offer: %3)")
                                .arg(parser.value(QStringLiteral("codec")), ContainerKey(container),
                                     AvailableCodecNames(container).join(QStringLiteral(", ")));
            return false;
        }
    } else if (const CodecEntry* fallback = FindCodec(QString(), compression.container)) {
        compression.codec = QLatin1String(fallback->name);
    }
    request.qualityGiven = parser.isSet(QStringLiteral("quality"));
    request.keyFrameGiven = parser.isSet(QStringLiteral("keyframe"));
    request.dataRateGiven = parser.isSet(QStringLiteral("kbps"));
    int kilobits = 0;
    const bool read =
        readNumber(parser, "quality", 0, 100, compression.quality, request.error) &&
        readNumber(parser, "keyframe", 1, 100000, compression.keyFrameEvery, request.error) &&
        readNumber(parser, "kbps", 0, 1000000, kilobits, request.error);
    compression.dataRateBitsPerSecond = kilobits * BitsPerKilobit;
    return read;
}

// Options only the other kind of run takes are refused, not ignored.
bool refuseOthers(const QCommandLineParser& parser, std::initializer_list<const char*> names,
                  const char* run, QString& error) {
    for (const char* name : names) {
        if (parser.isSet(QLatin1String(name))) {
            error = QStringLiteral("--%1 does not apply to %2")
                        .arg(QLatin1String(name), QLatin1String(run));
            return false;
        }
    }
    return true;
}

// Seconds with at most three decimals, read exactly: milliseconds, or -1.
qint64 millisecondsIn(const QString& text) {
    static const QRegularExpression seconds(QStringLiteral("^([0-9]{0,7})(?:\\.([0-9]{1,3}))?$"));
    const QRegularExpressionMatch match = seconds.match(text.trimmed());
    if (!match.hasMatch() || (match.captured(1).isEmpty() && match.captured(2).isEmpty()))
        return -1;
    return match.captured(1).toLongLong() * 1000 +
           match.captured(2).leftJustified(3, QLatin1Char('0')).toLongLong();
}

bool readSlideOptions(const QCommandLineParser& parser, ConvertRequest& request) {
    const QString seconds = QStringLiteral("seconds-per-slide");
    const QString height = QStringLiteral("height");
    if (parser.isSet(seconds)) {
        if (parser.isSet(QStringLiteral("fps"))) {
            request.error = QStringLiteral("--fps and --seconds-per-slide exclude each other");
            return false;
        }
        const qint64 milliseconds = millisecondsIn(parser.value(seconds));
        if (milliseconds < 100 || milliseconds > 3'600'000) {
            request.error = QStringLiteral(
                "--seconds-per-slide takes seconds from 0.1 to 3600, with at most three decimals");
            return false;
        }
        request.slideMilliseconds = int(milliseconds);
    }
    if (parser.isSet(height)) {
        if (parser.isSet(QStringLiteral("frames"))) {
            request.error = QStringLiteral(
                "--height does not apply to --frames: the frames are already painted");
            return false;
        }
        const std::optional<double> pixels = ParseNumber(parser.value(height));
        if (!pixels || *pixels != std::floor(*pixels) || std::fabs(*pixels) > 1e9 ||
            !IsSlideHeight(qint64(*pixels))) {
            request.error = QStringLiteral("--height takes an even number from %1 to %2")
                                .arg(LowestSlideHeight)
                                .arg(HighestSlideHeight);
            return false;
        }
        request.slideHeight = int(*pixels);
    }
    return true;
}

bool readSoundOptions(const QCommandLineParser& parser, ConvertRequest& request) {
    SoundOptions& sound = request.sound;
    sound.deckSounds = parser.isSet(QStringLiteral("sound"));
    sound.narrate = parser.isSet(QStringLiteral("narrate"));
    sound.voice = parser.value(QStringLiteral("voice"));
    sound.music = parser.value(QStringLiteral("music"));
    if (!sound.narrate &&
        (parser.isSet(QStringLiteral("voice")) || parser.isSet(QStringLiteral("speech-rate")))) {
        request.error = QStringLiteral("--voice and --speech-rate need --narrate");
        return false;
    }
    if (parser.isSet(QStringLiteral("music")) && !QFileInfo(sound.music).isFile()) {
        request.error = QStringLiteral("--music: %1 is not a file").arg(sound.music);
        return false;
    }
    return readNumber(parser, "speech-rate", SlowestSpeech, FastestSpeech, sound.wordsPerMinute,
                      request.error);
}

ConvertRequest& readFrameRun(const QCommandLineParser& parser, ConvertRequest& request) {
    if (!parser.positionalArguments().isEmpty()) {
        request.error =
            QStringLiteral("Unexpected argument: ") + parser.positionalArguments().first();
        return request;
    }
    if (!refuseOthers(parser,
                      {"combine", "separate", "output-dir", "beside", "samples", "jobs", "report",
                       "use-timings", "skip-hidden", "subtitles", "sound", "narrate", "voice",
                       "speech-rate", "music"},
                      "a --frames run", request.error))
        return request;
    request.action = ConvertRequest::Action::Frames;
    request.error = CompressionFor(request, request.compression).error;
    if (!request.error.isEmpty()) return request;
    request.framesFolder = parser.value(QStringLiteral("frames"));
    request.output = parser.value(QStringLiteral("output"));
    if (request.framesFolder.isEmpty() || request.output.isEmpty() ||
        (!parser.isSet(QStringLiteral("fps")) && request.slideMilliseconds == 0)) {
        request.error =
            QStringLiteral("--frames, --output and --fps (or --seconds-per-slide) are all needed");
        return request;
    }
    if (request.slideMilliseconds == 0) readFrameRate(parser, request);
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
    if (!refuseOthers(parser, {"output"}, "presentations (videos are named after them)",
                      request.error) ||
        !readNumber(parser, "jobs", 1, 64, request.jobs, request.error))
        return request;
    // The samples lie beside the installed program, where videos cannot go.
    if (samples && parser.isSet(QStringLiteral("beside"))) {
        request.error = QStringLiteral(
            "--samples cannot write beside the samples; the videos go to the current folder or --output-dir");
        return request;
    }
    if (samples && !request.paths.isEmpty()) {
        request.error = QStringLiteral("--samples takes no paths: ") + request.paths.first();
        return request;
    }
    request.action =
        samples ? ConvertRequest::Action::Samples : ConvertRequest::Action::Presentations;
    request.reportFile = parser.value(QStringLiteral("report"));
    if (parser.isSet(QStringLiteral("report")) && request.reportFile.isEmpty()) {
        request.error = QStringLiteral("--report needs a file name");
        return request;
    }
    if (parser.isSet(QStringLiteral("combine"))) request.mode = ConvertRequest::Mode::Combine;
    if (parser.isSet(QStringLiteral("separate"))) request.mode = ConvertRequest::Mode::Separate;
    if (parser.isSet(QStringLiteral("beside")))
        request.destination = ConvertRequest::Destination::Beside;
    if (parser.isSet(QStringLiteral("output-dir"))) {
        request.destination = ConvertRequest::Destination::Folder;
        request.outputFolder = parser.value(QStringLiteral("output-dir"));
    }
    request.slides.useTimings = parser.isSet(QStringLiteral("use-timings"));
    request.slides.skipHidden = parser.isSet(QStringLiteral("skip-hidden"));
    request.slides.subtitles = parser.isSet(QStringLiteral("subtitles"));
    if (parser.isSet(QStringLiteral("fps"))) readFrameRate(parser, request);
    readSoundOptions(parser, request);
    return request;
}
}  // namespace

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
        if (readContainer(parser, request)) request.action = ConvertRequest::Action::ListCodecs;
        return request;
    }
    request.verbose = parser.isSet(QStringLiteral("verbose"));
    if (!readContainer(parser, request) || !readCompression(parser, request) ||
        !readSlideOptions(parser, request))
        return request;
    if (parser.isSet(QStringLiteral("frames"))) return readFrameRun(parser, request);
    return readPresentationRun(parser, request);
}
