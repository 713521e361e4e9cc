#include "video/frameencoder.h"

#include <QByteArray>
#include <QList>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <vector>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

namespace {
// Stores the DIB pixels as they are, their rows top-down where the container's
// players read them only that way; the muxer writes the DIB header for them.
class RawEncoder : public FrameEncoder {
  public:
    RawEncoder(const BitmapFormat& format, bool topDownRows)
        : format_(format), flip_(topDownRows && !format.topDown) {
        if (flip_) rows_.resize(size_t(format.imageBytes()));
    }

    int fillParameters(AVCodecParameters* parameters) const override {
        parameters->codec_type = AVMEDIA_TYPE_VIDEO;
        parameters->codec_id = AV_CODEC_ID_RAWVIDEO;
        parameters->codec_tag = 0;
        parameters->width = format_.width;
        parameters->height = format_.height;
        parameters->bits_per_coded_sample = format_.bitCount;
        parameters->format = format_.bitCount == 8    ? AV_PIX_FMT_PAL8
                             : format_.bitCount == 24 ? AV_PIX_FMT_BGR24
                                                      : AV_PIX_FMT_BGRA;
        return 0;
    }

    int encode(const unsigned char* pixels, qint64 position, qint64 duration, bool keyFrame,
               const PacketSink& sink) override {
        AvPacketPtr packet(av_packet_alloc());
        if (!packet) return AVERROR(ENOMEM);
        // The muxer does not keep the packet, so the caller's buffer is lent, not copied.
        packet->data = const_cast<unsigned char*>(pixels);
        if (flip_) {
            const qint64 row = format_.rowBytes();
            for (int y = 0; y < format_.height; ++y)
                std::memcpy(rows_.data() + y * row, pixels + (format_.height - 1 - y) * row,
                            size_t(row));
            packet->data = rows_.data();
        }
        packet->size = int(format_.imageBytes());
        packet->pts = packet->dts = position;
        packet->duration = duration;
        if (keyFrame) packet->flags |= AV_PKT_FLAG_KEY;
        if (format_.bitCount == 8 && !paletteSent_) {
            // The muxer puts the first packet's palette into the stream format.
            uint8_t* side =
                av_packet_new_side_data(packet.get(), AV_PKT_DATA_PALETTE, AVPALETTE_SIZE);
            if (side == nullptr) return AVERROR(ENOMEM);
            std::memcpy(side, format_.palette.data(), AVPALETTE_SIZE);
            paletteSent_ = true;
        }
        const int result = sink(packet.get());
        packet->data = nullptr;
        packet->size = 0;
        return result;
    }

    int flush(const PacketSink&) override { return 0; }

