#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include "support/avidecode.h"
#include "support/dibbuilder.h"
#include "support/writeframes.h"
#include "video/codeclist.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

namespace {
struct Timing {
    quint32 rate;
    quint32 scale;
};

// Writes `frames` one after another; true when the video was written.
bool writeFrames(const QString& target, const QList<Dib>& frames, const CompressOptions& options,
                 Timing timing = {5, 1}) {
    return WriteFrames(target, frames, timing.rate, timing.scale, options).written;
}

QImage filled(int width, int height, Qt::GlobalColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Where a top-level box starts in an MP4 file, -1 when absent.
qint64 boxOffset(const QByteArray& file, const char* type) {
    for (qint64 at = 0; at + 8 <= file.size();) {
        const qint64 size = qFromBigEndian<quint32>(file.constData() + at);
        if (file.mid(at + 4, 4) == type) return at;
        if (size < 8) return -1;
        at += size;
    }
    return -1;
}

bool lossless(const QString& codec) {
    return QStringList{UncompressedCodecName, "FFV1", "HuffYUV", "PNG", "ZMBV"}.contains(codec);
}

bool storesYuv(const QString& codec) {
    return QStringList{"Motion JPEG", "MPEG-4 part 2", "H.264", "H.265", "VP9"}.contains(codec);
}

class ContainersTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    QTemporaryDir dir;
};
}  // namespace

TEST(CodecList, EachContainerOffersWhatItHoldsWithItsOwnDefaultFirst) {
    const QStringList avi = AvailableCodecNames(VideoContainer::Avi);
    const QStringList mp4 = AvailableCodecNames(VideoContainer::Mp4);
    const QStringList mkv = AvailableCodecNames(VideoContainer::Matroska);
    ASSERT_FALSE(mp4.isEmpty());
    EXPECT_EQ(mp4.first(), QStringLiteral("H.264"));
    EXPECT_EQ(QLatin1String(FindCodec(QString(), VideoContainer::Mp4)->name), "H.264");
    EXPECT_EQ(QLatin1String(FindCodec(QString(), VideoContainer::Avi)->name),
              UncompressedCodecName);
    EXPECT_TRUE(mp4.contains(QStringLiteral("MPEG-4 part 2")));
    for (const QString& name : {QString::fromLatin1(UncompressedCodecName), QString("Cinepak")}) {
        EXPECT_FALSE(mp4.contains(name)) << name.toStdString();
        EXPECT_EQ(FindCodec(name, VideoContainer::Mp4), nullptr);
    }
    EXPECT_EQ(mkv.mid(0, avi.size()), avi);
    for (const QString& name : mp4) EXPECT_TRUE(mkv.contains(name)) << name.toStdString();
}

// Every compressor of every container: one frame a slide, its time exact, white
// and black exact, lossless ones bit-exact, colour stated where players look.
TEST_F(ContainersTest, EveryCompressorOfEveryContainerKeepsFramesTimesAndColour) {
    const int width = 96, height = 64;
    const QImage pattern = TestPattern(width, height, 3);
    const QList<QImage> pictures{filled(width, height, Qt::white), filled(width, height, Qt::black),
                                 pattern};
    QList<Dib> frames;
    for (const QImage& picture : pictures) frames << MakeDib(picture, 24);
    for (VideoContainer container :
         {VideoContainer::Avi, VideoContainer::Mp4, VideoContainer::Matroska}) {
        for (const QString& name : AvailableCodecNames(container)) {
            SCOPED_TRACE((ContainerKey(container) + QLatin1Char(' ') + name).toStdString());
            const QString target = path(QStringLiteral("v") + ContainerExtension(container));
            CompressOptions options;
            options.codec = name;
            ASSERT_TRUE(writeFrames(target, frames, options));
            const DecodedVideo video = DecodeVideo(target);
            ASSERT_TRUE(video.ok()) << video.error.toStdString();
            ASSERT_EQ(video.frames.size(), 3);
            EXPECT_EQ(video.nonEmptyPackets(), 3);
            EXPECT_EQ(video.packetKeys, QList<bool>(3, true));  // one key frame a slide
            if (container != VideoContainer::Avi) {
                for (int i = 0; i < 3; ++i) {
                    EXPECT_NEAR(video.packetSeconds[i], i * 0.2, 1e-9);
                    EXPECT_NEAR(video.packetDurations[i], 0.2, 1e-9);
                }
            }
            if (name == QLatin1String("Cinepak")) continue;  // its own colour model
            EXPECT_EQ(MaxChannelDifference(video.frames[0], pictures[0]), 0);
            EXPECT_EQ(MaxChannelDifference(video.frames[1], pictures[1]), 0);
            if (lossless(name)) {
                EXPECT_EQ(MaxChannelDifference(video.frames[2], pattern), 0);
            }
            if (!storesYuv(name)) continue;
            const bool jpeg = name == QLatin1String("Motion JPEG");
            const ColourTags bt601{AVCOL_SPC_SMPTE170M, jpeg ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG,
                                   AVCOL_PRI_SMPTE170M, AVCOL_TRC_SMPTE170M};
            if (container != VideoContainer::Avi) {
                EXPECT_EQ(video.containerColour, bt601);
            }
            if (!jpeg && name != QLatin1String("MPEG-4 part 2")) {
                EXPECT_EQ(video.frameColour, bt601);
            }
        }
    }
}

