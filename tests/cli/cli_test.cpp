#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <csignal>
#include <cstdio>
#include <functional>

#include "../support/testsupport.h"
#include "../video/support/avidecode.h"
#include "../video/support/dibbuilder.h"
#include "cli/cliprompts.h"
#include "cli/compressionchoice.h"
#include "cli/convertoptions.h"
#include "cli/optiontable.h"
#include "convertrun.h"
#include "video/codeclist.h"

namespace {
QStringList args(const QString& line) {
    return (QStringLiteral("quillmoor-convert ") + line).split(QLatin1Char(' '));
}

}  // namespace

TEST(ConvertArguments, ReadsTheFrameRunWithItsCompressionChoice) {
    const ConvertRequest request = ParseConvertArguments(args(
        "--frames f --fps 12 --output o.avi --codec mpeg4 --quality 90 --keyframe 4 --kbps 300"));
    ASSERT_TRUE(request.error.isEmpty()) << request.error.toStdString();
    EXPECT_EQ(request.action, ConvertRequest::Action::Frames);
    EXPECT_EQ(request.framesFolder, QStringLiteral("f"));
    EXPECT_EQ(request.output, QStringLiteral("o.avi"));
    EXPECT_EQ(request.framesPerSecond, 12);
    EXPECT_EQ(request.compression.codec, QStringLiteral("MPEG-4 part 2"));
    EXPECT_EQ(request.compression.quality, 90);
    EXPECT_EQ(request.compression.keyFrameEvery, 4);
    EXPECT_EQ(request.compression.dataRateBitsPerSecond, 300 * 1000);  // kilobits

    const ConvertRequest plain = ParseConvertArguments(args("--frames f --fps 0 --output o.avi"));
    ASSERT_TRUE(plain.error.isEmpty());
    EXPECT_EQ(plain.framesPerSecond, 0);  // the writer brings it to 1
    EXPECT_EQ(plain.compression.codec, QStringLiteral("Full Frames (Uncompressed)"));
    EXPECT_EQ(plain.compression.keyFrameEvery, 1);

    EXPECT_EQ(ParseConvertArguments(args("--list-codecs")).action,
              ConvertRequest::Action::ListCodecs);
    EXPECT_EQ(ParseConvertArguments(args("--help")).action, ConvertRequest::Action::Help);
}

TEST(ConvertArguments, RefusesWhatItCannotDoWithAReason) {
    const char* const needed =
        "--frames, --output and --fps (or --seconds-per-slide) are all needed";
    const char* const nothing =
        "Nothing to do: name presentations or folders (or --samples, --frames, --list-codecs)";
    const char* const fps =
        "--fps takes a number from -32768 to 32767 (the rate is then brought into 1 to 30)";
    const struct {
        const char* line;
        const char* reason;  // how the message starts
    } refused[] = {
        {"--frames f --output o.avi", needed},
        {"--frames f --fps 2", needed},
        {"--fps 2 --output o.avi", nothing},
        {"--frames f --fps x --output o.avi", fps},
        {"--frames f --fps 40000 --output o.avi", fps},
        {"--frames f --fps 2 --output o.avi --codec indeo",
         "Unknown codec \"indeo\" for avi (on offer: Full Frames (Uncompressed), Motion JPEG"},
        {"--frames f --fps 2 --output o.mp4 --codec ffv1",
         "Unknown codec \"ffv1\" for mp4 (on offer: H.264, MPEG-4 part 2"},
        {"--frames f --fps 2 --output o.avi --container mp4",
         "--container does not apply to --frames: the extension of --output chooses"},
        {"--container mov a.pptx", "--container takes avi, mp4 or mkv"},
        {"--container mp4 --codec cinepak a.pptx", "Unknown codec \"cinepak\" for mp4"},
        {"--frames f --fps 2 --output o.avi --quality 101",
         "--quality takes a whole number from 0 to 100"},
        {"--frames f --fps 2 --output o.avi --keyframe 0",
         "--keyframe takes a whole number from 1 to 100000"},
        {"--frames f --fps 2 --output o.avi --quality 50",
         "--quality has no effect on Full Frames (Uncompressed); choose a compressor that uses it "
         "with --codec"},
        {"--frames f --fps 2 --output o.avi --codec ffv1 --kbps 100",
         "--kbps has no effect on FFV1; choose a compressor that uses it with --codec"},
        {"--frames f --fps 2 --output o.avi --separate",
         "--separate does not apply to a --frames run"},
        {"--frames f --fps 2 --output o.avi extra", "Unexpected argument: extra"},
        {"--jobs 0 a.pptx", "--jobs takes a whole number from 1 to 64"},
        {"--jobs 65 a.pptx", "--jobs takes a whole number from 1 to 64"},
        {"--jobs x a.pptx", "--jobs takes a whole number from 1 to 64"},
        {"--frames f --fps 2 --output o.avi --jobs 2", "--jobs does not apply to a --frames run"},
        {"--bogus", "Unknown option 'bogus'."},
        {"", nothing},
    };
    for (const auto& [line, reason] : refused) {
        const QStringList arguments = QString::fromLatin1(line).isEmpty()
                                          ? QStringList{"quillmoor-convert"}
                                          : args(QString::fromLatin1(line));
        const QString error = ParseConvertArguments(arguments).error;
        EXPECT_TRUE(error.startsWith(QLatin1String(reason))) << line << "\n" << error.toStdString();
    }
}