  private:
    BitmapFormat format_;
    bool flip_;
    std::vector<unsigned char> rows_;
    bool paletteSent_ = false;
};

AVPixelFormat sourcePixelFormat(const BitmapFormat& format) {
    // The fourth byte of a 32-bit BI_RGB pixel is unused, not alpha.
    return format.bitCount == 8    ? AV_PIX_FMT_PAL8
           : format.bitCount == 24 ? AV_PIX_FMT_BGR24
                                   : AV_PIX_FMT_BGR0;
}

AVPixelFormat targetPixelFormat(const char* encoder, const BitmapFormat& format) {
    const bool paletted = format.bitCount == 8;
    const QLatin1String name(encoder);
    // 4:2:0 where players expect it; lossless codecs keep the RGB values.
    if (name == QLatin1String("mjpeg")) return AV_PIX_FMT_YUVJ420P;
    if (name == QLatin1String("mpeg4") || name == QLatin1String("libx264") ||
        name == QLatin1String("libx265") || name == QLatin1String("libvpx-vp9"))
        return AV_PIX_FMT_YUV420P;
    if (name == QLatin1String("ffv1")) return AV_PIX_FMT_BGR0;
    if (name == QLatin1String("huffyuv")) return AV_PIX_FMT_RGB24;
    if (name == QLatin1String("cinepak")) return AV_PIX_FMT_RGB24;
    if (name == QLatin1String("msvideo1")) return AV_PIX_FMT_RGB555LE;
    if (name == QLatin1String("png")) return paletted ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_RGB24;
    if (name == QLatin1String("zmbv")) return paletted ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_BGR0;
    return AV_PIX_FMT_NONE;
}

// Quality 1..100 onto the MPEG quantiser 31..1; 0 keeps a good default.
int quantiserFor(int quality) {
    if (quality <= 0) return 3;
    return std::clamp(int(std::lround(1 + (100 - quality) * 30.0 / 99)), 1, 31);
}

// Quality 1..100 onto a constant rate factor `worst`..1; 0 keeps the encoder's default.
int rateFactorFor(int quality, int worst, int fallback) {
    if (quality <= 0) return fallback;
    return std::clamp(int(std::lround(1 + (100 - quality) * double(worst - 1) / 99)), 1, worst);
}

// A data-rate limit for frames lasting timeBase seconds each. The encoder's
// buffer must hold one frame, and a frame shown for seconds may carry that many
// seconds of data; the buffer is an int, so a rate past it (more than 256 MiB a
// frame, no limit in practice) is held where one frame fills it.
struct RateLimit {
    qint64 bitsPerSecond;
    int bufferBits;
};
RateLimit rateLimitFor(qint64 bitsPerSecond, AVRational timeBase) {
    const qint64 frameBits = (bitsPerSecond * timeBase.num + timeBase.den - 1) / timeBase.den;
    const qint64 bufferBits = std::max(bitsPerSecond, frameBits);
    if (bufferBits <= INT_MAX) return {bitsPerSecond, int(bufferBits)};
    return {std::min(bitsPerSecond, qint64(INT_MAX) * timeBase.den / timeBase.num), INT_MAX};
}

// The nearest size the encoder takes, halves upward: the slide is scaled to it
// rather than padded with black.
int nearestAligned(int value, int alignment) {
    const int down = value / alignment * alignment;
    const int nearest = value - down < (alignment + 1) / 2 ? down : down + alignment;
    return std::max(alignment, nearest);
}

bool isYuv(AVPixelFormat format) {
    return format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P;
}

// MPEG-4 part 2 cannot state its matrix in the stream; JPEG defines its own.
bool streamStatesColour(const QLatin1String& encoder) {
    return encoder != QLatin1String("mpeg4") && encoder != QLatin1String("mjpeg");
}

// The matrix players assume for the size, BT.709 from 720 lines and BT.601 below,
// where the file says which; where it cannot, and for JPEG, the BT.601 every
// decoder of such a stream assumes.
bool highDefinition(const AVCodecContext* c, bool stated) {
    return c->height >= 720 && c->pix_fmt != AV_PIX_FMT_YUVJ420P && stated;
}

void tagColour(AVCodecContext* c, bool stated) {
    const bool hd = highDefinition(c, stated);
    c->colorspace = hd ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
    c->color_primaries = hd ? AVCOL_PRI_BT709 : AVCOL_PRI_SMPTE170M;
    c->color_trc = hd ? AVCOL_TRC_BT709 : AVCOL_TRC_SMPTE170M;
    // JPEG is full range by its own definition; the others are stored limited.
    c->color_range = c->pix_fmt == AV_PIX_FMT_YUVJ420P ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
}

// Quality settings of the encoders that take a rate factor instead of a quantiser;
// 0 or the first negative AVERROR.
int setRateFactor(const QLatin1String& name, const CompressOptions& options, AVDictionary** d) {
    struct Setting {
        const char* key;
        QByteArray value;
    };
    QList<Setting> settings;
    if (name == QLatin1String("libx264")) {
        settings = {{"tune", "stillimage"},
                    {"forced-idr", "1"},
                    {"crf", QByteArray::number(rateFactorFor(options.quality, 51, 23))}};
    } else if (name == QLatin1String("libx265")) {
        settings = {{"forced-idr", "1"},
                    {"x265-params", "log-level=error"},
                    {"crf", QByteArray::number(rateFactorFor(options.quality, 51, 28))}};
    } else if (name == QLatin1String("libvpx-vp9")) {
        settings = {{"deadline", "realtime"},
                    {"cpu-used", "8"},
                    {"b", "0"},
                    {"crf", QByteArray::number(rateFactorFor(options.quality, 63, 15))}};
    }
    for (const Setting& setting : settings) {
        const int set = av_dict_set(d, setting.key, setting.value.constData(), 0);
        if (set < 0) return set;
    }
    return 0;
}

bool takesRateFactor(const QLatin1String& name) {
    return name == QLatin1String("libx264") || name == QLatin1String("libx265") ||
           name == QLatin1String("libvpx-vp9");
}

class CodecEncoder : public FrameEncoder {
  public:
    CodecEncoder(const BitmapFormat& format, int keyFrameEvery)
        : format_(format), keyFrameEvery_(keyFrameEvery) {}

