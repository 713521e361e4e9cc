#include "cli/convertoptions.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>
#include <cmath>
#include <optional>

#include "audio/speaker.h"
#include "cli/compressionchoice.h"
#include "cli/optiontable.h"
#include "platform/office/slideheight.h"
#include "util/failure.h"
#include "util/numbers.h"
#include "video/codeclist.h"

namespace {
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
        const int rate = qBound(1, int(request.framesPerSecond), 30);
        if (rate != request.framesPerSecond)
            request.notes << QStringLiteral("--fps %1 is brought into 1 to 30, giving %2")
                                 .arg(text)
                                 .arg(rate);
        return true;
    } catch (const Failure&) {
        request.error = QStringLiteral(
            "--fps takes a number from -32768 to 32767 (the rate is then brought into 1 to 30)");
        return false;
    }
}
}  // namespace

QString UsageErrorText(const QString& problem) {
    QString line = problem;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QStringLiteral("quillmoor-convert: %1\nTry 'quillmoor-convert --help'.\n").arg(line);
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
bool refuseOthers(const QCommandLineParser& parser, OptionRun others, const char* run,
                  QString& error) {
    for (const ConvertOption& option : ConvertOptionTable()) {
        if (option.run == others && parser.isSet(QLatin1String(option.name))) {
            error = QStringLiteral("--%1 does not apply to %2")
                        .arg(QLatin1String(option.name), QLatin1String(run));
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

ConvertRequest& readFrameRun(const QCommandLineParser& parser, ConvertRequest& request) {
    if (!parser.positionalArguments().isEmpty()) {
        request.error =
            QStringLiteral("Unexpected argument: ") + parser.positionalArguments().first();
        return request;
    }
    if (!refuseOthers(parser, OptionRun::Presentations, "a --frames run", request.error))
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
    if (!refuseOthers(parser, OptionRun::Frames, "presentations (videos are named after them)",
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
    if (parser.isSet(QStringLiteral("replace")) && parser.isSet(QStringLiteral("no-replace"))) {
        request.error = QStringLiteral("-y (--replace) and -n (--no-replace) exclude each other");
        return request;
    }
    request.replace = !parser.isSet(QStringLiteral("no-replace"));
    request.noSettings = parser.isSet(QStringLiteral("no-settings"));
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
    request.allowLinks = parser.isSet(QStringLiteral("allow-links"));
    request.slides.transitions = parser.isSet(QStringLiteral("transitions"));
    request.slides.chapterList = parser.isSet(QStringLiteral("chapter-list"));
    request.slides.chapters =
        parser.isSet(QStringLiteral("chapters")) || request.slides.chapterList;
    if (parser.isSet(QStringLiteral("fps"))) readFrameRate(parser, request);
    readSoundOptions(parser, request);
    return request;
}
}  // namespace

ConvertRequest ParseConvertArguments(const QStringList& arguments) {
    ConvertRequest request;
    QCommandLineParser parser;
    AddConvertOptions(parser);
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
    request.quiet = parser.isSet(QStringLiteral("quiet"));
    if (request.quiet && request.verbose) {
        request.error = QStringLiteral("-q (--quiet) and --verbose exclude each other");
        return request;
    }
    if (!readContainer(parser, request) || !readCompression(parser, request) ||
        !readSlideOptions(parser, request))
        return request;
    if (parser.isSet(QStringLiteral("frames"))) return readFrameRun(parser, request);
    return readPresentationRun(parser, request);
}