// The edges of every number the command line takes are accepted as given.
TEST(ConvertArguments, AcceptsEveryNumberAtItsLimits) {
    const struct {
        const char* line;
        int slideMilliseconds, slideHeight;
    } accepted[] = {
        {"--seconds-per-slide 0.1 a.odp", 100, 0},
        {"--seconds-per-slide 3600 a.odp", 3'600'000, 0},
        {"--seconds-per-slide .5 a.odp", 500, 0},
        {"--seconds-per-slide 2.125 a.odp", 2125, 0},
        {"--height 240 a.odp", 0, 240},
        {"--height 4320 a.odp", 0, 4320},
        {"--fps 30 --height 1080 a.odp", 0, 1080},
    };
    for (const auto& [line, milliseconds, height] : accepted) {
        const ConvertRequest request = ParseConvertArguments(args(QString::fromLatin1(line)));
        EXPECT_EQ(request.error, QString()) << line;
        EXPECT_EQ(request.action, ConvertRequest::Action::Presentations) << line;
        EXPECT_EQ(request.slideMilliseconds, milliseconds) << line;
        EXPECT_EQ(request.slideHeight, height) << line;
    }
    for (const char* line : {"--frames f --fps 1 --output o.avi --quality 100 --codec mjpeg",
                             "--frames f --fps 1 --output o.avi --keyframe 100000 --codec mpeg4",
                             "--frames f --fps 32767 --output o.avi", "--version a.odp"})
        EXPECT_EQ(ParseConvertArguments(args(QString::fromLatin1(line))).error, QString()) << line;
    EXPECT_EQ(ParseConvertArguments(args("--version")).action, ConvertRequest::Action::Version);
}

TEST(ConvertCommand, VersionNamesItselfAndTheLibrariesItFound) {
    const ConvertRun run = RunConvert({QStringLiteral("--version")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(
        run.out.startsWith(QStringLiteral("quillmoor-convert 0.1\nFFmpeg libraries: "
                                          "libavformat ")))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("\nLibreOffice "))) << run.out.toStdString();
}

TEST(ConvertArguments, KnowsCodecsByTheirOfferedOrEncoderName) {
    EXPECT_EQ(CodecNameFor(QStringLiteral("motion jpeg")), QStringLiteral("Motion JPEG"));
    EXPECT_EQ(CodecNameFor(QStringLiteral("MJPEG")), QStringLiteral("Motion JPEG"));
    EXPECT_EQ(CodecNameFor(QStringLiteral("raw")), QStringLiteral("Full Frames (Uncompressed)"));
    EXPECT_EQ(CodecNameFor(QStringLiteral("ffv1")), QStringLiteral("FFV1"));
    EXPECT_EQ(CodecNameFor(QStringLiteral("msvideo1")), QStringLiteral("Microsoft Video 1"));
    EXPECT_EQ(CodecNameFor(QStringLiteral("indeo")), QString());
    if (FindCodec(QStringLiteral("H.264")) == nullptr)
        GTEST_SKIP() << "this libavcodec has no H.264 encoder: the h264 alias is not tried";
    EXPECT_EQ(CodecNameFor(QStringLiteral("h264")), QStringLiteral("H.264"));
    EXPECT_EQ(CodecNameFor(QStringLiteral("H264")), QStringLiteral("H.264"));
    EXPECT_EQ(CodecNameFor(QStringLiteral("libx264")), QStringLiteral("H.264"));
}

