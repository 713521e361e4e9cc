#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>

#include "../support/testsupport.h"
#include "support/avidecode.h"
#include "support/codecfacts.h"
#include "support/dibbuilder.h"
#include "support/writeframes.h"
#include "video/codeclist.h"
#include "video/ffmpeglog.h"
#include "video/videotemporary.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {
class VideoWriterTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    QStringList leftovers() const {
        return QDir(dir.path())
            .entryList({QStringLiteral(".quillmoor-*")}, QDir::Files | QDir::Hidden);
    }
    QTemporaryDir dir;
};

// Writes `frames` at `positions` (default 0, 1, 2, ...) the way the frame routine does.
VideoWriterResult writeVideo(const QString& target, const QList<Dib>& frames, int rate,
                             const CompressOptions& options, QList<int> positions = {}) {
    QList<qint64> at;
    for (int position : positions) at << position;
    return WriteFrames(target, frames, quint32(rate), 1, options, at);
}

const unsigned char* pixels(const Dib& dib) {
    return reinterpret_cast<const unsigned char*>(dib.bits.constData());
}

CompressOptions codec(const QString& name, int keyFrameEvery = 1) {
    CompressOptions options;
    options.codec = name;
    options.keyFrameEvery = keyFrameEvery;
    return options;
}

// The picture a DIB holds, as the decoder should return it.
QImage pictureOf(const QImage& image, int bitCount) {
    return bitCount == 8 ? image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither)
                               .convertToFormat(QImage::Format_RGB32)
                         : image.convertToFormat(QImage::Format_RGB32);
}
}  // namespace