    bool open(const CodecEntry& codec, const CompressOptions& options, AVRational timeBase,
              const StreamNeeds& needs) {
        const AVCodec* encoder = avcodec_find_encoder_by_name(codec.encoder);
        const AVPixelFormat target = targetPixelFormat(codec.encoder, format_);
        if (encoder == nullptr || target == AV_PIX_FMT_NONE) return false;
        context_.reset(avcodec_alloc_context3(encoder));
        if (!context_) return false;
        AVCodecContext* c = context_.get();
        const QLatin1String name(codec.encoder);
        c->width = nearestAligned(format_.width, codec.sizeAlignment);
        c->height = nearestAligned(format_.height, codec.sizeAlignment);
        c->pix_fmt = target;
        c->time_base = timeBase;
        c->framerate = av_inv_q(timeBase);
        c->sample_aspect_ratio = AVRational{1, 1};
        c->max_b_frames = 0;  // AVI keeps no presentation times
        if (needs.globalHeader) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        c->gop_size = keyFrameEvery_;
        // Video 1 counts the frames between key frames, the others the distance.
        c->keyint_min = name == QLatin1String("msvideo1") ? keyFrameEvery_ - 1 : keyFrameEvery_;
        c->thread_count = 0;
        statesColour_ = needs.statesColour || streamStatesColour(name);
        if (isYuv(target)) tagColour(c, statesColour_);

        AVDictionary* raw = nullptr;
        int set = 0;
        const RateLimit limit = rateLimitFor(options.dataRateBitsPerSecond, timeBase);
        if (takesRateFactor(name)) {
            set = setRateFactor(name, options, &raw);
            if (limit.bitsPerSecond > 0) {
                c->rc_max_rate = limit.bitsPerSecond;
                c->rc_buffer_size = limit.bufferBits;
            }
        } else if (codec.usesDataRate && limit.bitsPerSecond > 0) {
            c->bit_rate = limit.bitsPerSecond;
            c->rc_buffer_size = limit.bufferBits;
            c->rc_max_rate = limit.bitsPerSecond;
            // With both, the quality is the best the data rate may buy: the rate
            // control never goes finer than its quantiser.
            if (codec.usesQuality && options.quality > 0) {
                c->qmin = quantiserFor(options.quality);
                c->qmax = std::max(c->qmin, c->qmax);
                set = av_dict_set_int(&raw, "lmin", qint64(c->qmin) * FF_QP2LAMBDA, 0);
            }
        } else if (codec.usesQuality) {
            c->flags |= AV_CODEC_FLAG_QSCALE;
            c->global_quality = quantiserFor(options.quality) * FF_QP2LAMBDA;
        }
        std::unique_ptr<AVDictionary, AvDictionaryFree> dictionary(raw);
        if (set < 0) return false;
        raw = dictionary.release();
        const int opened = avcodec_open2(c, encoder, &raw);
        dictionary.reset(raw);
        // A setting the encoder left is one it does not have: the stream would
        // not be what was chosen.
        if (opened < 0 || av_dict_count(dictionary.get()) > 0) return false;

        frame_.reset(av_frame_alloc());
        if (!frame_) return false;
        frame_->format = c->pix_fmt;
        frame_->width = c->width;
        frame_->height = c->height;
        if (av_frame_get_buffer(frame_.get(), 0) < 0 || !clearFrame()) return false;
        palette_ = format_.palette;
        for (quint32& entry : palette_) entry |= 0xFF000000u;
        // A paletted frame whose size the encoder takes goes in as it is.
        if (c->pix_fmt != AV_PIX_FMT_PAL8) return openScaler();
        return c->width == format_.width && c->height == format_.height;
    }

    int fillParameters(AVCodecParameters* parameters) const override {
        return avcodec_parameters_from_context(parameters, context_.get());
    }

    int encode(const unsigned char* pixels, qint64 position, qint64 duration, bool,
               const PacketSink& sink) override {
        int result = av_frame_make_writable(frame_.get());
        if (result < 0) return result;
        if (!convert(pixels)) return AVERROR(EINVAL);
        // The chosen key-frame interval decides, as with the platform's compressors.
        const bool key = framesSent_ % keyFrameEvery_ == 0;
        frame_->pict_type = key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
        frame_->pts = position;
        frame_->quality = context_->global_quality;
        durations_[position] = duration;
        result = avcodec_send_frame(context_.get(), frame_.get());
        if (result < 0) return result;
        ++framesSent_;
        return drain(sink);
    }

