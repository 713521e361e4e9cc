#include "platform/avifile/avimuxer.h"

#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>

#include "platform/avifile/avifile.h"
#include "platform/avifile/avitemporary.h"
#include "platform/avifile/codeclist.h"
#include "platform/avifile/muxeroptions.h"
#include "platform/avifile/videotarget.h"
#include "util/fsfailure.h"
#include "util/writeall.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
}

namespace {
constexpr int IoBufferSize = 1 << 20;

int writeAll(void* opaque, uint8_t* data, int size) {
    const int error = WriteAll(*static_cast<int*>(opaque), data, size_t(size));
    return error == 0 ? size : AVERROR(error);
}

int64_t seekTo(void* opaque, int64_t offset, int whence) {
    const int fd = *static_cast<int*>(opaque);
    if (whence == AVSEEK_SIZE) {
        const off_t here = ::lseek(fd, 0, SEEK_CUR);
        const off_t end = ::lseek(fd, 0, SEEK_END);
        if (here < 0 || end < 0 || ::lseek(fd, here, SEEK_SET) < 0) return AVERROR(errno);
        return end;
    }
    const off_t result = ::lseek(fd, offset, whence & ~AVSEEK_FORCE);
    return result < 0 ? AVERROR(errno) : result;
}
}  // namespace

int AviMuxer::open(const QString& target, std::shared_ptr<AviMuxer>& muxer, QString& reason) {
    std::shared_ptr<AviMuxer> created(new AviMuxer);
    const VideoTarget resolved = ResolveVideoTarget(target);
    reason = resolved.reason;
    if (!reason.isEmpty()) return AVIERR_FILEOPEN;
    created->target_ = resolved.path;
    const QString folder = QFileInfo(created->target_).absolutePath();
    RemoveStaleAviTemporaries(folder);
    created->fd_ = CreateAviTemporary(folder, created->temporary_);
    if (created->fd_ < 0) {
        reason = SystemReason(errno);
        return AVIERR_FILEOPEN;
    }

    // The name the user gave decides, also where it is a link to another name.
    created->container_ = ContainerForPath(target);
    if (avformat_alloc_output_context2(&created->format_, nullptr, MuxerName(created->container_),
                                       nullptr) < 0)
        return AVIERR_MEMORY;
    // MP4's index is moved to the front at the end, reading the file back by name.
    const QByteArray url = QByteArrayLiteral("file:") + QFile::encodeName(created->temporary_);
    created->format_->url = av_strdup(url.constData());
    if (created->format_->url == nullptr) return AVIERR_MEMORY;
    auto* buffer = static_cast<unsigned char*>(av_malloc(IoBufferSize));
    if (buffer == nullptr) return AVIERR_MEMORY;
    created->io_ =
        avio_alloc_context(buffer, IoBufferSize, 1, &created->fd_, nullptr, writeAll, seekTo);
    if (created->io_ == nullptr) {
        av_free(buffer);
        return AVIERR_MEMORY;
    }
    // Frames go straight to the file instead of through the buffer: one copy
    // less of every picture.
    created->io_->direct = 1;
    created->format_->pb = created->io_;
    created->format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    muxer = std::move(created);
    return AVIERR_OK;
}

AviMuxer::~AviMuxer() {
    discard();
}

int AviMuxer::addVideoStream(quint32 rate, quint32 scale) {
    if (closed_ || failed_) return AVIERR_FILEWRITE;
    if (hasStream_ || headerWritten_) return AVIERR_UNSUPPORTED;
    if (rate == 0 || scale == 0 || rate > INT_MAX || scale > INT_MAX) return AVIERR_BADPARAM;
    if (avformat_new_stream(format_, nullptr) == nullptr) return AVIERR_MEMORY;
    timeBase_ = av_make_q(int(scale), int(rate));
    dataRate_.setTiming(rate, scale);
    hasStream_ = true;
    return AVIERR_OK;
}

