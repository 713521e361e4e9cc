#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include "../support/testsupport.h"
#include "../video/support/avidecode.h"
#include "../video/support/dibbuilder.h"
#include "convertrun.h"

namespace {

// The video stream header's dwRate and dwScale, as the file holds them.
std::pair<quint32, quint32> rateAndScale(const QString& avi) {
    const QByteArray bytes = readFile(avi);
    const qsizetype at = bytes.indexOf("strh");
    if (at < 0 || at + 36 > bytes.size() || bytes.mid(at + 8, 4) != "vids") return {0, 0};
    const auto* header = reinterpret_cast<const uchar*>(bytes.constData() + at + 8);
    return {qFromLittleEndian<quint32>(header + 24), qFromLittleEndian<quint32>(header + 20)};
}
}  // namespace

TEST(ConvertCommand, RefusesHeightsAndDurationsItCannotHonourWithAReason) {
    const struct {
        QStringList arguments;
        const char* reason;
    } refused[] = {
        {{"--height", "1081", "a.odp"}, "--height takes an even number from 240 to 4320"},
        {{"--height", "4322", "a.odp"}, "--height takes an even number from 240 to 4320"},
        {{"--height", "238", "a.odp"}, "--height takes an even number from 240 to 4320"},
        {{"--fps", "2", "--seconds-per-slide", "5", "a.odp"}, "exclude each other"},
        {{"--seconds-per-slide", "0.09", "a.odp"}, "from 0.1 to 3600, with at most three"},
        {{"--seconds-per-slide", "1.2345", "a.odp"}, "from 0.1 to 3600, with at most three"},
        {{"--seconds-per-slide", "3600.001", "a.odp"}, "from 0.1 to 3600, with at most three"},
        {{"--frames", "f", "--seconds-per-slide", "5", "--output", "o.avi", "--height", "480"},
         "the frames are already painted"},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& row : refused) {
        const ConvertRun run = RunConvert(row.arguments, dir.path());
        EXPECT_EQ(run.exitCode, 2) << row.reason;
        EXPECT_TRUE(run.err.contains(QLatin1String(row.reason))) << run.err.toStdString();
    }
}

// Each deck painted 1080 lines high, every slide one frame of 2.5 seconds.
TEST(ConvertCommand, PaintsSlidesAtTheChosenHeightEachLastingTheSecondsAsked) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ConvertRun run =
        RunConvert({"--separate", "--output-dir", ".", "--height", "1080", "--seconds-per-slide",
                    "2.5", fixture("threeslides.fodp"), fixture("widescreen.fodp")},
                   dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const struct {
        const char* name;
        int width;
        int frames;
    } expected[] = {{"threeslides.avi", 1440, 3}, {"widescreen.avi", 1920, 2}};
    for (const auto& video : expected) {
        const QString path = dir.filePath(QLatin1String(video.name));
        const DecodedVideo decoded = DecodeVideo(path, false);
        ASSERT_TRUE(decoded.ok()) << video.name;
        EXPECT_EQ(decoded.width, video.width);
        EXPECT_EQ(decoded.height, 1080);
        EXPECT_EQ(decoded.nonEmptyPackets(), video.frames);
        EXPECT_DOUBLE_EQ(decoded.seconds, 2.5 * video.frames);
        EXPECT_EQ(rateAndScale(path), std::make_pair(2u, 5u));
    }
}

// A 16:9 deck after a 4:3 one is fitted into the first deck's 1440 x 1080.
TEST(ConvertCommand, FitsLaterDecksIntoTheFirstAtTheChosenHeight) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ConvertRun run =
        RunConvert({"--combine", "--output-dir", ".", "--height", "1080", "--seconds-per-slide",
                    "5", fixture("threeslides.fodp"), fixture("widescreen.fodp")},
                   dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString path = dir.filePath(QStringLiteral("threeslides.avi"));
    const DecodedVideo video = DecodeVideo(path);
    ASSERT_TRUE(video.ok());
    ASSERT_EQ(video.frames.size(), 5);
    EXPECT_EQ(video.frames[3].size(), QSize(1440, 1080));
    EXPECT_DOUBLE_EQ(video.seconds, 25.0);
    EXPECT_EQ(rateAndScale(path), std::make_pair(1u, 5u));
    // 1920 x 1080 fitted into 1440 wide is 810 high: black above and below.
    EXPECT_EQ(video.frames[3].pixel(720, 130), qRgb(0, 0, 0));
    EXPECT_EQ(video.frames[3].pixel(720, 950), qRgb(0, 0, 0));
    EXPECT_EQ(qBlue(video.frames[3].pixel(720, 540)), 0);  // the yellow slide
    EXPECT_GT(qRed(video.frames[3].pixel(720, 540)), 200);
}

// A frame shown 2.5 seconds under a data-rate limit may carry 2.5 seconds of data.
TEST(ConvertCommand, WritesFramesOfSeveralSecondsUnderADataRateLimit) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString frames = dir.filePath(QStringLiteral("frames"));
    for (int n = 1; n <= 3; ++n)
        writeFile(frames + QStringLiteral("/Slide%1.bmp").arg(n),
                  MakeBmpFile(MakeDib(TestPattern(64, 48, n), 24)));
    const QString output = dir.filePath(QStringLiteral("out.avi"));
    const ConvertRun run = RunConvert({"--frames", frames, "--seconds-per-slide", "2.5", "--output",
                                       output, "--codec", "mpeg4", "--kbps", "500"},
                                      dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const DecodedVideo video = DecodeVideo(output, false);
    EXPECT_EQ(video.nonEmptyPackets(), 3);
    EXPECT_DOUBLE_EQ(video.seconds, 7.5);
    EXPECT_EQ(rateAndScale(output), std::make_pair(2u, 5u));
}