TEST_F(VideoWriterTest, UncompressedFramesDecodeExactlyAtEveryDepthAndRowOrder) {
    struct Case {
        int bitCount;
        bool topDown;
    };
    for (const Case c : {Case{24, false}, Case{32, false}, Case{8, false}, Case{24, true}}) {
        SCOPED_TRACE(testing::Message() << c.bitCount << " bits, top-down " << c.topDown);
        QList<QImage> images;
        QList<Dib> dibs;
        for (int seed = 0; seed < 3; ++seed) {
            // 8-bit frames share one palette, as one stream format holds one.
            images << (c.bitCount == 8 ? TestPattern(45, 30, 0).mirrored(seed == 1, seed == 2)
                                       : TestPattern(45, 30, seed));
            dibs << MakeDib(images.last(), c.bitCount, c.topDown);
        }
        const QString target = path(QStringLiteral("raw%1%2.avi").arg(c.bitCount).arg(c.topDown));
        ASSERT_TRUE(
            writeVideo(target, dibs, 5, codec(QLatin1String(UncompressedCodecName))).written);

        const DecodedVideo video = DecodeVideo(target);
        ASSERT_TRUE(video.ok()) << video.error.toStdString();
        EXPECT_EQ(video.codecName, QStringLiteral("rawvideo"));
        EXPECT_EQ(video.rateNum, 5);
        EXPECT_EQ(video.rateDen, 1);
        EXPECT_EQ(video.streamFrames, 3);
        EXPECT_EQ(video.packetKeys, (QList<bool>{true, true, true}));
        ASSERT_EQ(video.frames.size(), 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(MaxChannelDifference(video.frames[i], pictureOf(images[i], c.bitCount)), 0)
                << "frame " << i;
    }
}

TEST_F(VideoWriterTest, EveryOfferedCodecPlaysBackWithItsFramesCountAndRate) {
    const QStringList names = AvailableCodecNames();
    ASSERT_EQ(names.first(), QLatin1String(UncompressedCodecName));
    for (const QString& name : names) {
        for (const QSize size : {QSize(64, 48), QSize(37, 23)}) {
            SCOPED_TRACE(testing::Message()
                         << name.toStdString() << " " << size.width() << "x" << size.height());
            QList<QImage> images;
            QList<Dib> dibs;
            for (int seed = 0; seed < 4; ++seed) {
                images << TestPattern(size.width(), size.height(), seed);
                dibs << MakeDib(images.last(), 24);
            }
            const QString target = path(QStringLiteral("codec.avi"));
            ASSERT_TRUE(writeVideo(target, dibs, 7, codec(name)).written);

            const DecodedVideo video = DecodeVideo(target);
            ASSERT_TRUE(video.ok()) << video.error.toStdString();
            EXPECT_EQ(video.rateNum, 7);
            EXPECT_EQ(video.rateDen, 1);
            EXPECT_EQ(video.packetKeys, (QList<bool>{true, true, true, true}));
            ASSERT_EQ(video.frames.size(), 4);
            const CodecFacts facts = FactsOf(name);
            for (int i = 0; i < 4; ++i) {
                // Encoders with block sizes get the picture at the nearest size they take.
                const QImage decoded =
                    video.frames[i].scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
                ASSERT_LE(std::abs(video.frames[i].width() - size.width()), facts.alignment / 2);
                ASSERT_LE(std::abs(video.frames[i].height() - size.height()), facts.alignment / 2);
                if (facts.lossless)
                    EXPECT_EQ(MaxChannelDifference(decoded, images[i]), 0) << "frame " << i;
                else
                    EXPECT_LT(MeanChannelDifference(decoded, images[i]), 14.0) << "frame " << i;
            }
        }
    }
}

TEST_F(VideoWriterTest, MotionJpegFramesStayCloseToTheSource) {
    QList<QImage> images;
    QList<Dib> dibs;
    for (int seed = 0; seed < 3; ++seed) {
        images << TestPattern(160, 120, seed);
        dibs << MakeDib(images.last(), 24);
    }
    const QString target = path(QStringLiteral("mjpeg.avi"));
    CompressOptions options = codec(QStringLiteral("Motion JPEG"));
    options.quality = 93;
    ASSERT_TRUE(writeVideo(target, dibs, 2, options).written);
    const DecodedVideo video = DecodeVideo(target);
    ASSERT_TRUE(video.ok());
    EXPECT_EQ(video.codecName, QStringLiteral("mjpeg"));
    ASSERT_EQ(video.frames.size(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_LT(MeanChannelDifference(video.frames[i], images[i]), 6.0);
    // Higher quality, closer pictures.
    options.quality = 20;
    ASSERT_TRUE(writeVideo(target, dibs, 2, options).written);
    const DecodedVideo rough = DecodeVideo(target);
    ASSERT_EQ(rough.frames.size(), 3);
    EXPECT_GT(MeanChannelDifference(rough.frames[0], images[0]),
              MeanChannelDifference(video.frames[0], images[0]));
}

TEST_F(VideoWriterTest, ADataRateLimitMakesSmallerFramesThanTheBestQuality) {
    QList<Dib> dibs;
    for (int seed = 0; seed < 4; ++seed) dibs << MakeDib(TestPattern(160, 120, seed), 24);
    for (const QString& name : {QStringLiteral("MPEG-4 part 2"), QStringLiteral("Motion JPEG")}) {
        SCOPED_TRACE(name.toStdString());
        CompressOptions best = codec(name);
        best.quality = 100;
        CompressOptions limited = best;
        limited.dataRateBitsPerSecond = 2 * BitsPerDialogKilobyte;
        const QString a = path(QStringLiteral("best.avi")), b = path(QStringLiteral("limited.avi"));
        ASSERT_TRUE(writeVideo(a, dibs, 1, best).written);
        ASSERT_TRUE(writeVideo(b, dibs, 1, limited).written);
        EXPECT_LT(QFileInfo(b).size(), QFileInfo(a).size());
        EXPECT_EQ(DecodeVideo(b).frames.size(), 4);
    }
}

TEST_F(VideoWriterTest, TheChosenKeyFrameIntervalDecidesForEncodersThatUseIt) {
    const Dib still = MakeDib(TestPattern(64, 48, 3), 24);
    const QList<Dib> frames(7, still);
    const QList<bool> everyThird{true, false, false, true, false, false, true};
    for (const QString& name : AvailableCodecNames()) {
        SCOPED_TRACE(name.toStdString());
        const QString target = path(QStringLiteral("keys.avi"));
        ASSERT_TRUE(writeVideo(target, frames, 1, codec(name, 3)).written);
        const DecodedVideo video = DecodeVideo(target, false);
        ASSERT_TRUE(video.ok());
        EXPECT_EQ(video.packetKeys, FactsOf(name).keyFrames ? everyThird : QList<bool>(7, true));
    }
}

TEST_F(VideoWriterTest, SkippedPositionsBecomeDroppedFramesSoLaterFramesKeepTheirTimes) {
    QList<QImage> images;
    QList<Dib> dibs;
    for (int seed = 0; seed < 3; ++seed) {
        images << TestPattern(32, 16, seed);
        dibs << MakeDib(images.last(), 24);
    }
    for (const QString& name :
         QStringList{QString::fromLatin1(UncompressedCodecName), QStringLiteral("Motion JPEG")}) {
        SCOPED_TRACE(name.toStdString());
        // A gap in the middle, and one before the first frame.
        for (const QList<int>& positions : {QList<int>{0, 1, 3}, QList<int>{2, 3, 5}}) {
            const QString target = path(QStringLiteral("gap.avi"));
            ASSERT_TRUE(writeVideo(target, dibs, 1, codec(name), positions).written);
            const DecodedVideo video = DecodeVideo(target);
            ASSERT_TRUE(video.ok());
            // The index counts the dropped frames; the demuxer passes over them.
            EXPECT_EQ(video.streamFrames, positions.last() + 1);
            EXPECT_EQ(video.packetPts, (QList<qint64>{positions[0], positions[1], positions[2]}));
            ASSERT_EQ(video.frames.size(), 3);
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(video.framePts[i], positions[i]);
                EXPECT_LT(MeanChannelDifference(video.frames[i], images[i]), 10.0);
            }
        }
    }
}

TEST_F(VideoWriterTest, AFileNeverCompletedLeavesTheEarlierTargetAndNoTemporaryFile) {
    const QString target = path(QStringLiteral("video.avi"));
    writeFile(target, "earlier video");
    const Dib frame = MakeDib(TestPattern(16, 16, 1), 24);

    {  // Finished before it got a stream: nothing in it.
        VideoWriter writer(target, VideoContainer::Avi);
        ASSERT_TRUE(writer.ok());
        EXPECT_EQ(leftovers().size(), 1);
        EXPECT_FALSE(writer.finish().written);
    }
    EXPECT_EQ(readFile(target), QByteArray("earlier video"));
    EXPECT_TRUE(leftovers().isEmpty());

    {  // Frames written, then the writer dropped unfinished (a failure passing by).
        VideoWriter writer(target, VideoContainer::Avi);
        ASSERT_TRUE(writer.addVideoStream({QByteArrayView(frame.info), 1, 1, std::nullopt}));
        ASSERT_TRUE(writer.addFrame(pixels(frame), frame.bits.size()));
    }
    EXPECT_EQ(readFile(target), QByteArray("earlier video"));
    EXPECT_TRUE(leftovers().isEmpty());

    // A completed file replaces it.
    ASSERT_TRUE(writeVideo(target, {frame}, 1, CompressOptions{}).written);
    EXPECT_TRUE(readFile(target).startsWith("RIFF"));
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(VideoWriterTest, WhatCannotBeWrittenIsRefusedWithAReasonAndTheEarlierFileStays) {
    const Dib frame = MakeDib(TestPattern(16, 16, 1), 24);
    const QString target = path(QStringLiteral("a.avi"));
    for (const QString& unwritable : {path(QStringLiteral("missing/a.avi")), dir.path()}) {
        VideoWriter writer(unwritable, VideoContainer::Avi);
        EXPECT_FALSE(writer.ok());
        EXPECT_FALSE(writer.reason().isEmpty());
    }
    ASSERT_TRUE(writeVideo(target, {frame}, 1, CompressOptions{}, {1}).written);
    EXPECT_EQ(DecodeVideo(target).frames.size(), 1);
    const QByteArray earlier = readFile(target);

    QByteArray rle = frame.info;
    rle[16] = 1;  // BI_RLE8
    QByteArray sixteen = frame.info;
    sixteen[14] = 16;
    const QByteArray shortBlock = frame.info.left(39);
    const qint64 size = frame.bits.size();
    const struct {
        const char* what;
        QByteArray info;
        quint32 rate;
        QString codec;
        qint64 start, bytes, duration;
        bool streamTaken;
    } refusals[] = {
        {"no rate", frame.info, 0, QString(), 0, size, 1, false},
        {"a compressor it lacks", frame.info, 1, QStringLiteral("No such codec"), 0, size, 1,
         false},
        {"RLE rows", rle, 1, QString(), 0, size, 1, false},
        {"16-bit rows", sixteen, 1, QString(), 0, size, 1, false},
        {"a short format block", shortBlock, 1, QString(), 0, size, 1, false},
        {"fewer bytes than a frame", frame.info, 1, QString(), 0, size - 1, 1, true},
        {"no duration", frame.info, 1, QString(), 0, size, 0, true},
        {"a position already written", frame.info, 1, QString(), -2, size, 1, true},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.what);
        VideoWriter writer(target, VideoContainer::Avi);
        CompressOptions options;
        options.codec = r.codec;
        const bool taken = writer.addVideoStream({QByteArrayView(r.info), r.rate, 1, options});
        EXPECT_EQ(taken, r.streamTaken);
        if (taken) {
            if (r.start < 0) {
                ASSERT_TRUE(writer.addFrame(pixels(frame), size, 1));
            }
            EXPECT_FALSE(
                writer.addFrame(pixels(frame), r.bytes, qMax<qint64>(r.start, 0), r.duration));
        }
        EXPECT_FALSE(writer.reason().isEmpty());
        EXPECT_FALSE(writer.finish().written);
        EXPECT_EQ(readFile(target), earlier);
    }
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(VideoWriterTest, OnlyThisMachinesStaleTemporariesAreRemovedAndActiveOnesOnDemand) {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    ASSERT_GT(child, 0);
    waitpid(child, nullptr, 0);
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    const QString here = QString::fromLatin1(host).replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString gone = QStringLiteral(".quillmoor-%1-%2-1.part").arg(here).arg(child);
    // In a folder two machines share, a process id says nothing about the other machine.
    const QStringList kept{QStringLiteral(".quillmoor-%1-1-1.part").arg(here),
                           QStringLiteral(".quillmoor-other-host-%1-1.part").arg(child),
                           QStringLiteral(".quillmoor-%1-1.part").arg(child),
                           QStringLiteral(".quillmoor-notes.part")};
    for (const QString& name : kept + QStringList{gone}) writeFile(path(name), "x");

    VideoWriter writer(path(QStringLiteral("v.avi")), VideoContainer::Avi);
    ASSERT_TRUE(writer.ok());
    QStringList present = leftovers();
    EXPECT_FALSE(present.contains(gone));
    for (const QString& name : kept) EXPECT_TRUE(present.contains(name)) << name.toStdString();
    EXPECT_EQ(present.size(), kept.size() + 1);  // ours, being written

    DiscardActiveVideoTemporaries();
    EXPECT_EQ(leftovers().size(), kept.size());
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("v.avi"))));
}