int AviMuxer::setFormat(const void* block, qint64 size,
                        const std::optional<CompressOptions>& options) {
    if (closed_ || failed_) return AVIERR_FILEWRITE;
    if (!hasStream_) return AVIERR_BADPARAM;
    BitmapFormat layout;
    if (!ParseBitmapFormat(block, size, layout)) return AVIERR_BADFORMAT;
    if (headerWritten_) return layout.sameLayout(layout_) ? AVIERR_OK : AVIERR_UNSUPPORTED;

    // Without options the frames are stored as they are, where the container can.
    const CodecEntry* codec = options ? FindCodec(options->codec, container_)
                                      : FindCodec(QLatin1String(UncompressedCodecName), container_);
    if (codec == nullptr) return AVIERR_NOCOMPRESSOR;
    StreamNeeds needs;
    needs.globalHeader = (format_->oformat->flags & AVFMT_GLOBALHEADER) != 0;
    needs.topDownRows = container_ == VideoContainer::Matroska;
    needs.statesColour = container_ != VideoContainer::Avi;
    encoder_ =
        AviEncoder::create(layout, *codec, options.value_or(CompressOptions{}), timeBase_, needs);
    if (!encoder_) return AVIERR_NOCOMPRESSOR;
    return writeHeader(layout);
}

int AviMuxer::writeHeader(const BitmapFormat& layout) {
    AVStream* stream = format_->streams[0];
    stream->time_base = timeBase_;
    stream->avg_frame_rate = av_inv_q(timeBase_);
    stream->r_frame_rate = av_inv_q(timeBase_);
    if (encoder_->fillParameters(stream->codecpar) < 0) return AVIERR_BADFORMAT;
    AVDictionary* raw = nullptr;
    SetMuxerOptions(container_, !layout.topDown, stream->codecpar, &raw);
    if (!texts_.isEmpty()) {
        textStream_ = AddTextStream(format_, textKind());
        if (textStream_ == nullptr) return fail(AVIERR_MEMORY);
    }
    std::unique_ptr<AVDictionary, AvDictionaryFree> settings(raw);
    raw = settings.release();
    const int written = avformat_write_header(format_, &raw);
    settings.reset(raw);
    if (written < 0) {
        noteError(written);
        return fail(AVIERR_FILEWRITE);
    }
    layout_ = layout;
    headerWritten_ = true;
    return AVIERR_OK;
}

int AviMuxer::write(qint64 position, const void* pixels, qint64 size, bool keyFrame,
                    qint64 duration) {
    const int status = writeFrame(position, pixels, size, keyFrame, duration);
    return status == AVIERR_OK ? status : fail(status);
}

int AviMuxer::writeFrame(qint64 position, const void* pixels, qint64 size, bool keyFrame,
                         qint64 duration) {
    if (closed_ || failed_) return AVIERR_FILEWRITE;
    if (!headerWritten_) return AVIERR_BADFORMAT;
    if (position < 0) position = nextPosition_;
    if (position < nextPosition_ || pixels == nullptr || size < layout_.imageBytes() ||
        duration < 1)
        return AVIERR_BADPARAM;
    const int encoded =
        encoder_->encode(static_cast<const unsigned char*>(pixels), position, duration, keyFrame,
                         [this](AVPacket* packet) { return writePacket(packet); });
    if (encoded < 0) {
        noteError(io_->error < 0 ? io_->error : encoded);
        return AVIERR_FILEWRITE;
    }
    // Each frame reaches the file before the call returns, so a full disk or a
    // size limit shows at the frame it stops, not some frames later.
    avio_flush(io_);
    if (io_->error < 0) {
        noteError(io_->error);
        return AVIERR_FILEWRITE;
    }
    nextPosition_ = position + duration;
    endPosition_ = nextPosition_;
    return AVIERR_OK;
}

int AviMuxer::setTexts(const QList<TimedText>& texts) {
    if (closed_ || failed_) return AVIERR_FILEWRITE;
    if (headerWritten_) return AVIERR_UNSUPPORTED;
    if (container_ != VideoContainer::Avi) texts_ = texts;
    return AVIERR_OK;
}

TextStreamKind AviMuxer::textKind() const {
    return container_ == VideoContainer::Mp4 ? TextStreamKind::MovText : TextStreamKind::SubRip;
}

