#include "audiodecode.h"

#include <QFile>
#include <cmath>
#include <memory>

#include "video/ffmpegptr.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {
// The first channel's sample `i` of a decoded frame, -1..1.
double firstChannel(const AVFrame* frame, int i) {
    switch (frame->format) {
        case AV_SAMPLE_FMT_FLTP:
            return reinterpret_cast<const float*>(frame->data[0])[i];
        case AV_SAMPLE_FMT_FLT:
            return reinterpret_cast<const float*>(frame->data[0])[i * frame->ch_layout.nb_channels];
        case AV_SAMPLE_FMT_S16P:
            return reinterpret_cast<const int16_t*>(frame->data[0])[i] / 32768.0;
        case AV_SAMPLE_FMT_S16:
            return reinterpret_cast<const int16_t*>(
                       frame->data[0])[i * frame->ch_layout.nb_channels] /
                   32768.0;
        default:
            return 0;
    }
}
}  // namespace

double DecodedAudio::loudnessBetween(double from, double to) const {
    double sum = 0;
    int count = 0;
    for (qsizetype i = qsizetype(std::ceil(from * 10)); i < to * 10 && i < loudness.size(); ++i) {
        sum += loudness[i];
        ++count;
    }
    return count ? sum / count : 0;
}

DecodedAudio DecodeAudio(const QString& path) {
    DecodedAudio result;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr) < 0) {
        result.error = QStringLiteral("cannot open");
        return result;
    }
    AvInputPtr format(raw);
    avformat_find_stream_info(format.get(), nullptr);
    result.fileSeconds = format->duration > 0 ? double(format->duration) / AV_TIME_BASE : 0;
    const int index = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0) {
        result.error = QStringLiteral("no sound stream");
        return result;
    }
    const AVCodecParameters* parameters = format->streams[index]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    AvCodecContextPtr decoder(avcodec_alloc_context3(codec));
    if (!codec || !decoder || avcodec_parameters_to_context(decoder.get(), parameters) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        result.error = QStringLiteral("no decoder");
        return result;
    }
    result.codecName = QString::fromLatin1(avcodec_get_name(parameters->codec_id));
    result.sampleRate = parameters->sample_rate;
    result.channels = parameters->ch_layout.nb_channels;
    const int window = std::max(1, result.sampleRate / 10);
    AvPacketPtr packet(av_packet_alloc());
    AvFramePtr frame(av_frame_alloc());
    qint64 samples = 0;
    double squares = 0;
    qint64 quiet = window;  // samples since the last loud one
    const auto drain = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            for (int i = 0; i < frame->nb_samples; ++i) {
                const double value = firstChannel(frame.get(), i);
                if (std::abs(value) <= 0.1) {
                    ++quiet;
                } else {
                    if (quiet >= window) result.onsets << double(samples) / result.sampleRate;
                    quiet = 0;
                }
                squares += value * value;
                if (++samples % window == 0) {
                    result.loudness << std::sqrt(squares / window);
                    squares = 0;
                }
            }
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(decoder.get(), packet.get()) >= 0)
            drain();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    drain();
    result.seconds = result.sampleRate ? double(samples) / result.sampleRate : 0;
    return result;
}
