#include "video/audioencoder.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

namespace {
// PCM has no frames of its own: a tenth of a second a packet.
constexpr int PcmFrameSamples = AudioSampleRate / 10;

struct Choice {
    const char* encoder;
    const char* name;
    qint64 bitsPerSecond;
};

// The codec for the container, or none when it cannot hold the one asked for.
std::optional<Choice> choose(AudioCodec codec, VideoContainer container) {
    const Choice aac{"aac", "AAC", 192000};
    const Choice opus{"libopus", "Opus", 128000};
    const Choice pcm{"pcm_s16le", "16-bit PCM", 0};
    switch (container) {
        case VideoContainer::Avi:
            if (codec == AudioCodec::ContainerDefault || codec == AudioCodec::Pcm) return pcm;
            break;
        case VideoContainer::Mp4:
            if (codec == AudioCodec::ContainerDefault || codec == AudioCodec::Aac) return aac;
            break;
        case VideoContainer::Matroska:
            if (codec == AudioCodec::ContainerDefault || codec == AudioCodec::Aac) return aac;
            if (codec == AudioCodec::Opus) return opus;
            break;
    }
    return std::nullopt;
}

AVSampleFormat sampleFormat(const AVCodec* codec) {
    for (const AVSampleFormat wanted :
         {AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_FLT, AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_S16P})
        for (const AVSampleFormat* offered = codec->sample_fmts;
             offered != nullptr && *offered != AV_SAMPLE_FMT_NONE; ++offered)
            if (*offered == wanted) return wanted;
    return AV_SAMPLE_FMT_NONE;
}

int16_t toInt16(float sample) {
    return int16_t(std::lround(std::clamp(sample, -1.0f, 1.0f) * 32767.0f));
}

// Interleaved float samples into the frame's own layout.
void convert(const float* samples, int count, AVFrame* frame) {
    const auto format = AVSampleFormat(frame->format);
    for (int i = 0; i < count; ++i)
        for (int channel = 0; channel < AudioChannels; ++channel) {
            const float sample = samples[i * AudioChannels + channel];
            switch (format) {
                case AV_SAMPLE_FMT_FLTP:
                    reinterpret_cast<float*>(frame->data[channel])[i] = sample;
                    break;
                case AV_SAMPLE_FMT_FLT:
                    reinterpret_cast<float*>(frame->data[0])[i * AudioChannels + channel] = sample;
                    break;
                case AV_SAMPLE_FMT_S16P:
                    reinterpret_cast<int16_t*>(frame->data[channel])[i] = toInt16(sample);
                    break;
                default:
                    reinterpret_cast<int16_t*>(frame->data[0])[i * AudioChannels + channel] =
                        toInt16(sample);
                    break;
            }
        }
}
}  // namespace

std::unique_ptr<AudioEncoder> AudioEncoder::create(const AudioStreamFormat& stream,
                                                   VideoContainer container, bool globalHeader,
                                                   QString& reason) {
    const std::optional<Choice> choice = choose(stream.codec, container);
    if (!choice) {
        reason = QStringLiteral("%1 cannot hold this sound")
                     .arg(ContainerExtension(container).mid(1).toUpper());
        return nullptr;
    }
    const AVCodec* codec = avcodec_find_encoder_by_name(choice->encoder);
    const AVSampleFormat format = codec != nullptr ? sampleFormat(codec) : AV_SAMPLE_FMT_NONE;
    reason = QStringLiteral("The %1 encoder is missing").arg(QLatin1String(choice->name));
    if (format == AV_SAMPLE_FMT_NONE) return nullptr;
    std::unique_ptr<AudioEncoder> encoder(new AudioEncoder);
    encoder->context_.reset(avcodec_alloc_context3(codec));
    AVCodecContext* c = encoder->context_.get();
    if (c == nullptr) return nullptr;
    c->sample_fmt = format;
    c->sample_rate = AudioSampleRate;
    av_channel_layout_default(&c->ch_layout, AudioChannels);
    c->time_base = encoder->timeBase();
    if (choice->bitsPerSecond > 0)
        c->bit_rate = stream.bitsPerSecond > 0 ? stream.bitsPerSecond : choice->bitsPerSecond;
    if (globalHeader) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    reason =
        QStringLiteral("The %1 encoder refuses 48 kHz stereo").arg(QLatin1String(choice->name));
    if (avcodec_open2(c, codec, nullptr) < 0) return nullptr;
    const bool variable = (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) != 0;
    encoder->frameSize_ = c->frame_size > 0 && !variable ? c->frame_size : PcmFrameSamples;
    encoder->smallLastFrame_ = variable || (codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME);
    // Matroska states an encoder's lead-in for Opus only; AAC's starts at 0 there.
    if (container == VideoContainer::Matroska && choice->encoder == std::string_view("aac"))
        encoder->shift_ = c->initial_padding;
    encoder->frame_.reset(av_frame_alloc());
    if (!encoder->frame_) return nullptr;
    reason.clear();
    return encoder;
}

