#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>
#include <csignal>

#include "../support/fakehost.h"
#include "../support/scriptedprompts.h"
#include "../support/testsupport.h"
#include "../video/support/avidecode.h"
#include "../video/support/dibbuilder.h"
#include "util/failure.h"
#include "video/framevideo.h"

namespace {
const QString WriteError = QStringLiteral("There was an error writing to file");

// The staging layout the driver hands over: T/temp, T/temp.bmp, and an output folder.
class CreateAviTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        QDir(root.path()).mkpath(QStringLiteral("temp"));
        QDir(root.path()).mkpath(QStringLiteral("out"));
    }

    QString frames() const { return root.path() + QStringLiteral("/temp"); }
    QString scratch() const { return root.path() + QStringLiteral("/temp.bmp"); }
    QString output() const { return root.path() + QStringLiteral("/out/video.avi"); }

    void saveFrame(const QString& name, const QImage& image, int bitCount = 24,
                   bool topDown = false) {
        writeFile(frames() + QLatin1Char('/') + name,
                  MakeBmpFile(MakeDib(image, bitCount, topDown)));
    }
    VideoOutcome::Kind run(qint16 fps = 1) {
        outcome = CreateAviFromBitmaps(host, prompts, frames(), scratch(), output(), fps);
        return outcome.kind;
    }
    QStringList framesLeft() const { return QDir(frames()).entryList(QDir::Files, QDir::Name); }
    QStringList temporaries() const {
        return QDir(root.path() + QStringLiteral("/out"))
            .entryList({QStringLiteral(".quillmoor-*")}, QDir::Files | QDir::Hidden);
    }
    static CompressOptions chosen(const QString& codec) {
        CompressOptions options;
        options.codec = codec;
        return options;
    }

    QTemporaryDir root;
    FakeHost host;
    ScriptedPrompts prompts;
    VideoOutcome outcome;
};

QByteArray pngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}
}  // namespace

TEST_F(CreateAviTest, WritesEveryImageInSlideNumberOrderAsKeyFramesAndConsumesThem) {
    QList<QImage> images;
    for (int n = 1; n <= 12; ++n) {
        images << TestPattern(64, 48, n);
        saveFrame(QStringLiteral("Slide%1.bmp").arg(n), images.last());
    }
    run(5);

    EXPECT_TRUE(prompts.messages().isEmpty());
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].kind, QStringLiteral("compression"));
    const DecodedVideo video = DecodeVideo(output());
    ASSERT_TRUE(video.ok()) << video.error.toStdString();
    EXPECT_EQ(video.codecName, QStringLiteral("rawvideo"));
    EXPECT_EQ(video.rateNum, 5);
    EXPECT_EQ(video.rateDen, 1);
    EXPECT_EQ(video.packetKeys, QList<bool>(12, true));
    ASSERT_EQ(video.frames.size(), 12);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(MaxChannelDifference(video.frames[i], images[i]), 0) << i;

    EXPECT_TRUE(framesLeft().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(scratch()));  // bitmaps are read as they are
    EXPECT_EQ(host.progressMaximum, 12);
    QList<int> expected{0};
    for (int i = 1; i <= 12; ++i) expected << i;
    EXPECT_EQ(host.progressValues, expected);
    EXPECT_GE(host.yields, 12);
    EXPECT_TRUE(temporaries().isEmpty());
}

TEST_F(CreateAviTest, TheRateIsClampedToOneToThirty) {
    for (const auto& [given, rate] :
         {std::pair<qint16, int>{0, 1}, {-7, 1}, {1, 1}, {30, 30}, {31, 30}, {32767, 30}}) {
        saveFrame(QStringLiteral("Slide1.bmp"), TestPattern(8, 8, 1));
        run(given);
        const DecodedVideo video = DecodeVideo(output(), false);
        EXPECT_EQ(video.rateNum, rate) << given;
        EXPECT_EQ(video.rateDen, 1) << given;
    }
}

TEST_F(CreateAviTest, TildeNamesAreSkippedAndTheirPositionStaysEmpty) {
    saveFrame(QStringLiteral("Slide1.bmp"), TestPattern(16, 16, 1));
    saveFrame(QStringLiteral("Slide2.bmp"), TestPattern(16, 16, 2));
    saveFrame(QStringLiteral("~lock.bmp"), TestPattern(16, 16, 3));
    saveFrame(QStringLiteral("Über.bmp"), TestPattern(16, 16, 4));  // listed after "~"
    run();
    const DecodedVideo video = DecodeVideo(output());
    ASSERT_TRUE(video.ok());
    EXPECT_EQ(video.streamFrames, 4);
    EXPECT_EQ(video.packetPts, (QList<qint64>{0, 1, 3}));
    ASSERT_EQ(video.frames.size(), 3);
    EXPECT_EQ(MaxChannelDifference(video.frames[2], TestPattern(16, 16, 4)), 0);
    EXPECT_EQ(framesLeft(), QStringList{QStringLiteral("~lock.bmp")});
    EXPECT_EQ(host.progressMaximum, 4);
}

