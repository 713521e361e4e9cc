#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "../support/testsupport.h"
#include "../video/support/avidecode.h"
#include "app/videosettingsstore.h"
#include "cli/compressionchoice.h"
#include "cli/convertoptions.h"
#include "convertrun.h"
#include "util/settingsstore.h"

namespace {
ConvertRequest parse(const QStringList& arguments) {
    return ParseConvertArguments(QStringList{QStringLiteral("quillmoor-convert")} + arguments);
}

}  // namespace

TEST(ConvertArguments, ReadsAPresentationRunAndLeavesTheRestToTheStoredSettings) {
    const ConvertRequest stored = parse({QStringLiteral("a.pptx"), QStringLiteral("decks")});
    ASSERT_TRUE(stored.error.isEmpty()) << stored.error.toStdString();
    EXPECT_EQ(stored.action, ConvertRequest::Action::Presentations);
    EXPECT_EQ(stored.paths, (QStringList{QStringLiteral("a.pptx"), QStringLiteral("decks")}));
    EXPECT_EQ(stored.mode, ConvertRequest::Mode::Stored);
    EXPECT_EQ(stored.destination, ConvertRequest::Destination::Stored);
    EXPECT_TRUE(stored.frameRateText.isEmpty());
    EXPECT_FALSE(stored.codecGiven);

    const ConvertRequest given =
        parse({"--separate", "--fps", "12.5", "--output-dir", "out", "--codec", "mjpeg", "a.pptx"});
    ASSERT_TRUE(given.error.isEmpty()) << given.error.toStdString();
    EXPECT_EQ(given.mode, ConvertRequest::Mode::Separate);
    EXPECT_EQ(given.destination, ConvertRequest::Destination::Folder);
    EXPECT_EQ(given.outputFolder, QStringLiteral("out"));
    EXPECT_EQ(given.frameRateText, QStringLiteral("12.5"));
    EXPECT_TRUE(given.codecGiven);
    EXPECT_EQ(given.jobs, 0);
    EXPECT_EQ(parse({"--jobs", "64", "a.pptx"}).jobs, 64);

    const ConvertRequest samples = parse({"--samples", "--combine"});
    ASSERT_TRUE(samples.error.isEmpty());
    EXPECT_EQ(samples.action, ConvertRequest::Action::Samples);
    EXPECT_EQ(samples.mode, ConvertRequest::Mode::Combine);

    // Nothing asked for is dropped in silence: beside the installed samples is
    // no place for videos, and a presentation run names its videos itself.
    const struct {
        QStringList arguments;
        const char* reason;  // how the message starts
    } wrong[] = {
        {{"--combine", "--separate", "a.pptx"}, "--combine and --separate exclude each other"},
        {{"--beside", "--output-dir", "o", "a"}, "--output-dir and --beside exclude each other"},
        {{"--fps", "fast", "a.pptx"}, "--fps takes a number"},
        {{"--separate"}, "Nothing to do: name presentations or folders"},
        {{"--samples", "--beside"},
         "--samples cannot write beside the samples; the videos go to "
         "the current folder or --output-dir"},
        {{"--samples", "a.pptx"}, "--samples takes no paths: a.pptx"},
        {{"--output", "o.avi", "a.pptx"},
         "--output does not apply to presentations (videos are named after them)"},
    };
    for (const auto& [arguments, reason] : wrong) {
        const QString error = parse(arguments).error;
        EXPECT_TRUE(error.startsWith(QLatin1String(reason)))
            << arguments.join(' ').toStdString() << "\n"
            << error.toStdString();
    }
}

namespace {
void storeOptions(std::initializer_list<const char*> values) {
    int number = 0;
    for (const char* value : values)
        SaveQuillmoorSetting(QStringLiteral("Option%1").arg(++number), QLatin1String(value));
}
}  // namespace

// The command line runs the window's conversion with the options the window
// restores, names every presentation that failed, and ends with a failure status.
TEST(ConvertCommand, ConvertsPresentationsWithTheStoredOptionsAndNamesFailures) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Both of each pair stored as selected: the window shows the later ones,
    // separate videos beside their presentations.
    storeOptions({"True", "True", "True", "True"});
    SaveQuillmoorSetting(QStringLiteral("Text2"), dir.path());
    SaveQuillmoorSetting(QStringLiteral("Delay"), QStringLiteral("3"));
    const QString inner = dir.filePath(QStringLiteral("decks/inner/"));
    QDir().mkpath(inner);
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("threeslides.fodp")),
                            inner + QStringLiteral("three.fodp")));
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("widescreen.fodp")),
                            inner + QStringLiteral("wide.fodp")));
    const QString missing = dir.filePath(QStringLiteral("missing.pptx"));

    const ConvertRun run = RunConvert({dir.filePath(QStringLiteral("decks")), missing}, dir.path());
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(
        run.err.contains(QStringLiteral("quillmoor-convert: ") + missing + QStringLiteral(": ")))
        << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("quillmoor-convert: ") + inner));
    EXPECT_EQ(run.out, QStringLiteral("Written: ") + inner + QStringLiteral("three.avi\n") +
                           QStringLiteral("Written: ") + inner + QStringLiteral("wide.avi\n"));
    const DecodedVideo video = DecodeVideo(inner + QStringLiteral("three.avi"), false);
    ASSERT_TRUE(video.ok()) << video.error.toStdString();
    EXPECT_EQ(video.nonEmptyPackets(), 3);
    EXPECT_EQ(video.rateNum * 1.0 / video.rateDen, 3.0);
    EXPECT_TRUE(DecodeVideo(inner + QStringLiteral("wide.avi"), false).ok());
}

