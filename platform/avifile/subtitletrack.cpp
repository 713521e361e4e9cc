#include "platform/avifile/subtitletrack.h"

#include <cstring>

#include "platform/avifile/ffmpegptr.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace {
// A text sample entry's body as players expect it by default: centred at the
// bottom, white 18-point text, one font.
constexpr unsigned char MovTextSampleEntry[] = {
    0x00, 0x00, 0x00, 0x00,                          // display flags
    0x01, 0xff,                                      // centred, at the bottom
    0x00, 0x00, 0x00, 0x00,                          // no background
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // default text box
    0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x12,  // style: font 1, 18 points
    0xff, 0xff, 0xff, 0xff,                          // white
    0x00, 0x00, 0x00, 0x12, 'f',  't',  'a',  'b',   // font table
    0x00, 0x01, 0x00, 0x01, 0x05, 'S',  'e',  'r',  'i', 'f'};

// 3GPP timed text holds at most 65535 bytes a sample, after a 16-bit length.
QByteArray sample(TextStreamKind kind, const QByteArray& text) {
    if (kind == TextStreamKind::SubRip) return text;
    QByteArray bytes = text.left(0xffff);
    const auto length = static_cast<quint16>(bytes.size());
    bytes.prepend(char(length & 0xff));
    bytes.prepend(char(length >> 8));
    return bytes;
}
}  // namespace

AVStream* AddTextStream(AVFormatContext* format, TextStreamKind kind) {
    AVStream* stream = avformat_new_stream(format, nullptr);
    if (stream == nullptr) return nullptr;
    stream->time_base = AVRational{1, 1000};
    AVCodecParameters* parameters = stream->codecpar;
    parameters->codec_type = AVMEDIA_TYPE_SUBTITLE;
    if (kind == TextStreamKind::SubRip) {
        parameters->codec_id = AV_CODEC_ID_SUBRIP;
        return stream;
    }
    parameters->codec_id = AV_CODEC_ID_MOV_TEXT;
    const int size = int(sizeof MovTextSampleEntry);
    parameters->extradata = static_cast<uint8_t*>(av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
    if (parameters->extradata == nullptr) return nullptr;
    std::memcpy(parameters->extradata, MovTextSampleEntry, size);
    parameters->extradata_size = size;
    return stream;
}

int WriteTextPackets(AVFormatContext* format, AVStream* stream, TextStreamKind kind,
                     const QList<TimedText>& cues, qsizetype& next, qint64 untilMs) {
    for (; next < cues.size() && cues[next].startMs <= untilMs; ++next) {
        const TimedText& cue = cues[next];
        const QByteArray bytes = sample(kind, cue.text);
        AvPacketPtr packet(av_packet_alloc());
        if (!packet || av_new_packet(packet.get(), int(bytes.size())) < 0) return AVERROR(ENOMEM);
        std::memcpy(packet->data, bytes.constData(), size_t(bytes.size()));
        packet->stream_index = stream->index;
        packet->pts = packet->dts = cue.startMs;
        packet->duration = cue.endMs - cue.startMs;
        packet->flags |= AV_PKT_FLAG_KEY;
        av_packet_rescale_ts(packet.get(), AVRational{1, 1000}, stream->time_base);
        const int result = av_write_frame(format, packet.get());
        if (result < 0) return result;
    }
    return 0;
}
