#include "video/videowriter.h"

#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <climits>
#include <utility>

#include "util/fsfailure.h"
#include "util/writeall.h"
#include "video/codeclist.h"
#include "video/ffmpeglog.h"
#include "video/muxeroptions.h"
#include "video/videotarget.h"
#include "video/videotemporary.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/mathematics.h>
}

namespace {
constexpr int IoBufferSize = 1 << 20;
const AVRational Milliseconds{1, 1000};
// The longest run of empty chunks libavformat's AVI muxer writes itself.
constexpr qint64 AviMuxerGapLimit = 60000;

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

QString containerName(VideoContainer container) {
    switch (container) {
        case VideoContainer::Avi:
            break;
        case VideoContainer::Mp4:
            return QStringLiteral("MP4");
        case VideoContainer::Matroska:
            return QStringLiteral("Matroska");
    }
    return QStringLiteral("AVI");
}

// The packet's time in the stream's time base.
qint64 packetTime(const AVPacket* packet) {
    return packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
}

// Streams meet in whole milliseconds: a cue starting on a picture's rounded time
// goes in before that picture.
qint64 packetMs(const AVPacket* packet, AVRational timeBase) {
    return av_rescale_q(packetTime(packet), timeBase, Milliseconds);
}
}  // namespace

VideoWriter::VideoWriter(const QString& target, VideoContainer container) : container_(container) {
    RouteFfmpegLog();
    const VideoTarget resolved = ResolveVideoTarget(target);
    if (!resolved.reason.isEmpty()) {
        fail(resolved.reason);
        return;
    }
    target_ = resolved.path;
    const QString folder = QFileInfo(target_).absolutePath();
    RemoveStaleVideoTemporaries(folder);
    fd_ = CreateVideoTemporary(folder, temporary_);
    if (fd_ < 0) {
        fail(SystemReason(errno));
        return;
    }
    if (avformat_alloc_output_context2(&format_, nullptr, MuxerName(container_), nullptr) < 0) {
        failWith(AVERROR(ENOMEM));
        return;
    }
    // MP4's index is moved to the front at the end, reading the file back by name.
    const QByteArray url = QByteArrayLiteral("file:") + QFile::encodeName(temporary_);
    format_->url = av_strdup(url.constData());
    auto* buffer = static_cast<unsigned char*>(av_malloc(IoBufferSize));
    if (format_->url == nullptr || buffer == nullptr) {
        av_free(buffer);
        failWith(AVERROR(ENOMEM));
        return;
    }
    io_ = avio_alloc_context(buffer, IoBufferSize, 1, &fd_, nullptr, writeAll, seekTo);
    if (io_ == nullptr) {
        av_free(buffer);
        failWith(AVERROR(ENOMEM));
        return;
    }
    // Frames go straight to the file instead of through the buffer: one copy
    // less of every picture.
    io_->direct = 1;
    format_->pb = io_;
    format_->flags |= AVFMT_FLAG_CUSTOM_IO;
}

VideoWriter::~VideoWriter() {
    discard();
}