TEST_F(VideoWriterTest, PastOneGibibyteTheFileGoesOnAsOpenDmlAndDecodesInFull) {
    // 1.1 GB: written to memory when there is room, else not at all (too slow for the suite).
    const QString folder = QStringLiteral("/dev/shm");
    struct statvfs space;
    if (::statvfs("/dev/shm", &space) != 0 ||
        qint64(space.f_bavail) * qint64(space.f_frsize) < (qint64(3) << 30))
        GTEST_SKIP() << "/dev/shm lacks 3 GB of room for a 1.1 GB video";
    QTemporaryDir memory(folder + QStringLiteral("/quillmoor-test-XXXXXX"));
    ASSERT_TRUE(memory.isValid());
    const QString target = memory.path() + QStringLiteral("/long.avi");

    Dib frame = MakeDib(TestPattern(1920, 1080, 2), 24);
    const int count = 180;  // 6.2 MB each
    VideoWriter writer(target, VideoContainer::Avi);
    ASSERT_TRUE(writer.addVideoStream({QByteArrayView(frame.info), 30, 1, std::nullopt}));
    for (int i = 0; i < count; ++i) {
        frame.bits[0] = char(i);  // tells the frames apart
        ASSERT_TRUE(writer.addFrame(pixels(frame), frame.bits.size(), i));
    }
    ASSERT_TRUE(writer.finish().written);
    EXPECT_GT(QFileInfo(target).size(), qint64(1) << 30);

    // A second RIFF list of type AVIX follows the first.
    QFile raw(target);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray head = raw.read(12);
    EXPECT_EQ(head.left(4), QByteArray("RIFF"));
    EXPECT_EQ(head.mid(8, 4), QByteArray("AVI "));
    const quint32 firstSize = qFromLittleEndian<quint32>(head.constData() + 4);
    ASSERT_TRUE(raw.seek(8 + qint64(firstSize)));
    const QByteArray next = raw.read(12);
    EXPECT_EQ(next.left(4), QByteArray("RIFF"));
    EXPECT_EQ(next.mid(8, 4), QByteArray("AVIX"));

    const DecodedVideo video = DecodeVideo(target, false);
    ASSERT_TRUE(video.ok());
    EXPECT_EQ(video.streamFrames, count);
    ASSERT_EQ(video.packetSizes.size(), count);
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(video.packetPts[i], i);
        ASSERT_EQ(video.packetFirstBytes[i], i);
        ASSERT_EQ(video.packetSizes[i], frame.bits.size());
    }
}