TEST(CliPrompts, PrintsMessagesWithTerminalLineBreaksAndAnswersFromItsOptions) {
    char* text = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    ASSERT_NE(out, nullptr);
    {
        CliPrompts prompts(out);
        prompts.message(QStringLiteral("File does not exist:\r\n/x/Slide1.bmp"));
        prompts.compression.codec = QStringLiteral("PNG");
        CompressOptions options;
        EXPECT_EQ(prompts.compressionOptions(options), 1);
        EXPECT_EQ(options.codec, QStringLiteral("PNG"));
        EXPECT_FALSE(prompts.askYesNo(QStringLiteral("Sure?"), Prompts::Icon::Question, QString()));
        EXPECT_EQ(prompts.messages().size(), 1);
    }
    std::fclose(out);
    const QString printed = QString::fromLocal8Bit(text);
    std::free(text);
    EXPECT_TRUE(printed.startsWith(QStringLiteral("File does not exist:\n/x/Slide1.bmp\n")))
        << printed.toStdString();
}

TEST(ConvertCommand, WritesAFolderOfFramesAndKeepsThem) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString frames = dir.path() + QStringLiteral("/frames");
    for (int n = 1; n <= 11; ++n)
        writeFile(frames + QStringLiteral("/Slide%1.bmp").arg(n),
                  MakeBmpFile(MakeDib(TestPattern(48, 32, n), 24)));
    const QString output = dir.path() + QStringLiteral("/out.avi");
    const ConvertRun run =
        RunConvert({"--frames", frames, "--fps", "4", "--output", output, "--codec", "ffv1"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty())
        << run.err.toStdString();  // no progress lines without a terminal
    EXPECT_EQ(run.out, QStringLiteral("Written: ") + output + QLatin1Char('\n'));

    const DecodedVideo video = DecodeVideo(output);
    ASSERT_TRUE(video.ok());
    EXPECT_EQ(video.codecName, QStringLiteral("ffv1"));
    EXPECT_EQ(video.rateNum, 4);
    ASSERT_EQ(video.frames.size(), 11);
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(MaxChannelDifference(video.frames[i], TestPattern(48, 32, i + 1)), 0);
    EXPECT_EQ(QDir(frames).entryList(QDir::Files).size(), 11);
}