TEST(ConvertCommand, StoredOptionsThatSelectNoModeOrNoPlaceAreRefusedWithAReason) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString deck = dir.filePath(QStringLiteral("three.fodp"));
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("threeslides.fodp")), deck));
    const struct {
        std::initializer_list<const char*> stored;
        QStringList arguments;
        const char* reason;
    } cases[] = {
        {{"False", "0", "True", "False"}, {deck}, "No mode is selected"},
        {{"True", "False", "False", "False"}, {"--separate", deck}, "No save location is selected"},
    };
    for (const auto& [stored, arguments, reason] : cases) {
        storeOptions(stored);
        const ConvertRun run = RunConvert(arguments, dir.path());
        EXPECT_EQ(run.exitCode, 2) << reason;
        EXPECT_TRUE(run.err.contains(QStringLiteral("quillmoor-convert: ") + QLatin1String(reason)))
            << run.err.toStdString();
    }
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("*.avi")}).isEmpty());
}

TEST(ConvertArguments, CompressionNumbersApplyOverTheRememberedCompressor) {
    const CompressOptions remembered{QStringLiteral("Motion JPEG"), 40, 1,
                                     500 * BitsPerDialogKilobyte};
    const ChosenCompression chosen =
        CompressionFor(parse({"--quality", "90", "--kbps", "0", "a.pptx"}), remembered);
    EXPECT_TRUE(chosen.error.isEmpty()) << chosen.error.toStdString();
    EXPECT_EQ(chosen.options.codec, QStringLiteral("Motion JPEG"));
    EXPECT_EQ(chosen.options.quality, 90);
    EXPECT_EQ(chosen.options.dataRateBitsPerSecond, 0);
    // Motion JPEG makes every frame a key frame: a number it ignores is refused.
    EXPECT_TRUE(CompressionFor(parse({"--keyframe", "5", "a.pptx"}), remembered)
                    .error.startsWith(QStringLiteral("--keyframe has no effect on Motion JPEG")));
    EXPECT_FALSE(
        CompressionFor(parse({"--quality", "5", "a.pptx"}), CompressOptions{}).error.isEmpty());
}

TEST(ConvertCommand, ConvertsTheShippedSamplesIntoTheCurrentFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ConvertRun run =
        RunConvert({QStringLiteral("--samples"), QStringLiteral("--separate")}, dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList videos = QDir(dir.path()).entryList({QStringLiteral("*.avi")}, QDir::Files);
    EXPECT_EQ(videos, (QStringList{"Field Guide.avi", "Quarterly Review.avi", "Travel Plan.avi"}));
    for (const QString& name : videos)
        EXPECT_TRUE(DecodeVideo(dir.filePath(name), false).ok()) << name.toStdString();
}

// The window's video settings decide what the command line is not told.
TEST(ConvertCommand, TheStoredVideoSettingsChooseContainerAndSlideTime) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString deck = dir.filePath(QStringLiteral("three.fodp"));
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("threeslides.fodp")), deck));
    SaveVideoSettings(VideoSettings{VideoContainer::Mp4, 480, 2500});
    const ConvertRun run = RunConvert({"--separate", "--beside", deck}, dir.path());
    const ConvertRun plain = RunConvert({"--no-settings", "--separate", "--beside", deck});
    SaveVideoSettings(VideoSettings{});
    EXPECT_TRUE(run.err.contains(QStringLiteral(
        "stored settings give this run: seconds per slide 2.5, file type mp4, video height 480 ")))
        << run.err.toStdString();
    EXPECT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("three.avi"))));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const DecodedVideo video = DecodeVideo(dir.filePath(QStringLiteral("three.mp4")), false);
    ASSERT_TRUE(video.ok()) << video.error.toStdString();
    EXPECT_EQ(video.codecName, QStringLiteral("h264"));
    EXPECT_EQ(video.height, 480);
    EXPECT_EQ(video.packetSeconds, (QList<double>{0, 2.5, 5}));
}
