#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>
#include <vector>

#include "../support/tones.h"
#include "support/avidecode.h"
#include "support/dibbuilder.h"
#include "video/videowriter.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace {
struct Chapter {
    qint64 startMs;
    qint64 endMs;
    QString title;
    bool operator==(const Chapter&) const = default;
};

// What libavformat reads back of a video's sound and chapters.
struct Readback {
    QString audioCodec;
    int sampleRate = 0;
    int channels = 0;
    double audioSeconds = 0;
    qint64 firstVideoPts = -1;
    QList<Chapter> chapters;
};

Readback readBack(const QString& path) {
    Readback result;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return result;
    avformat_find_stream_info(format, nullptr);
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        if (stream->codecpar->codec_type != AVMEDIA_TYPE_AUDIO) continue;
        result.audioCodec = QString::fromLatin1(avcodec_get_name(stream->codecpar->codec_id));
        result.sampleRate = stream->codecpar->sample_rate;
        result.channels = stream->codecpar->ch_layout.nb_channels;
    }
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(format, packet) >= 0) {
        const AVStream* stream = format->streams[packet->stream_index];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            result.audioSeconds = std::max(
                result.audioSeconds, (packet->pts + packet->duration) * av_q2d(stream->time_base));
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && result.firstVideoPts < 0)
            result.firstVideoPts = packet->pts;
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    for (unsigned i = 0; i < format->nb_chapters; ++i) {
        const AVChapter* chapter = format->chapters[i];
        const AVDictionaryEntry* title = av_dict_get(chapter->metadata, "title", nullptr, 0);
        result.chapters << Chapter{av_rescale_q(chapter->start, chapter->time_base, {1, 1000}),
                                   av_rescale_q(chapter->end, chapter->time_base, {1, 1000}),
                                   title ? QString::fromUtf8(title->value) : QString()};
    }
    avformat_close_input(&format);
    return result;
}

}  // namespace

TEST(VideoWriterSound, EachContainerHoldsItsSoundAndChaptersReadBackAsGiven) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Dib frame = MakeDib(TestPattern(64, 48, 1), 24);
    const std::vector<float> sound = StereoTone(3, 0.5f);
    // A presentation's entry with its slides: MP4 and Matroska list the slides.
    const QList<VideoChapter> given{
        {0,
         3000,
         QStringLiteral("Deck"),
         {{0, 1000, QStringLiteral("One"), {}}, {1000, 3000, QStringLiteral("Zwei ü"), {}}}}};
    const QList<Chapter> listed{{0, 1000, QStringLiteral("One")},
                                {1000, 3000, QStringLiteral("Zwei ü")}};
    const struct {
        VideoContainer container;
        AudioCodec codec;
        const char* stored;
        bool chapters;
    } cases[] = {{VideoContainer::Avi, AudioCodec::ContainerDefault, "pcm_s16le", false},
                 {VideoContainer::Mp4, AudioCodec::ContainerDefault, "aac", true},
                 {VideoContainer::Matroska, AudioCodec::Aac, "aac", true},
                 {VideoContainer::Matroska, AudioCodec::Opus, "opus", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored + ContainerExtension(c.container).toStdString());
        const QString target = dir.filePath(QStringLiteral("v") + ContainerExtension(c.container));
        VideoWriter writer(target, c.container);
        ASSERT_TRUE(writer.addVideoStream({QByteArrayView(frame.info), 1, 1, CompressOptions{}}));
        ASSERT_TRUE(writer.addAudioStream({c.codec, 0}));
        ASSERT_TRUE(writer.setChapters(given));
        const auto* pixels = reinterpret_cast<const unsigned char*>(frame.bits.constData());
        // In step with the pictures, in pieces that are no whole encoder frames.
        for (int second = 0; second < 3; ++second) {
            ASSERT_TRUE(writer.addFrame(pixels, frame.bits.size(), second))
                << writer.reason().toStdString();
            const std::span<const float> all(sound);
            ASSERT_TRUE(writer.addAudio(all.subspan(size_t(second) * 96000, 50000)));
            ASSERT_TRUE(writer.addAudio(all.subspan(size_t(second) * 96000 + 50000, 46000)));
        }
        ASSERT_TRUE(writer.finish().written);

        const Readback back = readBack(target);
        EXPECT_EQ(back.audioCodec, QLatin1String(c.stored));
        EXPECT_EQ(back.sampleRate, 48000);
        EXPECT_EQ(back.channels, 2);
        EXPECT_NEAR(back.audioSeconds, 3.0, 0.05);
        EXPECT_EQ(back.firstVideoPts, 0);  // the sound's lead-in moves no picture
        EXPECT_EQ(back.chapters, c.chapters ? listed : QList<Chapter>());
        EXPECT_EQ(DecodeVideo(target, false).nonEmptyPackets(), 3);
    }
}

TEST(VideoWriterSound, AContainerRefusesTheSoundItCannotHold) {
    QTemporaryDir dir;
    const Dib frame = MakeDib(TestPattern(16, 16, 1), 24);
    const struct {
        VideoContainer container;
        AudioCodec codec;
    } refused[] = {{VideoContainer::Avi, AudioCodec::Aac},
                   {VideoContainer::Mp4, AudioCodec::Opus},
                   {VideoContainer::Mp4, AudioCodec::Pcm},
                   {VideoContainer::Matroska, AudioCodec::Pcm}};
    for (const auto& r : refused) {
        VideoWriter writer(dir.filePath(QStringLiteral("r") + ContainerExtension(r.container)),
                           r.container);
        ASSERT_TRUE(writer.addVideoStream({QByteArrayView(frame.info), 1, 1, CompressOptions{}}));
        EXPECT_FALSE(writer.addAudioStream({r.codec, 0}));
        EXPECT_FALSE(writer.reason().isEmpty());
    }
}

TEST(VideoWriterSound, AnAviSlideOfAnyLengthKeepsItsTimeToTheMillisecond) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("timed.avi"));
    const Dib first = MakeDib(TestPattern(16, 16, 1), 24);
    const Dib second = MakeDib(TestPattern(16, 16, 2), 24);
    VideoWriter writer(target, VideoContainer::Avi);
    // A position is a millisecond: slides of 63.217 s and 8.312 s.
    ASSERT_TRUE(writer.addVideoStream({QByteArrayView(first.info), 1000, 1, std::nullopt}));
    ASSERT_TRUE(writer.addFrame(reinterpret_cast<const unsigned char*>(first.bits.constData()),
                                first.bits.size(), 0, 63217));
    ASSERT_TRUE(writer.addFrame(reinterpret_cast<const unsigned char*>(second.bits.constData()),
                                second.bits.size(), 63217, 8312));
    const VideoWriterResult result = writer.finish();
    ASSERT_TRUE(result.written) << result.reason.toStdString();
    const DecodedVideo video = DecodeVideo(target, false);
    ASSERT_TRUE(video.ok());
    EXPECT_EQ(video.streamFrames, 63217 + 8312);
    QList<qint64> pictures;
    for (int i = 0; i < video.packetSizes.size(); ++i)
        if (video.packetSizes[i] > 0) pictures << video.packetPts[i];
    EXPECT_EQ(pictures, (QList<qint64>{0, 63217}));
}