bool VideoWriter::addVideoStream(const VideoStreamFormat& stream) {
    if (failed_) return false;
    if (video_ != nullptr || headerWritten_)
        return fail(QStringLiteral("The video stream is already there"));
    if (stream.rate == 0 || stream.scale == 0 || stream.rate > INT_MAX || stream.scale > INT_MAX)
        return fail(QStringLiteral("No frame rate of %1/%2").arg(stream.rate).arg(stream.scale));
    BitmapFormat layout;
    if (!ParseBitmapFormat(stream.bitmapInfo.data(), stream.bitmapInfo.size(), layout))
        return fail(QStringLiteral("The frames' format cannot be stored"));
    // Without options the frames are stored as they are, where the container can.
    const QString name =
        stream.compression ? stream.compression->codec : QString::fromLatin1(UncompressedCodecName);
    const CodecEntry* codec = FindCodec(name, container_);
    if (codec == nullptr)
        return fail(QStringLiteral("%1 cannot hold %2")
                        .arg(containerName(container_),
                             name.isEmpty() ? QStringLiteral("its default compressor") : name));
    timeBase_ = av_make_q(int(stream.scale), int(stream.rate));
    StreamNeeds needs;
    needs.globalHeader = (format_->oformat->flags & AVFMT_GLOBALHEADER) != 0;
    needs.topDownRows = container_ == VideoContainer::Matroska;
    needs.statesColour = container_ != VideoContainer::Avi;
    encoder_ = FrameEncoder::create(layout, *codec, stream.compression.value_or(CompressOptions{}),
                                    timeBase_, needs);
    if (!encoder_)
        return fail(QStringLiteral("The %1 compressor refuses these frames")
                        .arg(QLatin1String(codec->name)));
    video_ = avformat_new_stream(format_, nullptr);
    if (video_ == nullptr) return failWith(AVERROR(ENOMEM));
    video_->time_base = timeBase_;
    video_->avg_frame_rate = av_inv_q(timeBase_);
    video_->r_frame_rate = av_inv_q(timeBase_);
    if (encoder_->fillParameters(video_->codecpar) < 0)
        return fail(QStringLiteral("The frames' format cannot be stored"));
    dataRate_.setTiming(stream.rate, stream.scale);
    layout_ = layout;
    return true;
}

bool VideoWriter::addAudioStream(const AudioStreamFormat& stream) {
    if (failed_) return false;
    if (video_ == nullptr) return fail(QStringLiteral("The sound needs the video stream first"));
    if (audio_ != nullptr || headerWritten_)
        return fail(QStringLiteral("The sound stream is already there"));
    QString why;
    audioEncoder_ = AudioEncoder::create(stream, container_,
                                         (format_->oformat->flags & AVFMT_GLOBALHEADER) != 0, why);
    if (!audioEncoder_) return fail(why);
    audio_ = avformat_new_stream(format_, nullptr);
    if (audio_ == nullptr) return failWith(AVERROR(ENOMEM));
    audio_->time_base = audioEncoder_->timeBase();
    if (audioEncoder_->fillParameters(audio_->codecpar) < 0) return failWith(AVERROR(EINVAL));
    return true;
}

bool VideoWriter::addSubtitleStream() {
    if (failed_) return false;
    if (video_ == nullptr) return fail(QStringLiteral("The subtitles need the video stream first"));
    if (text_ != nullptr || headerWritten_)
        return fail(QStringLiteral("The subtitle stream is already there"));
    if (container_ == VideoContainer::Avi) return true;
    text_ = AddTextStream(format_, container_ == VideoContainer::Mp4 ? TextStreamKind::MovText
                                                                     : TextStreamKind::SubRip);
    return text_ != nullptr || failWith(AVERROR(ENOMEM));
}

bool VideoWriter::setChapters(const QList<VideoChapter>& chapters) {
    if (failed_) return false;
    if (headerWritten_) return fail(QStringLiteral("Chapters come before the first frame"));
    chapters_ = chapters;
    return true;
}

bool VideoWriter::ensureHeader() {
    if (failed_) return false;
    if (headerWritten_) return true;
    if (video_ == nullptr) return fail(QStringLiteral("The video has no stream"));
    return writeHeader();
}

bool VideoWriter::writeHeader() {
    if (container_ != VideoContainer::Avi) {
        const int added = AddChapters(format_, chapters_);
        if (added < 0) return failWith(added);
    }
    std::unique_ptr<AVDictionary, AvDictionaryFree> settings;
    {
        AVDictionary* raw = nullptr;
        const int set = SetMuxerOptions(container_, !layout_.topDown, video_->codecpar, &raw);
        settings.reset(raw);
        if (set < 0) return failWith(set);
    }
    AVDictionary* raw = settings.release();
    const int written = avformat_write_header(format_, &raw);
    settings.reset(raw);
    if (written < 0) return failWith(written);
    // The muxer takes what it knows and leaves the rest: anything left is a setting
    // this muxer no longer has, and the video would not be what was asked.
    if (const AVDictionaryEntry* left =
            av_dict_get(settings.get(), "", nullptr, AV_DICT_IGNORE_SUFFIX))
        return fail(QStringLiteral("The %1 writer does not take the setting %2")
                        .arg(containerName(container_), QString::fromUtf8(left->key)));
    headerWritten_ = true;
    return true;
}

