#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "../platform/avifile/support/avidecode.h"
#include "../support/testsupport.h"
#include "cli/convertoptions.h"
#include "util/settingsstore.h"

namespace {
ConvertRequest parse(const QStringList& arguments) {
    return ParseConvertArguments(QStringList{QStringLiteral("quillmoor-convert")} + arguments);
}

struct CommandRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CommandRun convertIn(const QString& folder, const QStringList& arguments) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(binDir() + QStringLiteral("/quillmoor-convert"), arguments);
    CommandRun run;
    if (!process.waitForFinished(180000)) return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
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

    const ConvertRequest samples = parse({"--samples", "--beside", "--combine"});
    ASSERT_TRUE(samples.error.isEmpty());
    EXPECT_EQ(samples.action, ConvertRequest::Action::Samples);
    EXPECT_EQ(samples.mode, ConvertRequest::Mode::Combine);
    EXPECT_EQ(samples.destination, ConvertRequest::Destination::Beside);

    for (const QStringList& wrong :
         {QStringList{"--combine", "--separate", "a.pptx"},
          QStringList{"--beside", "--output-dir", "o", "a"}, QStringList{"--fps", "fast", "a.pptx"},
          QStringList{"--separate"}})
        EXPECT_FALSE(parse(wrong).error.isEmpty()) << wrong.join(' ').toStdString();
}

// The command line runs the window's conversion with the window's stored
// options, names every presentation that failed, and ends with a failure status.
TEST(ConvertCommand, ConvertsPresentationsWithTheStoredOptionsAndNamesFailures) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SaveQuillmoorSetting(QStringLiteral("Option1"), QStringLiteral("False"));
    SaveQuillmoorSetting(QStringLiteral("Option2"), QStringLiteral("True"));
    SaveQuillmoorSetting(QStringLiteral("Delay"), QStringLiteral("3"));
    const QString decks = dir.filePath(QStringLiteral("decks"));
    QDir().mkpath(decks + QStringLiteral("/inner"));
    ASSERT_TRUE(QFile::copy(sourceDir() + QStringLiteral("/tests/fixtures/threeslides.fodp"),
                            decks + QStringLiteral("/inner/three.fodp")));
    const QString missing = dir.filePath(QStringLiteral("missing.pptx"));

    const CommandRun run = convertIn(
        dir.path(), {QStringLiteral("--output-dir"), QStringLiteral("."), decks, missing});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("Failed: ") + missing)) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("Failed: ") + decks));
    EXPECT_EQ(run.out,
              QStringLiteral("Written: ") + dir.filePath(QStringLiteral("three.avi")) + '\n');
    const DecodedVideo video = DecodeVideo(dir.filePath(QStringLiteral("three.avi")), false);
    ASSERT_TRUE(video.ok()) << video.error.toStdString();
    EXPECT_EQ(video.nonEmptyPackets(), 3);
    EXPECT_EQ(video.rateNum * 1.0 / video.rateDen, 3.0);
}

TEST(ConvertCommand, ConvertsTheShippedSamplesIntoTheCurrentFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const CommandRun run =
        convertIn(dir.path(), {QStringLiteral("--samples"), QStringLiteral("--separate")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList videos = QDir(dir.path()).entryList({QStringLiteral("*.avi")}, QDir::Files);
    EXPECT_GE(videos.size(), 3) << videos.join(", ").toStdString();
    for (const QString& name : videos)
        EXPECT_TRUE(DecodeVideo(dir.filePath(name), false).ok()) << name.toStdString();
}