    int flush(const PacketSink& sink) override {
        if (framesSent_ == 0) return 0;
        const int result = avcodec_send_frame(context_.get(), nullptr);
        if (result < 0 && result != AVERROR_EOF) return result;
        return drain(sink);
    }

  private:
    // Accurate rounding and chroma taken from every pixel, not every other one:
    // white stays 255, 255, 255 and edges keep their colour.
    bool openScaler() {
        const AVCodecContext* c = context_.get();
        scaler_.reset(sws_getContext(
            format_.width, format_.height, sourcePixelFormat(format_), c->width, c->height,
            c->pix_fmt, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_FULL_CHR_H_INP,
            nullptr, nullptr, nullptr));
        if (!scaler_) return false;
        if (!isYuv(c->pix_fmt)) return true;
        const int* matrix =
            sws_getCoefficients(highDefinition(c, statesColour_) ? SWS_CS_ITU709 : SWS_CS_ITU601);
        const bool fullRange = c->color_range == AVCOL_RANGE_JPEG;
        return sws_setColorspaceDetails(scaler_.get(), matrix, 1, matrix, fullRange ? 1 : 0, 0,
                                        1 << 16, 1 << 16) >= 0;
    }

    bool clearFrame() {
        ptrdiff_t linesizes[4];
        for (int i = 0; i < 4; ++i) linesizes[i] = frame_->linesize[i];
        if (frame_->format == AV_PIX_FMT_PAL8) {
            std::memset(frame_->data[0], 0, size_t(frame_->linesize[0]) * size_t(frame_->height));
            return true;
        }
        return av_image_fill_black(frame_->data, linesizes, AVPixelFormat(frame_->format),
                                   context_->color_range, frame_->width, frame_->height) >= 0;
    }

    // False when the scaler gives fewer rows than the frame has.
    bool convert(const unsigned char* pixels) {
        const qint64 rowBytes = format_.rowBytes();
        // DIB rows run bottom-up unless the height was negative.
        const unsigned char* first =
            format_.topDown ? pixels : pixels + rowBytes * (format_.height - 1);
        const int stride = int(format_.topDown ? rowBytes : -rowBytes);
        if (frame_->format == AV_PIX_FMT_PAL8) {
            for (int y = 0; y < format_.height; ++y)
                std::memcpy(frame_->data[0] + qint64(y) * frame_->linesize[0],
                            first + qint64(y) * stride, size_t(format_.width));
            std::memcpy(frame_->data[1], palette_.data(), AVPALETTE_SIZE);
            return true;
        }
        const uint8_t* source[4] = {first, reinterpret_cast<const uint8_t*>(palette_.data()),
                                    nullptr, nullptr};
        const int sourceStride[4] = {stride, 0, 0, 0};
        return sws_scale(scaler_.get(), source, sourceStride, 0, format_.height, frame_->data,
                         frame_->linesize) == frame_->height;
    }

    int drain(const PacketSink& sink) {
        AvPacketPtr packet(av_packet_alloc());
        if (!packet) return AVERROR(ENOMEM);
        for (;;) {
            const int received = avcodec_receive_packet(context_.get(), packet.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return 0;
            if (received < 0) return received;
            // Encoders that hold frames back do not all hand the duration on.
            const auto known = durations_.find(packet->pts);
            if (known != durations_.end()) {
                packet->duration = known->second;
                durations_.erase(known);
            } else if (packet->duration <= 0) {
                packet->duration = 1;
            }
            const int written = sink(packet.get());
            av_packet_unref(packet.get());
            if (written < 0) return written;
        }
    }

    BitmapFormat format_;
    int keyFrameEvery_;
    std::array<quint32, 256> palette_{};
    AvCodecContextPtr context_;
    AvFramePtr frame_;
    SwsContextPtr scaler_;
    qint64 framesSent_ = 0;
    bool statesColour_ = false;
    std::map<qint64, qint64> durations_;  // by position, until its packet comes out
};
}  // namespace

std::unique_ptr<FrameEncoder> FrameEncoder::create(const BitmapFormat& format,
                                                   const CodecEntry& codec,
                                                   const CompressOptions& options,
                                                   AVRational timeBase, const StreamNeeds& needs) {
    if (codec.encoder == nullptr) return std::make_unique<RawEncoder>(format, needs.topDownRows);
    const int keyFrameEvery = codec.usesKeyFrames ? std::max(1, options.keyFrameEvery) : 1;
    auto encoder = std::make_unique<CodecEncoder>(format, keyFrameEvery);
    if (!encoder->open(codec, options, timeBase, needs)) return nullptr;
    return encoder;
}
