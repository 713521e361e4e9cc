#include "avidecode.h"

#include <QFile>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "video/ffmpegptr.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace {
QImage toImage(const AVFrame* frame) {
    SwsContextPtr sws(sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format),
                                     frame->width, frame->height, AV_PIX_FMT_BGRA, SWS_POINT,
                                     nullptr, nullptr, nullptr));
    AvFramePtr out(av_frame_alloc());
    if (!sws || !out) return {};
    out->format = AV_PIX_FMT_BGRA;
    out->width = frame->width;
    out->height = frame->height;
    // libswscale wants aligned rows; QImage rows need not be.
    if (av_frame_get_buffer(out.get(), 64) < 0) return {};
    sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, out->data, out->linesize);
    QImage image(frame->width, frame->height, QImage::Format_RGB32);
    for (int y = 0; y < frame->height; ++y)
        std::memcpy(image.scanLine(y), out->data[0] + y * out->linesize[0],
                    size_t(frame->width) * 4);
    // The unused fourth byte of 32-bit frames is not part of the picture.
    return image;
}
}  // namespace

int DecodedVideo::nonEmptyPackets() const {
    int count = 0;
    for (int size : packetSizes) count += size > 0;
    return count;
}

DecodedVideo DecodeVideo(const QString& path, bool decodePictures) {
    DecodedVideo result;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr) < 0) {
        result.error = QStringLiteral("cannot open");
        return result;
    }
    AvInputPtr input(raw);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters* p = input->streams[i]->codecpar;
        if (p->codec_type == AVMEDIA_TYPE_VIDEO)
            result.containerColour = {p->color_space, p->color_range, p->color_primaries,
                                      p->color_trc};
    }
    if (avformat_find_stream_info(input.get(), nullptr) < 0) {
        result.error = QStringLiteral("no stream info");
        return result;
    }
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0) {
        result.error = QStringLiteral("no video stream");
        return result;
    }
    for (unsigned i = 0; i < input->nb_chapters; ++i) {
        const AVChapter* chapter = input->chapters[i];
        const AVDictionaryEntry* title = av_dict_get(chapter->metadata, "title", nullptr, 0);
        result.chapterTitles << (title ? QString::fromUtf8(title->value) : QString());
        result.chapterMs << av_rescale_q(chapter->start, chapter->time_base, {1, 1000});
    }
    AVStream* stream = input->streams[index];
    const int textIndex =
        av_find_best_stream(input.get(), AVMEDIA_TYPE_SUBTITLE, -1, -1, nullptr, 0);
    const AVStream* textStream = textIndex >= 0 ? input->streams[textIndex] : nullptr;
    if (textStream)
        result.textCodec = QString::fromLatin1(avcodec_get_name(textStream->codecpar->codec_id));
    const AVCodecParameters* par = stream->codecpar;
    result.codecName = QString::fromLatin1(avcodec_get_name(par->codec_id));
    result.codecTag = par->codec_tag;
    result.width = par->width;
    result.height = par->height;
    result.rateNum = stream->avg_frame_rate.num;
    result.rateDen = stream->avg_frame_rate.den;
    result.streamFrames = stream->nb_frames;
    if (stream->duration != AV_NOPTS_VALUE)
        result.seconds = double(stream->duration) * av_q2d(stream->time_base);

    const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
    AvCodecContextPtr context(avcodec_alloc_context3(decoder));
    if (!decoder || !context || avcodec_parameters_to_context(context.get(), par) < 0 ||
        avcodec_open2(context.get(), decoder, nullptr) < 0) {
        result.error = QStringLiteral("no decoder");
        return result;
    }
    AvPacketPtr packet(av_packet_alloc());
    AvFramePtr frame(av_frame_alloc());
    const auto receive = [&] {
        while (avcodec_receive_frame(context.get(), frame.get()) >= 0) {
            if (result.frames.isEmpty())
                result.frameColour = {frame->colorspace, frame->color_range, frame->color_primaries,
                                      frame->color_trc};
            result.frames << toImage(frame.get());
            result.framePts << frame->best_effort_timestamp;
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (textStream && packet->stream_index == textIndex) {
            // 3GPP timed text leads with the text's 16-bit length.
            const int skip = textStream->codecpar->codec_id == AV_CODEC_ID_MOV_TEXT ? 2 : 0;
            if (packet->size > skip) {
                result.texts << QString::fromUtf8(
                    reinterpret_cast<const char*>(packet->data) + skip, packet->size - skip);
                result.textSeconds << double(packet->pts) * av_q2d(textStream->time_base);
                result.textDurations << double(packet->duration) * av_q2d(textStream->time_base);
            }
        }
        if (packet->stream_index == index) {
            result.packetPts << packet->pts;
            result.packetSizes << packet->size;
            result.packetKeys << ((packet->flags & AV_PKT_FLAG_KEY) != 0);
            result.packetFirstBytes << (packet->size > 0 ? int(packet->data[0]) : -1);
            result.packetSeconds << double(packet->pts) * av_q2d(stream->time_base);
            result.packetDurations << double(packet->duration) * av_q2d(stream->time_base);
            if (decodePictures && packet->size > 0) {
                if (avcodec_send_packet(context.get(), packet.get()) < 0) {
                    result.error = QStringLiteral("decoding failed");
                    return result;
                }
                receive();
            }
        }
        av_packet_unref(packet.get());
    }
    if (decodePictures) {
        avcodec_send_packet(context.get(), nullptr);
        receive();
    }
    return result;
}

int MaxChannelDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            worst = std::max({worst, std::abs(qRed(p[col]) - qRed(q[col])),
                              std::abs(qGreen(p[col]) - qGreen(q[col])),
                              std::abs(qBlue(p[col]) - qBlue(q[col]))});
        }
    }
    return worst;
}

double MeanChannelDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull()) return 1e9;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double total = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            total += std::abs(qRed(p[col]) - qRed(q[col])) +
                     std::abs(qGreen(p[col]) - qGreen(q[col])) +
                     std::abs(qBlue(p[col]) - qBlue(q[col]));
    }
    return total / (3.0 * x.width() * x.height());
}