TEST(ConvertCommand, SaysWhatWentWrongAndEndsWithAFailureStatus) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ConvertRun empty =
        RunConvert({"--frames", dir.path(), "--fps", "1", "--output", dir.path() + "/o.avi"});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_TRUE(empty.err.contains(QStringLiteral("No Slide1.bmp in "))) << empty.err.toStdString();

    QByteArray broken = MakeBmpFile(MakeDib(TestPattern(8, 8, 1), 24));
    broken.chop(4);
    writeFile(dir.path() + QStringLiteral("/f/Slide1.bmp"), broken);
    const ConvertRun refused = RunConvert(
        {"--frames", dir.path() + "/f", "--fps", "1", "--output", dir.path() + "/o.avi"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("Could not load first bitmap file in list")));
    EXPECT_FALSE(QFileInfo::exists(dir.path() + QStringLiteral("/o.avi")));

    const ConvertRun usage = RunConvert({"--fps", "1"});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_TRUE(usage.err.endsWith(QStringLiteral("\nTry 'quillmoor-convert --help'.\n")));

    const ConvertRun list = RunConvert({"--list-codecs"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_TRUE(list.out.startsWith(QStringLiteral("Full Frames (Uncompressed)\n")));
    const ConvertRun mp4 = RunConvert({"--list-codecs", "--container", "mp4"});
    EXPECT_TRUE(mp4.out.startsWith(QStringLiteral("H.264\nMPEG-4 part 2\n")));
}

TEST(ConvertArguments, TheContainerComesFromTheOptionOrTheOutputsExtension) {
    const struct {
        const char* line;
        VideoContainer container;
        const char* codec;
    } cases[] = {
        {"--frames f --fps 2 --output o.MP4", VideoContainer::Mp4, "H.264"},
        {"--frames f --fps 2 --output o.mkv", VideoContainer::Matroska, UncompressedCodecName},
        {"--frames f --fps 2 --output o", VideoContainer::Avi, UncompressedCodecName},
        {"--container mkv --codec hevc a.pptx", VideoContainer::Matroska, "H.265"}};
    for (const auto& c : cases) {
        const ConvertRequest request = ParseConvertArguments(args(QString::fromLatin1(c.line)));
        ASSERT_TRUE(request.error.isEmpty()) << c.line << request.error.toStdString();
        EXPECT_EQ(request.container, c.container) << c.line;
        EXPECT_EQ(request.compression.codec, QLatin1String(c.codec)) << c.line;
    }
}

// Frames that cannot all go into the video never cost the earlier one.
TEST(ConvertCommand, BadFramesLeaveAnEarlierVideoAsItWas) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString frames = dir.path() + QStringLiteral("/frames");
    const QString output = dir.path() + QStringLiteral("/out.avi");
    const QString slide1 = frames + QStringLiteral("/Slide1.bmp");
    const QString slide2 = frames + QStringLiteral("/Slide2.bmp");
    const auto noPicture = [&] { writeFile(slide2, "not a picture"); };
    const auto namedPipe = [&] {
        QFile::remove(slide2);
        ASSERT_EQ(::mkfifo(QFile::encodeName(slide2).constData(), 0600), 0);
    };
    const auto hugeRows = [&] {
        QByteArray bytes = readFile(slide1).left(70);
        qToLittleEndian<quint32>(0, reinterpret_cast<uchar*>(bytes.data()) + 34);
        qToLittleEndian<qint32>(0x7FFFFFFF, reinterpret_cast<uchar*>(bytes.data()) + 18);
        qToLittleEndian<qint32>(0x7FFFFFFF, reinterpret_cast<uchar*>(bytes.data()) + 22);
        writeFile(slide1, bytes);
    };
    const struct {
        const char* what;
        std::function<void()> spoil;
        QString says;
    } cases[] = {
        {"no picture in a frame's place", noPicture, QStringLiteral("Invalid picture: ") + slide2},
        {"a named pipe", namedPipe,
         QStringLiteral("Cannot read the frame %1: Not a regular file").arg(slide2)},
        {"rows past 64 bits", hugeRows,
         QStringLiteral("File is not a supported bitmap format:\n") + slide1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(frames).removeRecursively();
        for (int n = 1; n <= 3; ++n)
            writeFile(frames + QStringLiteral("/Slide%1.bmp").arg(n),
                      MakeBmpFile(MakeDib(TestPattern(16, 16, n), 24)));
        ASSERT_EQ(RunConvert({"--frames", frames, "--fps", "1", "--output", output}).exitCode, 0);
        const QByteArray earlier = readFile(output);
        for (int n = 1; n <= 3; ++n)
            writeFile(frames + QStringLiteral("/Slide%1.bmp").arg(n),
                      MakeBmpFile(MakeDib(TestPattern(16, 16, n), 24)));
        c.spoil();
        const ConvertRun run = RunConvert({"--frames", frames, "--fps", "1", "--output", output});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err.count(c.says), 1) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        EXPECT_EQ(readFile(output), earlier);
        EXPECT_EQ(QDir(dir.path())
                      .entryList({QStringLiteral(".quillmoor-*")}, QDir::Files | QDir::Hidden),
                  QStringList());
    }
}

TEST(ConvertCommand, AnInterruptedRunLeavesNoTemporaryFileBehind) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString frames = dir.path() + QStringLiteral("/frames");
    const QByteArray frame = MakeBmpFile(MakeDib(TestPattern(640, 480, 1), 24));
    for (int n = 1; n <= 200; ++n) writeFile(frames + QStringLiteral("/Slide%1.bmp").arg(n), frame);
    QProcess process;
    process.start(
        binDir() + QStringLiteral("/quillmoor-convert"),
        {"--frames", frames, "--fps", "1", "--output", dir.path() + "/out.avi", "--codec", "png"});
    ASSERT_TRUE(process.waitForStarted());
    // Interrupt once the video is being written, which 200 frames make long.
    const QDir out(dir.path());
    bool finished = false;
    while (out.entryList({QStringLiteral(".quillmoor-*")}, QDir::Files | QDir::Hidden).isEmpty() &&
           !(finished = process.waitForFinished(5))) {
    }
    ASSERT_FALSE(finished) << "the video was done before its interrupt";
    ASSERT_EQ(::kill(pid_t(process.processId()), SIGINT), 0);
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 128 + SIGINT);
    EXPECT_TRUE(
        out.entryList({QStringLiteral(".quillmoor-*")}, QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir.path() + QStringLiteral("/out.avi")));
}