TEST_F(CreateAviTest, LaterImagesOfAnotherSizeOrDepthAreFittedIntoTheFirstFormat) {
    const QImage first = TestPattern(64, 48, 1);
    saveFrame(QStringLiteral("Slide1.bmp"), first);
    QImage wide(64, 36, QImage::Format_RGB32);
    wide.fill(qRgb(200, 30, 40));
    saveFrame(QStringLiteral("Slide2.bmp"), wide);                       // 16:9 after 4:3
    saveFrame(QStringLiteral("Slide3.bmp"), TestPattern(64, 48, 3), 8);  // palette
    saveFrame(QStringLiteral("Slide4.bmp"), TestPattern(64, 48, 4), 32);
    saveFrame(QStringLiteral("Slide5.bmp"), TestPattern(64, 48, 5), 24, true);  // top-down
    // Listed first, yet the format still comes from Slide1.
    saveFrame(QStringLiteral("Slide0.bmp"), TestPattern(32, 48, 6));
    run();

    EXPECT_TRUE(prompts.messages().isEmpty());
    const DecodedVideo video = DecodeVideo(output());
    ASSERT_TRUE(video.ok());
    ASSERT_EQ(video.frames.size(), 6);
    for (const QImage& frame : video.frames) EXPECT_EQ(frame.size(), QSize(64, 48));
    EXPECT_EQ(MaxChannelDifference(video.frames[1], first), 0);
    // Bars above and below the wide image, its colour between them.
    const QImage bars = video.frames[2];
    EXPECT_EQ(bars.pixel(32, 2), qRgb(0, 0, 0));
    EXPECT_EQ(bars.pixel(32, 45), qRgb(0, 0, 0));
    EXPECT_EQ(bars.pixel(32, 24), qRgb(200, 30, 40));
    EXPECT_EQ(bars.pixel(0, 24), qRgb(200, 30, 40));
    // Narrow Slide0: bars left and right.
    EXPECT_EQ(video.frames[0].pixel(2, 24), qRgb(0, 0, 0));
    EXPECT_EQ(video.frames[0].pixel(61, 24), qRgb(0, 0, 0));
    const QImage paletted =
        TestPattern(64, 48, 3).convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    EXPECT_EQ(MaxChannelDifference(video.frames[3], paletted), 0);
    EXPECT_EQ(MaxChannelDifference(video.frames[4], TestPattern(64, 48, 4)), 0);
    EXPECT_EQ(MaxChannelDifference(video.frames[5], TestPattern(64, 48, 5)), 0);
    EXPECT_TRUE(framesLeft().isEmpty());
}

TEST_F(CreateAviTest, APalettedFirstImageMakesAPalettedStream) {
    QImage paletted(40, 20, QImage::Format_Indexed8);
    paletted.setColorCount(4);
    paletted.setColor(0, qRgb(255, 0, 0));
    paletted.setColor(1, qRgb(0, 255, 0));
    paletted.setColor(2, qRgb(0, 0, 255));
    paletted.setColor(3, qRgb(255, 255, 255));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) paletted.setPixel(x, y, uint((x / 10 + y) % 4));
    saveFrame(QStringLiteral("Slide1.bmp"), paletted, 8);
    QImage white(40, 20, QImage::Format_RGB32);
    white.fill(Qt::white);
    saveFrame(QStringLiteral("Slide2.bmp"), white, 24);
    run();
    const DecodedVideo video = DecodeVideo(output());
    ASSERT_TRUE(video.ok());
    ASSERT_EQ(video.frames.size(), 2);
    EXPECT_EQ(MaxChannelDifference(video.frames[0], paletted), 0);
    EXPECT_EQ(MaxChannelDifference(video.frames[1], white), 0);
}

