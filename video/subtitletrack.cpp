#include "video/subtitletrack.h"

#include <algorithm>
#include <cstring>

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

// 3GPP timed text holds at most 65535 bytes a sample, after a 16-bit length;
// a longer text ends before the character that would not fit whole.
QByteArray sample(TextStreamKind kind, const QByteArray& text) {
    if (kind == TextStreamKind::SubRip) return text;
    qsizetype kept = std::min<qsizetype>(text.size(), 0xffff);
    if (kept < text.size())
        while (kept > 0 && (static_cast<unsigned char>(text[kept]) & 0xC0) == 0x80) --kept;
    QByteArray bytes = text.left(kept);
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

AvPacketPtr TextPacket(TextStreamKind kind, const QByteArray& text, qint64 startMs,
                       qint64 durationMs) {
    const QByteArray bytes = sample(kind, text);
    AvPacketPtr packet(av_packet_alloc());
    if (!packet || av_new_packet(packet.get(), int(bytes.size())) < 0) return nullptr;
    std::memcpy(packet->data, bytes.constData(), size_t(bytes.size()));
    packet->pts = packet->dts = startMs;
    packet->duration = durationMs;
    packet->flags |= AV_PKT_FLAG_KEY;
    return packet;
}