bool VideoWriter::addFrame(const unsigned char* pixels, qint64 size, qint64 start, qint64 duration,
                           bool keyFrame) {
    if (!ensureHeader()) return false;
    if (start < 0) start = nextPosition_;
    if (start < nextPosition_ || pixels == nullptr || size < layout_.imageBytes() || duration < 1)
        return fail(QStringLiteral("A frame does not fit the video"));
    const int encoded =
        encoder_->encode(pixels, start, duration, keyFrame,
                         [this](AVPacket* packet) { return writeVideoPacket(packet); });
    if (encoded < 0) return failWith(io_->error < 0 ? io_->error : encoded);
    // Each frame reaches the file before the call returns, so a full disk or a
    // size limit shows at the frame it stops, not some frames later.
    avio_flush(io_);
    if (io_->error < 0) return failWith(io_->error);
    nextPosition_ = start + duration;
    return true;
}

bool VideoWriter::addAudio(std::span<const float> samples) {
    if (!ensureHeader()) return false;
    if (audio_ == nullptr) return fail(QStringLiteral("The video has no sound stream"));
    const int added = audioEncoder_->add(samples, [this](AVPacket* packet) {
        return queue(packet, audio_, audioEncoder_->timeBase());
    });
    if (added < 0) return failWith(added);
    const int written = writeQueued(false);
    return written >= 0 || failWith(written);
}

bool VideoWriter::addCue(qint64 startMs, qint64 endMs, const QByteArray& text) {
    if (!ensureHeader()) return false;
    if (text_ == nullptr)
        return container_ == VideoContainer::Avi ||
               fail(QStringLiteral("The video has no subtitle stream"));
    if (startMs < 0 || endMs < startMs) return fail(QStringLiteral("A subtitle has no time"));
    AvPacketPtr packet = TextPacket(
        container_ == VideoContainer::Mp4 ? TextStreamKind::MovText : TextStreamKind::SubRip, text,
        startMs, endMs - startMs);
    if (!packet) return failWith(AVERROR(ENOMEM));
    int result = queue(packet.get(), text_, Milliseconds);
    if (result >= 0) result = writeQueued(false);
    return result >= 0 || failWith(result);
}

int VideoWriter::queue(AVPacket* packet, AVStream* stream, AVRational from) {
    AvPacketPtr held(av_packet_alloc());
    if (!held) return AVERROR(ENOMEM);
    const int moved = av_packet_ref(held.get(), packet);
    if (moved < 0) return moved;
    held->stream_index = stream->index;
    av_packet_rescale_ts(held.get(), from, stream->time_base);
    queued_.push_back(std::move(held));
    return 0;
}

// Writes the waiting packets the video has reached (all of them at the end), in
// the order they came: each stream's own packets are in time order already.
int VideoWriter::writeQueued(bool all) {
    while (!queued_.empty()) {
        AVPacket* packet = queued_.front().get();
        if (!all) {
            const AVStream* stream = format_->streams[packet->stream_index];
            if (packetMs(packet, stream->time_base) > lastVideoMs_) return 0;
        }
        const int result = av_write_frame(format_, packet);
        if (result < 0) return result;
        queued_.pop_front();
    }
    return 0;
}

int VideoWriter::writeVideoPacket(AVPacket* packet) {
    packet->stream_index = video_->index;
    const qint64 position = packet->dts;
    dataRate_.add(position, packet->size);
    // An AVI stream has one chunk a position; the muxer would fill only a short
    // gap itself, so every skipped position is written here as an empty chunk.
    if (container_ == VideoContainer::Avi && position != AV_NOPTS_VALUE) {
        const int gap = writeAviGap(position);
        if (gap < 0) return gap;
    }
    av_packet_rescale_ts(packet, timeBase_, video_->time_base);
    lastVideoMs_ = packetMs(packet, video_->time_base);
    // Sound and subtitles that start by this picture go in before it.
    int result = writeQueued(false);
    if (result < 0) return result;
    result = av_write_frame(format_, packet);
    if (result < 0) return result;
    if (container_ == VideoContainer::Avi && position != AV_NOPTS_VALUE) aviPackets_ = position + 1;
    return 0;
}