TEST_F(CreateAviTest, ImagesThatAreNotBitmapsAreConvertedThroughTheScratchBitmap) {
    writeFile(frames() + QStringLiteral("/Slide1.bmp"), pngBytes(TestPattern(30, 20, 1)));
    saveFrame(QStringLiteral("Slide2.bmp"), TestPattern(30, 20, 2));
    writeFile(frames() + QStringLiteral("/Slide3.bmp"), pngBytes(TestPattern(30, 20, 3)));
    run();
    EXPECT_TRUE(prompts.messages().isEmpty());
    const DecodedVideo video = DecodeVideo(output());
    ASSERT_EQ(video.frames.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(MaxChannelDifference(video.frames[i], TestPattern(30, 20, i + 1)), 0);
    EXPECT_TRUE(QFileInfo::exists(scratch()));  // left for the driver to remove
    EXPECT_TRUE(framesLeft().isEmpty());
}

TEST_F(CreateAviTest, ALossyChoiceStaysCloseToTheImages) {
    for (int n = 1; n <= 3; ++n)
        saveFrame(QStringLiteral("Slide%1.bmp").arg(n), TestPattern(96, 64, n));
    prompts.compressionAnswers.push_back({1, chosen(QStringLiteral("Motion JPEG"))});
    run(2);
    const DecodedVideo video = DecodeVideo(output());
    ASSERT_TRUE(video.ok());
    EXPECT_EQ(video.codecName, QStringLiteral("mjpeg"));
    EXPECT_EQ(video.rateNum, 2);
    EXPECT_EQ(video.packetKeys, QList<bool>(3, true));
    ASSERT_EQ(video.frames.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_LT(MeanChannelDifference(video.frames[i], TestPattern(96, 64, i + 1)), 6.0);
}

TEST_F(CreateAviTest, CancellingTheDialogKeepsTheEarlierFileAndTheImagesAndSaysNothing) {
    writeFile(output(), "earlier video");
    saveFrame(QStringLiteral("Slide1.bmp"), TestPattern(8, 8, 1));
    saveFrame(QStringLiteral("Slide2.bmp"), TestPattern(8, 8, 2));
    prompts.compressionAnswers.push_back({0, {}});
    EXPECT_EQ(run(), VideoOutcome::Cancelled);
    EXPECT_TRUE(prompts.messages().isEmpty());
    EXPECT_EQ(readFile(output()), QByteArray("earlier video"));
    EXPECT_EQ(framesLeft().size(), 2);
    EXPECT_TRUE(temporaries().isEmpty());

    // Any other answer than OK or cancel is an error.
    prompts.compressionAnswers.push_back({-1, {}});
    EXPECT_EQ(run(), VideoOutcome::Failed);
    EXPECT_EQ(prompts.messages(), QStringList{WriteError + QStringLiteral("\r\n") + output()});
    EXPECT_EQ(readFile(output()), QByteArray("earlier video"));
}

TEST_F(CreateAviTest, AFirstImageTheReaderRefusesEndsTheCallWithItsTwoMessages) {
    QByteArray truncated = MakeBmpFile(MakeDib(TestPattern(8, 8, 1), 24));
    truncated.chop(10);
    writeFile(frames() + QStringLiteral("/Slide1.bmp"), truncated);
    EXPECT_EQ(run(), VideoOutcome::Failed);
    EXPECT_EQ(prompts.messages(),
              (QStringList{QStringLiteral("File is not a supported bitmap format:\r\n") + frames() +
                               QStringLiteral("/Slide1.bmp"),
                           QStringLiteral("Could not load first bitmap file in list")}));
    EXPECT_EQ(prompts.shown[1].icon, Prompts::Icon::None);
    EXPECT_FALSE(QFileInfo::exists(output()));
    EXPECT_TRUE(temporaries().isEmpty());
}

TEST_F(CreateAviTest, ALaterImageTheReaderRefusesBecomesADroppedFrameAndStays) {
    saveFrame(QStringLiteral("Slide1.bmp"), TestPattern(8, 8, 1));
    QByteArray truncated = MakeBmpFile(MakeDib(TestPattern(8, 8, 2), 24));
    truncated.chop(10);
    writeFile(frames() + QStringLiteral("/Slide2.bmp"), truncated);
    saveFrame(QStringLiteral("Slide3.bmp"), TestPattern(8, 8, 3));
    EXPECT_EQ(run(), VideoOutcome::Written);
    EXPECT_EQ(outcome.droppedFrames, 1);
    EXPECT_EQ(prompts.messages(),
              QStringList{QStringLiteral("File is not a supported bitmap format:\r\n") + frames() +
                          QStringLiteral("/Slide2.bmp")});
    const DecodedVideo video = DecodeVideo(output());
    EXPECT_EQ(video.packetPts, (QList<qint64>{0, 2}));
    EXPECT_EQ(framesLeft(), QStringList{QStringLiteral("Slide2.bmp")});
}

// The image-size field is a hint: the rows decide how many pixel bytes a
// frame has, so a short field costs neither the frame nor the video.
TEST_F(CreateAviTest, AShortImageSizeFieldIsOnlyAHint) {
    writeFile(output(), "earlier video");
    for (int n = 1; n <= 3; ++n)
        saveFrame(QStringLiteral("Slide%1.bmp").arg(n), TestPattern(16, 16, n));
    QByteArray shortField = readFile(frames() + QStringLiteral("/Slide2.bmp"));
    qToLittleEndian<quint32>(100, reinterpret_cast<uchar*>(shortField.data()) + 34);
    writeFile(frames() + QStringLiteral("/Slide2.bmp"), shortField);
    EXPECT_EQ(run(), VideoOutcome::Written);
    EXPECT_TRUE(prompts.messages().isEmpty());
    EXPECT_EQ(DecodeVideo(output()).frames.size(), 3);
    EXPECT_TRUE(temporaries().isEmpty());
    EXPECT_TRUE(framesLeft().isEmpty());
}

TEST_F(CreateAviTest, AnOutputThatCannotBeCreatedTouchesNoImage) {
    saveFrame(QStringLiteral("Slide1.bmp"), TestPattern(8, 8, 1));
    EXPECT_EQ(CreateAviFromBitmaps(host, prompts, frames(), scratch(),
                                   root.path() + QStringLiteral("/gone/v.avi"), 1)
                  .kind,
              VideoOutcome::Failed);
    EXPECT_EQ(prompts.messages(),
              QStringList{WriteError + QStringLiteral("\r\n") + root.path() +
                          QStringLiteral("/gone/v.avi\r\nNo such file or directory")});
    EXPECT_EQ(prompts.shown.size(), 1);  // no dialog either
    EXPECT_EQ(framesLeft().size(), 1);
}

TEST_F(CreateAviTest, AnImageThatIsNoPictureFailsToTheCallerAndLeavesNoFile) {
    writeFile(output(), "earlier video");
    const QString second = frames() + QStringLiteral("/Slide2.bmp");
    for (const bool namedPipe : {false, true}) {
        SCOPED_TRACE(namedPipe ? "a named pipe, never waited on" : "text");
        saveFrame(QStringLiteral("Slide1.bmp"), TestPattern(8, 8, 1));
        QFile::remove(second);
        if (namedPipe)
            ASSERT_EQ(::mkfifo(QFile::encodeName(second).constData(), 0600), 0);
        else
            writeFile(second, "not a picture at all");
        try {
            run();
            FAIL() << "no failure";
        } catch (const Failure& failure) {
            EXPECT_EQ(
                failure.description(),
                namedPipe
                    ? QStringLiteral("Cannot read the frame %1: Not a regular file").arg(second)
                    : QStringLiteral("Invalid picture: ") + second);
        }
        EXPECT_EQ(readFile(output()), QByteArray("earlier video"));
        EXPECT_TRUE(temporaries().isEmpty());
    }
}

TEST_F(CreateAviTest, AWriteFailureSaysSoOnceAndLosesNothingNotYetWritten) {
    writeFile(output(), "earlier video");
    for (int n = 1; n <= 8; ++n)
        saveFrame(QStringLiteral("Slide%1.bmp").arg(n), TestPattern(64, 48, n));

    // A file-size limit in a child process stands for a full disk.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{40000, 40000};  // room for about three frames
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ScriptedPrompts childPrompts;
        FakeHost childHost;
        CreateAviFromBitmaps(childHost, childPrompts, frames(), scratch(), output(), 1);
        const QByteArray said = childPrompts.messages().join(QLatin1Char('\n')).toUtf8();
        [[maybe_unused]] const ssize_t written =
            ::write(pipeFds[1], said.constData(), size_t(said.size()));
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    QByteArray said;
    char buffer[256];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, got);
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));

    EXPECT_EQ(QString::fromUtf8(said), WriteError + QStringLiteral("\r\n") + output() +
                                           QStringLiteral("\r\nFile too large"));
    EXPECT_EQ(readFile(output()), QByteArray("earlier video"));
    EXPECT_TRUE(temporaries().isEmpty());
    // The images from the one that failed onward are still there.
    const QStringList left = framesLeft();
    ASSERT_FALSE(left.isEmpty());
    ASSERT_LT(left.size(), 8);
    const int firstLeft = 9 - int(left.size());
    for (int n = firstLeft; n <= 8; ++n)
        EXPECT_TRUE(left.contains(QStringLiteral("Slide%1.bmp").arg(n))) << n;
}