TEST_F(VideoWriterTest, AReplacedVideoKeepsItsModeAndOwner) {
    const QString target = path(QStringLiteral("kept.avi"));
    const Dib frame = MakeDib(TestPattern(16, 16, 1), 24);
    writeFile(target, "earlier video");
    const QByteArray name = QFile::encodeName(target);
    ASSERT_EQ(::chmod(name.constData(), 0600), 0);
    // Only root may give a file away; others keep their own.
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(name.constData(), 4321, 4321), 0);
    }
    const mode_t umaskBefore = ::umask(022);
    const bool written = writeVideo(target, {frame}, 1, CompressOptions{}).written;
    ::umask(umaskBefore);
    ASSERT_TRUE(written);
    struct stat after;
    ASSERT_EQ(::stat(name.constData(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0600u);
    if (root) {
        EXPECT_EQ(std::pair(after.st_uid, after.st_gid), std::pair(uid_t(4321), gid_t(4321)));
    }
    EXPECT_TRUE(readFile(target).startsWith("RIFF"));
}

TEST_F(VideoWriterTest, ALongSubtitleEndsBeforeACharacterThatWouldNotFitWhole) {
    const QString target = path(QStringLiteral("long.mp4"));
    const Dib frame = MakeDib(TestPattern(16, 16, 1), 24);
    // 65,535 bytes is the most a sample holds: the two-byte "ü" would straddle it.
    const QByteArray text = QByteArray(65534, 'a') + QByteArrayLiteral("\xc3\xbc") + "b";
    VideoWriter writer(target, VideoContainer::Mp4);
    ASSERT_TRUE(writer.addVideoStream({QByteArrayView(frame.info), 1, 1, CompressOptions{}}));
    ASSERT_TRUE(writer.addSubtitleStream());
    ASSERT_TRUE(writer.addCue(0, 1000, text));
    ASSERT_TRUE(writer.addFrame(pixels(frame), frame.bits.size()));
    ASSERT_TRUE(writer.finish().written);
    const DecodedVideo video = DecodeVideo(target, false);
    ASSERT_EQ(video.texts.size(), 1);
    EXPECT_EQ(video.texts[0], QString(65534, QLatin1Char('a')));
}

namespace {
QStringList logged;
void keepLine(int level, const QString& line) {
    logged << QStringLiteral("%1 %2").arg(level).arg(line);
}
}  // namespace

TEST(FfmpegLog, WholeLinesOfErrorsAndWarningsReachTheSinkAndNothingElseIsSaid) {
    logged.clear();
    SetFfmpegLogSink(keepLine);
    av_log(nullptr, AV_LOG_ERROR, "in ");
    av_log(nullptr, AV_LOG_ERROR, "pieces\n");
    av_log(nullptr, AV_LOG_WARNING, "a warning\nand more\n");
    av_log(nullptr, AV_LOG_INFO, "chatter\n");
    SetFfmpegLogSink(nullptr);
    av_log(nullptr, AV_LOG_ERROR, "unheard\n");
    EXPECT_EQ(logged, (QStringList{QStringLiteral("16 in pieces"), QStringLiteral("24 a warning"),
                                   QStringLiteral("24 and more")}));
}