int AudioEncoder::fillParameters(AVCodecParameters* parameters) const {
    return avcodec_parameters_from_context(parameters, context_.get());
}

int AudioEncoder::add(std::span<const float> samples, const PacketSink& sink) {
    if (samples.size() % AudioChannels != 0) return AVERROR(EINVAL);
    const size_t frameValues = size_t(frameSize_) * AudioChannels;
    // Whole frames straight from the caller's samples; the rest waits.
    if (!pending_.empty()) {
        const size_t taken = std::min(frameValues - pending_.size(), samples.size());
        pending_.insert(pending_.end(), samples.begin(), samples.begin() + qsizetype(taken));
        samples = samples.subspan(taken);
        if (pending_.size() < frameValues) return 0;
        const int result = encodeFrame(pending_.data(), frameSize_, sink);
        pending_.clear();
        if (result < 0) return result;
    }
    for (; samples.size() >= frameValues; samples = samples.subspan(frameValues)) {
        const int result = encodeFrame(samples.data(), frameSize_, sink);
        if (result < 0) return result;
    }
    pending_.assign(samples.begin(), samples.end());
    return 0;
}

int AudioEncoder::flush(const PacketSink& sink) {
    if (!pending_.empty()) {
        const int count = int(pending_.size() / AudioChannels);
        // An encoder that takes only whole frames gets the rest padded with silence.
        if (!smallLastFrame_) pending_.resize(size_t(frameSize_) * AudioChannels, 0.0f);
        const int result = encodeFrame(pending_.data(), smallLastFrame_ ? count : frameSize_, sink);
        pending_.clear();
        if (result < 0) return result;
    }
    const int sent = avcodec_send_frame(context_.get(), nullptr);
    if (sent < 0 && sent != AVERROR_EOF) return sent;
    return drain(sink);
}

int AudioEncoder::encodeFrame(const float* samples, int count, const PacketSink& sink) {
    AVFrame* frame = frame_.get();
    av_frame_unref(frame);
    frame->format = context_->sample_fmt;
    frame->sample_rate = AudioSampleRate;
    frame->nb_samples = count;
    int result = av_channel_layout_copy(&frame->ch_layout, &context_->ch_layout);
    if (result >= 0) result = av_frame_get_buffer(frame, 0);
    if (result < 0) return result;
    convert(samples, count, frame);
    frame->pts = sent_;
    sent_ += count;
    result = avcodec_send_frame(context_.get(), frame);
    if (result < 0) return result;
    return drain(sink);
}

int AudioEncoder::drain(const PacketSink& sink) {
    AvPacketPtr packet(av_packet_alloc());
    if (!packet) return AVERROR(ENOMEM);
    for (;;) {
        const int received = avcodec_receive_packet(context_.get(), packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return 0;
        if (received < 0) return received;
        if (packet->pts != AV_NOPTS_VALUE) packet->pts += shift_;
        if (packet->dts != AV_NOPTS_VALUE) packet->dts += shift_;
        const int written = sink(packet.get());
        av_packet_unref(packet.get());
        if (written < 0) return written;
    }
}
