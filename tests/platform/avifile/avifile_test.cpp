#include <gtest/gtest.h>

#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>

#include "../../support/testsupport.h"
#include "platform/avifile/avifile.h"
#include "platform/avifile/codeclist.h"
#include "support/avidecode.h"
#include "support/codecfacts.h"
#include "support/dibbuilder.h"

namespace {
// Starts and ends the library around each test, as the driver does around each video.
class AviFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        AVIFileInit();
    }
    void TearDown() override { AVIFileExit(); }
    QString path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    QStringList leftovers() const {
        return QDir(dir.path())
            .entryList({QStringLiteral(".quillmoor-*")}, QDir::Files | QDir::Hidden);
    }
    QTemporaryDir dir;
};

AviStreamInfo videoInfo(int rate, const QImage& image) {
    AviStreamInfo info;
    info.fccType = mmioStringToFOURCC("vids", 0);
    info.dwScale = 1;
    info.dwRate = quint32(rate);
    SetRect(info.rcFrame, 0, 0, image.width(), image.height());
    return info;
}

struct Written {
    int status = 0;       // first failing status, or what releasing the file said
    QList<int> statuses;  // of each call, in order
};

// Writes `frames` at `positions` (default 0, 1, 2, ...) the way the writer does.
Written writeVideo(const QString& target, const QList<Dib>& frames, int rate,
                   const CompressOptions& options, QList<int> positions = {}) {
    Written result;
    const auto note = [&](int status) {
        result.statuses << status;
        if (result.status == 0) result.status = status;
        return status == 0;
    };
    AviFile file;
    AviStream stream;
    AviStream compressed;
    if (note(AVIFileOpen(file, target, OF_WRITE | OF_CREATE)) &&
        note(AVIFileCreateStream(file, stream,
                                 videoInfo(rate, QImage(1, 1, QImage::Format_RGB32)))) &&
        note(AVIMakeCompressedStream(compressed, stream, options)) &&
        note(AVIStreamSetFormat(compressed, 0, frames[0].info.constData(),
                                qint32(frames[0].info.size())))) {
        for (int i = 0; i < frames.size(); ++i) {
            const int position = positions.isEmpty() ? i : positions[i];
            if (!note(AVIStreamWrite(compressed, position, 1, frames[i].bits.constData(),
                                     qint32(frames[i].bits.size()), AVIIF_KEYFRAME)))
                break;
        }
    }
    AVIStreamRelease(stream);
    AVIStreamRelease(compressed);
    note(AVIFileRelease(file));
    return result;
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

TEST_F(AviFileTest, UncompressedFramesDecodeExactlyAtEveryDepthAndRowOrder) {
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
        ASSERT_EQ(writeVideo(target, dibs, 5, codec(QLatin1String(UncompressedCodecName))).status,
                  0);

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

TEST_F(AviFileTest, EveryOfferedCodecPlaysBackWithItsFramesCountAndRate) {
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
            ASSERT_EQ(writeVideo(target, dibs, 7, codec(name)).status, 0);

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

TEST_F(AviFileTest, MotionJpegFramesStayCloseToTheSource) {
    QList<QImage> images;
    QList<Dib> dibs;
    for (int seed = 0; seed < 3; ++seed) {
        images << TestPattern(160, 120, seed);
        dibs << MakeDib(images.last(), 24);
    }
    const QString target = path(QStringLiteral("mjpeg.avi"));
    CompressOptions options = codec(QStringLiteral("Motion JPEG"));
    options.quality = 93;
    ASSERT_EQ(writeVideo(target, dibs, 2, options).status, 0);
    const DecodedVideo video = DecodeVideo(target);
    ASSERT_TRUE(video.ok());
    EXPECT_EQ(video.codecName, QStringLiteral("mjpeg"));
    ASSERT_EQ(video.frames.size(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_LT(MeanChannelDifference(video.frames[i], images[i]), 6.0);
    // Higher quality, closer pictures.
    options.quality = 20;
    ASSERT_EQ(writeVideo(target, dibs, 2, options).status, 0);
    const DecodedVideo rough = DecodeVideo(target);
    ASSERT_EQ(rough.frames.size(), 3);
    EXPECT_GT(MeanChannelDifference(rough.frames[0], images[0]),
              MeanChannelDifference(video.frames[0], images[0]));
}

TEST_F(AviFileTest, ADataRateLimitMakesSmallerFramesThanTheBestQuality) {
    QList<Dib> dibs;
    for (int seed = 0; seed < 4; ++seed) dibs << MakeDib(TestPattern(160, 120, seed), 24);
    for (const QString& name : {QStringLiteral("MPEG-4 part 2"), QStringLiteral("Motion JPEG")}) {
        SCOPED_TRACE(name.toStdString());
        CompressOptions best = codec(name);
        best.quality = 100;
        CompressOptions limited = best;
        limited.dataRateBitsPerSecond = 2 * BitsPerDialogKilobyte;
        const QString a = path(QStringLiteral("best.avi")), b = path(QStringLiteral("limited.avi"));
        ASSERT_EQ(writeVideo(a, dibs, 1, best).status, 0);
        ASSERT_EQ(writeVideo(b, dibs, 1, limited).status, 0);
        EXPECT_LT(QFileInfo(b).size(), QFileInfo(a).size());
        EXPECT_EQ(DecodeVideo(b).frames.size(), 4);
    }
}

TEST_F(AviFileTest, TheChosenKeyFrameIntervalDecidesForEncodersThatUseIt) {
    const Dib still = MakeDib(TestPattern(64, 48, 3), 24);
    const QList<Dib> frames(7, still);
    const QList<bool> everyThird{true, false, false, true, false, false, true};
    for (const QString& name : AvailableCodecNames()) {
        SCOPED_TRACE(name.toStdString());
        const QString target = path(QStringLiteral("keys.avi"));
        ASSERT_EQ(writeVideo(target, frames, 1, codec(name, 3)).status, 0);
        const DecodedVideo video = DecodeVideo(target, false);
        ASSERT_TRUE(video.ok());
        EXPECT_EQ(video.packetKeys, FactsOf(name).keyFrames ? everyThird : QList<bool>(7, true));
    }
}

TEST_F(AviFileTest, SkippedPositionsBecomeDroppedFramesSoLaterFramesKeepTheirTimes) {
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
            ASSERT_EQ(writeVideo(target, dibs, 1, codec(name), positions).status, 0);
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

TEST_F(AviFileTest, AFileNeverCompletedLeavesTheEarlierTargetAndNoTemporaryFile) {
    const QString target = path(QStringLiteral("video.avi"));
    writeFile(target, "earlier video");
    const Dib frame = MakeDib(TestPattern(16, 16, 1), 24);

    {  // Cancelled before a format was set: released with nothing in it.
        AviFile file;
        AviStream stream;
        ASSERT_EQ(AVIFileOpen(file, target, OF_WRITE | OF_CREATE), 0);
        ASSERT_EQ(
            AVIFileCreateStream(file, stream, videoInfo(1, QImage(16, 16, QImage::Format_RGB32))),
            0);
        EXPECT_EQ(leftovers().size(), 1);
        AVIStreamRelease(stream);
        EXPECT_EQ(AVIFileRelease(file), 0);
    }
    EXPECT_EQ(readFile(target), QByteArray("earlier video"));
    EXPECT_TRUE(leftovers().isEmpty());

    {  // Frames written, then the handles dropped without release (a failure passing by).
        AviFile file;
        AviStream stream;
        ASSERT_EQ(AVIFileOpen(file, target, OF_WRITE | OF_CREATE), 0);
        ASSERT_EQ(
            AVIFileCreateStream(file, stream, videoInfo(1, QImage(16, 16, QImage::Format_RGB32))),
            0);
        ASSERT_EQ(AVIStreamSetFormat(stream, 0, frame.info.constData(), qint32(frame.info.size())),
                  0);
        ASSERT_EQ(AVIStreamWrite(stream, 0, 1, frame.bits.constData(), qint32(frame.bits.size()),
                                 AVIIF_KEYFRAME),
                  0);
    }
    EXPECT_EQ(readFile(target), QByteArray("earlier video"));
    EXPECT_TRUE(leftovers().isEmpty());

    // A completed file replaces it.
    ASSERT_EQ(writeVideo(target, {frame}, 1, CompressOptions{}).status, 0);
    EXPECT_TRUE(readFile(target).startsWith("RIFF"));
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(AviFileTest, CallsRefuseWhatTheyCannotDoWithAStatus) {
    const Dib frame = MakeDib(TestPattern(16, 16, 1), 24);
    AviFile file;
    AviStream stream;
    AviStream compressed;
    AVIFileExit();
    EXPECT_EQ(AVIFileOpen(file, path(QStringLiteral("a.avi")), OF_WRITE | OF_CREATE),
              CO_E_NOTINITIALIZED);
    AVIFileInit();
    EXPECT_EQ(AVIFileOpen(file, path(QStringLiteral("missing/a.avi")), OF_WRITE | OF_CREATE),
              AVIERR_FILEOPEN);
    EXPECT_EQ(AVIFileOpen(file, dir.path(), OF_WRITE | OF_CREATE), AVIERR_FILEOPEN);
    EXPECT_FALSE(file);

    ASSERT_EQ(AVIFileOpen(file, path(QStringLiteral("a.avi")), OF_WRITE | OF_CREATE), 0);
    AviStreamInfo audio = videoInfo(1, QImage());
    audio.fccType = mmioStringToFOURCC("auds", 0);
    EXPECT_EQ(AVIFileCreateStream(file, stream, audio), AVIERR_UNSUPPORTED);
    EXPECT_EQ(AVIFileCreateStream(file, stream, videoInfo(0, QImage())), AVIERR_BADPARAM);
    ASSERT_EQ(AVIFileCreateStream(file, stream, videoInfo(1, QImage())), 0);

    ASSERT_EQ(AVIMakeCompressedStream(compressed, stream, codec(QStringLiteral("No such codec"))),
              0);
    EXPECT_EQ(AVIStreamSetFormat(compressed, 0, frame.info.constData(), qint32(frame.info.size())),
              AVIERR_NOCOMPRESSOR);
    QByteArray rle = frame.info;
    rle[16] = 1;  // BI_RLE8
    EXPECT_EQ(AVIStreamSetFormat(stream, 0, rle.constData(), qint32(rle.size())), AVIERR_BADFORMAT);
    QByteArray sixteen = frame.info;
    sixteen[14] = 16;
    EXPECT_EQ(AVIStreamSetFormat(stream, 0, sixteen.constData(), qint32(sixteen.size())),
              AVIERR_BADFORMAT);
    EXPECT_EQ(AVIStreamSetFormat(stream, 0, frame.info.constData(), 39), AVIERR_BADFORMAT);

    ASSERT_EQ(AVIStreamSetFormat(stream, 0, frame.info.constData(), qint32(frame.info.size())), 0);
    EXPECT_EQ(AVIStreamWrite(stream, 1, 1, frame.bits.constData(), qint32(frame.bits.size()),
                             AVIIF_KEYFRAME),
              0);
    AVIStreamRelease(stream);
    AVIStreamRelease(compressed);
    EXPECT_EQ(AVIFileRelease(file), 0);
    EXPECT_EQ(DecodeVideo(path(QStringLiteral("a.avi"))).frames.size(), 1);

    // A write refused for any reason fails the file: the earlier one stays.
    const QByteArray earlier = readFile(path(QStringLiteral("a.avi")));
    const qint32 size = qint32(frame.bits.size());
    const struct {
        const char* what;
        bool format;
        qint32 position, samples, bytes;
        int status;
    } refusals[] = {{"before the format", false, 0, 1, size, AVIERR_BADFORMAT},
                    {"fewer bytes than a frame", true, 0, 1, size - 1, AVIERR_BADPARAM},
                    {"two samples at once", true, 0, 2, size, AVIERR_BADPARAM},
                    {"a position already written", true, -2, 1, size, AVIERR_BADPARAM}};
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.what);
        ASSERT_EQ(AVIFileOpen(file, path(QStringLiteral("a.avi")), OF_WRITE | OF_CREATE), 0);
        ASSERT_EQ(AVIFileCreateStream(file, stream, videoInfo(1, QImage())), 0);
        if (r.format) {
            ASSERT_EQ(
                AVIStreamSetFormat(stream, 0, frame.info.constData(), qint32(frame.info.size())),
                0);
        }
        if (r.position < 0) {
            ASSERT_EQ(AVIStreamWrite(stream, 1, 1, frame.bits.constData(), size, AVIIF_KEYFRAME),
                      0);
        }
        EXPECT_EQ(AVIStreamWrite(stream, qMax(r.position, 0), r.samples, frame.bits.constData(),
                                 r.bytes, AVIIF_KEYFRAME),
                  r.status);
        AVIStreamRelease(stream);
        EXPECT_EQ(AVIFileRelease(file), AVIERR_FILEWRITE);
        EXPECT_EQ(readFile(path(QStringLiteral("a.avi"))), earlier);
    }
}

TEST_F(AviFileTest, StaleTemporariesOfGoneWritersAreRemovedAndActiveOnesDiscardedOnDemand) {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    ASSERT_GT(child, 0);
    waitpid(child, nullptr, 0);
    const QString gone = QStringLiteral(".quillmoor-%1-1.part").arg(child);
    const QString living = QStringLiteral(".quillmoor-1-1.part");
    const QString notOurs = QStringLiteral(".quillmoor-notes.part");
    for (const QString& name : {gone, living, notOurs}) writeFile(path(name), "x");

    AviFile file;
    ASSERT_EQ(AVIFileOpen(file, path(QStringLiteral("v.avi")), OF_WRITE | OF_CREATE), 0);
    QStringList present = leftovers();
    EXPECT_FALSE(present.contains(gone));
    EXPECT_TRUE(present.contains(living));
    EXPECT_TRUE(present.contains(notOurs));
    EXPECT_EQ(present.size(), 3);  // ours, being written

    DiscardActiveAviTemporaries();
    present = leftovers();
    EXPECT_EQ(present.size(), 2);
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("v.avi"))));
}

TEST_F(AviFileTest, PastOneGibibyteTheFileGoesOnAsOpenDmlAndDecodesInFull) {
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
    AviFile file;
    AviStream stream;
    ASSERT_EQ(AVIFileOpen(file, target, OF_WRITE | OF_CREATE), 0);
    ASSERT_EQ(AVIFileCreateStream(file, stream, videoInfo(30, QImage())), 0);
    ASSERT_EQ(AVIStreamSetFormat(stream, 0, frame.info.constData(), qint32(frame.info.size())), 0);
    for (int i = 0; i < count; ++i) {
        frame.bits[0] = char(i);  // tells the frames apart
        ASSERT_EQ(AVIStreamWrite(stream, i, 1, frame.bits.constData(), qint32(frame.bits.size()),
                                 AVIIF_KEYFRAME),
                  0);
    }
    AVIStreamRelease(stream);
    ASSERT_EQ(AVIFileRelease(file), 0);
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
