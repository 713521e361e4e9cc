#include "audio/audiodecoder.h"

#include <QFile>

#include "audio/ffmpegaudio.h"
#include "video/ffmpegptr.h"

namespace {
class Decoding {
  public:
    Decoding(qint64 longestFrames, DecodedAudio& result)
        : longestFrames_(longestFrames), result_(result) {}

    // Appends what `frame` holds (null: what the resampler still holds).
    bool add(SwrContext* resampler, const AVFrame* frame) {
        const int in = frame ? frame->nb_samples : 0;
        const int room = swr_get_out_samples(resampler, in);
        if (room < 0) return false;
        std::vector<float>& samples = result_.pcm.samples;
        const size_t before = samples.size();
        samples.resize(before + size_t(room) * PcmChannels);
        auto* out = reinterpret_cast<uint8_t*>(samples.data() + before);
        const int made =
            swr_convert(resampler, &out, room,
                        frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, in);
        if (made < 0) {
            samples.resize(before);
            return false;
        }
        samples.resize(before + size_t(made) * PcmChannels);
        if (result_.pcm.frames() >= longestFrames_) {
            samples.resize(size_t(longestFrames_) * PcmChannels);
            full_ = true;
        }
        return true;
    }
    bool full() const { return full_; }

  private:
    qint64 longestFrames_;
    DecodedAudio& result_;
    bool full_ = false;
};

DecodedAudio failed(const QString& reason) {
    DecodedAudio result;
    result.error = reason;
    return result;
}
}  // namespace

DecodedAudio DecodeAudioFile(const QString& path, qint64 longestMs) {
    AVDictionary* options = nullptr;
    // A deck's media file is untrusted: it may name other files or addresses to read.
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVFormatContext* opened = nullptr;
    const int openError =
        avformat_open_input(&opened, QFile::encodeName(path).constData(), nullptr, &options);
    av_dict_free(&options);
    if (openError < 0) return failed(AvErrorText(openError));
    AvInputPtr input(opened);
    if (const int error = avformat_find_stream_info(input.get(), nullptr); error < 0)
        return failed(AvErrorText(error));
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream == AVERROR_STREAM_NOT_FOUND) return {};
    if (stream < 0 || !codec) return failed(QStringLiteral("no decoder for its sound"));
    AvCodecContextPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder) return failed(AvErrorText(AVERROR(ENOMEM)));
    if (const int error =
            avcodec_parameters_to_context(decoder.get(), input->streams[stream]->codecpar);
        error < 0)
        return failed(AvErrorText(error));
    if (const int error = avcodec_open2(decoder.get(), codec, nullptr); error < 0)
        return failed(AvErrorText(error));
    if (decoder->sample_rate <= 0 || decoder->ch_layout.nb_channels <= 0)
        return failed(QStringLiteral("its sound names no rate or channels"));
    SwrContextPtr resampler =
        MakeResampler(decoder->ch_layout, decoder->sample_fmt, decoder->sample_rate);
    if (!resampler) return failed(QStringLiteral("its sound cannot be converted to 48 kHz stereo"));

    DecodedAudio result;
    result.hasSound = true;
    Decoding decoding(PcmFrames(longestMs), result);
    AvPacketPtr packet(av_packet_alloc());
    AvFramePtr frame(av_frame_alloc());
    if (!packet || !frame) return failed(AvErrorText(AVERROR(ENOMEM)));
    bool draining = false;
    while (!decoding.full()) {
        if (!draining) {
            const int read = av_read_frame(input.get(), packet.get());
            if (read == AVERROR_EOF) {
                draining = true;
                avcodec_send_packet(decoder.get(), nullptr);
            } else if (read < 0) {
                return failed(AvErrorText(read));
            } else {
                const int sent = packet->stream_index == stream
                                     ? avcodec_send_packet(decoder.get(), packet.get())
                                     : 0;
                av_packet_unref(packet.get());
                // A damaged packet costs its own sound only.
                if (sent < 0 && sent != AVERROR_INVALIDDATA) return failed(AvErrorText(sent));
            }
        }
        int received = 0;
        while (!decoding.full() &&
               (received = avcodec_receive_frame(decoder.get(), frame.get())) >= 0) {
            const bool added = decoding.add(resampler.get(), frame.get());
            av_frame_unref(frame.get());
            if (!added) return failed(QStringLiteral("its sound cannot be converted"));
        }
        if (received == AVERROR_EOF) break;
        if (received < 0 && received != AVERROR(EAGAIN) && received != AVERROR_INVALIDDATA)
            return failed(AvErrorText(received));
    }
    if (!decoding.full() && !decoding.add(resampler.get(), nullptr))
        return failed(QStringLiteral("its sound cannot be converted"));
    // The codec's last frame is padded out; the container knows where the sound
    // ends, unless it only guessed that from the bit rate.
    const AVStream* sound = input->streams[stream];
    if (sound->duration > 0 && input->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE) {
        const qint64 frames = av_rescale_q(sound->duration, sound->time_base, {1, PcmRate});
        if (frames > 0 && frames < result.pcm.frames())
            result.pcm.samples.resize(size_t(frames) * PcmChannels);
    }
    return result;
}