TEST_F(ContainersTest, EachSlideIsOneFrameLastingExactlyItsTime) {
    const QList<Dib> frames{MakeDib(TestPattern(64, 48, 1), 24),
                            MakeDib(TestPattern(64, 48, 2), 24),
                            MakeDib(TestPattern(64, 48, 3), 24)};
    // 2.5 s a slide, 30 frames a second, 1.001 s a slide, an hour a slide.
    const struct {
        Timing timing;
        double seconds;
    } timings[] = {{{2, 5}, 2.5}, {{30, 1}, 1 / 30.0}, {{1000, 1001}, 1.001}, {{1, 3600}, 3600}};
    for (VideoContainer container : {VideoContainer::Mp4, VideoContainer::Matroska}) {
        for (const auto& slide : timings) {
            SCOPED_TRACE(ContainerKey(container).toStdString() + " " +
                         std::to_string(slide.seconds));
            const QString target = path(QStringLiteral("t") + ContainerExtension(container));
            ASSERT_TRUE(writeFrames(target, frames, CompressOptions{"H.264"}, slide.timing));
            const DecodedVideo video = DecodeVideo(target, false);
            ASSERT_EQ(video.packetSeconds.size(), 3);
            // Matroska counts in milliseconds: each time is the exact one, rounded.
            const double tolerance = container == VideoContainer::Matroska ? 0.0005 : 1e-9;
            for (int i = 0; i < 3; ++i) {
                EXPECT_NEAR(video.packetSeconds[i], i * slide.seconds, tolerance);
                EXPECT_NEAR(video.packetDurations[i], slide.seconds, 2 * tolerance);
            }
            EXPECT_TRUE(video.packetKeys == (QList<bool>{true, true, true}));
        }
    }
}

TEST_F(ContainersTest, Mp4HasItsIndexFirstAndHighDefinitionIsTaggedBt709) {
    const QString target = path(QStringLiteral("hd.mp4"));
    const QImage white = filled(1280, 720, Qt::white);
    ASSERT_TRUE(writeFrames(target, {MakeDib(white, 24)}, CompressOptions{}));
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GE(boxOffset(bytes, "moov"), 0);
    EXPECT_LT(boxOffset(bytes, "moov"), boxOffset(bytes, "mdat"));
    const DecodedVideo video = DecodeVideo(target);
    ASSERT_EQ(video.frames.size(), 1);
    EXPECT_EQ(video.codecName, QStringLiteral("h264"));
    const ColourTags bt709{AVCOL_SPC_BT709, AVCOL_RANGE_MPEG, AVCOL_PRI_BT709, AVCOL_TRC_BT709};
    EXPECT_EQ(video.containerColour, bt709);
    EXPECT_EQ(video.frameColour, bt709);
    EXPECT_EQ(MaxChannelDifference(video.frames[0], white), 0);
}

TEST_F(ContainersTest, SizesAreTakenByScalingNotPaddingAndTheAviHeaderStatesTheRealRate) {
    // A 16:9 slide painted 240 high is 426 wide; Cinepak codes 4x4 blocks.
    const QString cinepak = path(QStringLiteral("c.avi"));
    const QImage white = filled(426, 240, Qt::white);
    ASSERT_TRUE(writeFrames(cinepak, {MakeDib(white, 24)}, CompressOptions{"Cinepak"}));
    const DecodedVideo scaled = DecodeVideo(cinepak);
    ASSERT_EQ(scaled.frames.size(), 1);
    EXPECT_EQ(scaled.width, 428);
    EXPECT_EQ(scaled.height, 240);
    for (int y = 0; y < 240; y += 40) EXPECT_GT(qGray(scaled.frames[0].pixel(427, y)), 200);

    const QString raw = path(QStringLiteral("r.avi"));
    const Dib frame = MakeDib(TestPattern(96, 64, 1), 24);
    ASSERT_TRUE(writeFrames(raw, QList<Dib>(7, frame), CompressOptions{}, {5, 1}));
    QFile file(raw);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(40);
    EXPECT_EQ(qFromLittleEndian<quint32>(head.constData() + 36), quint32(frame.bits.size() * 5));
}