// Makes room for an AVI packet at `position`. The muxer fills a gap before a
// packet with empty chunks itself, but only a short one; a longer gap is
// bridged here by empty packets of ours, each after the longest run the muxer
// fills. Before the first packet the muxer fills nothing.
int VideoWriter::writeAviGap(qint64 position) {
    if (aviPackets_ == 0) {
        for (qint64 at = 0; at < position; ++at) {
            const int result = writeAviEmpty(at);
            if (result < 0) return result;
        }
        return 0;
    }
    while (position - aviPackets_ > AviMuxerGapLimit) {
        const int result = writeAviEmpty(aviPackets_ + AviMuxerGapLimit);
        if (result < 0) return result;
    }
    return 0;
}

int VideoWriter::writeAviEmpty(qint64 position) {
    AvPacketPtr empty(av_packet_alloc());
    if (!empty) return AVERROR(ENOMEM);
    empty->stream_index = video_->index;
    empty->pts = empty->dts = position;
    empty->duration = 1;
    const int result = av_write_frame(format_, empty.get());
    if (result >= 0) aviPackets_ = position + 1;
    return result;
}

VideoWriterResult VideoWriter::finish() {
    if (closed_ && !failed_) return {true, {}};
    if (failed_) {
        discard();
        return {false, reason_};
    }
    if (!headerWritten_ && video_ == nullptr) {
        discard();
        return {false, {}};
    }
    if (!ensureHeader() || writeTrailer() < 0) {
        discard();
        return {false, reason_};
    }
    closeOutput();
    // Something else may have taken the target's name while the video was written.
    QString refusal = ReplacementRefusal(target_);
    if (refusal.isEmpty())
        refusal = ReplaceWithTemporary(std::exchange(fd_, -1), temporary_, target_);
    if (!refusal.isEmpty()) {
        fail(refusal);
        discard();
        return {false, reason_};
    }
    ForgetVideoTemporary(temporary_);
    closed_ = true;
    return {true, {}};
}

int VideoWriter::writeTrailer() {
    const PacketSink sink = [this](AVPacket* packet) { return writeVideoPacket(packet); };
    int result = encoder_->flush(sink);
    if (result >= 0 && audioEncoder_)
        result = audioEncoder_->flush(
            [this](AVPacket* packet) { return queue(packet, audio_, audioEncoder_->timeBase()); });
    if (result >= 0) result = writeQueued(true);
    // The last frame's repeats: an empty packet at the end, the muxer fills before it.
    if (result >= 0 && container_ == VideoContainer::Avi && nextPosition_ > aviPackets_) {
        result = writeAviGap(nextPosition_ - 1);
        if (result >= 0) result = writeAviEmpty(nextPosition_ - 1);
    }
    if (result >= 0) result = av_write_trailer(format_);
    if (result < 0) {
        failWith(io_->error < 0 ? io_->error : result);
        return -1;
    }
    avio_flush(io_);
    // The muxer states a rate of its own guessing; the header gets the real one.
    if (io_->error < 0 || (container_ == VideoContainer::Avi &&
                           !PatchAviMaxBytesPerSecond(io_, dataRate_.maxBytesPerSecond()))) {
        failWith(io_->error < 0 ? io_->error : AVERROR(EIO));
        return -1;
    }
    return 0;
}

bool VideoWriter::fail(const QString& reason) {
    if (!failed_ && reason_.isEmpty()) reason_ = reason;
    failed_ = true;
    return false;
}

bool VideoWriter::failWith(int error) {
    return fail(errorText(error));
}

QString VideoWriter::errorText(int error) const {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

void VideoWriter::closeOutput() {
    queued_.clear();
    encoder_.reset();
    audioEncoder_.reset();
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

void VideoWriter::discard() {
    if (closed_) return;
    closed_ = true;
    closeOutput();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.isEmpty()) {
        ::unlink(QFile::encodeName(temporary_).constData());
        ForgetVideoTemporary(temporary_);
    }
}