int AviMuxer::writePacket(AVPacket* packet) {
    AVStream* stream = format_->streams[0];
    packet->stream_index = 0;
    dataRate_.add(packet->dts, packet->size);
    const qint64 position = packet->dts;
    av_packet_rescale_ts(packet, timeBase_, stream->time_base);
    // Subtitles go in before the picture they start with, so the file stays in time order.
    if (textStream_ != nullptr && packet->dts != AV_NOPTS_VALUE) {
        const qint64 ms = av_rescale_q(packet->dts, stream->time_base, AVRational{1, 1000});
        const int written =
            WriteTextPackets(format_, textStream_, textKind(), texts_, nextText_, ms);
        if (written < 0) return written;
    }
    // The AVI muxer marks skipped positions only after a first frame; mark leading ones here.
    if (container_ == VideoContainer::Avi && packetsWritten_ == 0 && packet->dts > 0 &&
        packet->dts != AV_NOPTS_VALUE) {
        AvPacketPtr empty(av_packet_alloc());
        if (!empty) return AVERROR(ENOMEM);
        for (qint64 position = 0; position < packet->dts; ++position) {
            empty->stream_index = 0;
            empty->pts = empty->dts = position;
            empty->duration = 1;
            const int result = av_write_frame(format_, empty.get());
            if (result < 0) return result;
        }
        packetsWritten_ += packet->dts;
    }
    const int result = av_write_frame(format_, packet);
    if (result < 0) return result;
    ++packetsWritten_;
    lastDts_ = position;
    return 0;
}

int AviMuxer::finish() {
    if (failed_) {
        discard();
        return AVIERR_FILEWRITE;
    }
    if (closed_) return AVIERR_OK;
    if (!headerWritten_) {
        discard();
        return AVIERR_OK;
    }
    if (writeTrailer() != AVIERR_OK) return fail(AVIERR_FILEWRITE);
    closeOutput();
    const int closedFd = fd_;
    fd_ = -1;
    if (::close(closedFd) != 0) {
        noteError(AVERROR(errno));
        return fail(AVIERR_FILEWRITE);
    }
    // Something else may have taken the target's name while the video was written.
    reason_ = ReplacementRefusal(target_);
    if (!reason_.isEmpty()) return fail(AVIERR_FILEWRITE);
    const QByteArray from = QFile::encodeName(temporary_);
    const QByteArray to = QFile::encodeName(target_);
    if (::rename(from.constData(), to.constData()) != 0) {
        noteError(AVERROR(errno));
        return fail(AVIERR_FILEWRITE);
    }
    ForgetAviTemporary(temporary_);
    closed_ = true;
    return AVIERR_OK;
}

int AviMuxer::writeTrailer() {
    const PacketSink sink = [this](AVPacket* packet) { return writePacket(packet); };
    int result = encoder_->flush(sink);
    if (result >= 0 && textStream_ != nullptr)
        result = WriteTextPackets(format_, textStream_, textKind(), texts_, nextText_, INT64_MAX);
    // The last frame's repeats: the AVI muxer fills the positions before an
    // empty packet with empty chunks.
    if (result >= 0 && container_ == VideoContainer::Avi && endPosition_ - 1 > lastDts_) {
        AvPacketPtr empty(av_packet_alloc());
        if (!empty) return AVIERR_MEMORY;
        empty->pts = empty->dts = endPosition_ - 1;
        empty->duration = 1;
        result = writePacket(empty.get());
    }
    if (result >= 0) result = av_write_trailer(format_);
    if (result < 0) {
        noteError(io_->error < 0 ? io_->error : result);
        return AVIERR_FILEWRITE;
    }
    avio_flush(io_);
    // The muxer states a rate of its own guessing; the header gets the real one.
    if (io_->error < 0 || (container_ == VideoContainer::Avi &&
                           !PatchAviMaxBytesPerSecond(io_, dataRate_.maxBytesPerSecond()))) {
        noteError(io_->error < 0 ? io_->error : AVERROR(EIO));
        return AVIERR_FILEWRITE;
    }
    return AVIERR_OK;
}

int AviMuxer::fail(int status) {
    failed_ = true;
    discard();
    return status;
}

void AviMuxer::noteError(int result) {
    if (!reason_.isEmpty()) return;
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(result, text, sizeof text);
    reason_ = QString::fromLocal8Bit(text);
}

void AviMuxer::closeOutput() {
    encoder_.reset();
    if (format_ != nullptr) {
        format_->pb = nullptr;
        avformat_free_context(format_);
        format_ = nullptr;
    }
    if (io_ != nullptr) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
}

void AviMuxer::discard() {
    if (closed_) return;
    closed_ = true;
    closeOutput();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.isEmpty()) {
        ::unlink(QFile::encodeName(temporary_).constData());
        ForgetAviTemporary(temporary_);
    }
}
