#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <deque>
#include <memory>
#include <optional>
#include <span>

#include "video/audioencoder.h"
#include "video/avidatarate.h"
#include "video/bitmapformat.h"
#include "video/compressoptions.h"
#include "video/ffmpegptr.h"
#include "video/frameencoder.h"
#include "video/subtitletrack.h"
#include "video/videochapter.h"
#include "video/videocontainer.h"

// The video stream: frames of one DIB layout, positions lasting scale / rate
// seconds each.
struct VideoStreamFormat {
    QByteArrayView bitmapInfo;  // BITMAPINFO block (header, then colour table)
    quint32 rate = 1;
    quint32 scale = 1;
    std::optional<CompressOptions> compression;  // none: the frames are stored as they are
};

// What became of a video when it was finished.
struct VideoWriterResult {
    bool written = false;  // complete and in place of any earlier file of its name
    QString reason;        // why not; empty when it gave none
};

// One video file being written, of any container: libavformat's muxer over a
// temporary file beside the target, renamed over the target only by finish().
// Dropped unfinished (a failure passing by), it removes the temporary file and
// leaves the target as it was. Streams are added before the first frame,
// audio or cue; every call returns false once the video has failed, and
// reason() says why.
class VideoWriter {
  public:
    // Checks the target (an existing one must be a regular file we may write)
    // and creates the temporary file; ok() says whether that worked.
    VideoWriter(const QString& target, VideoContainer container);
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    bool ok() const { return !failed_; }
    const QString& reason() const { return reason_; }
    VideoContainer container() const { return container_; }

    // Stream 0. Refuses a layout it cannot store and a compressor the container
    // cannot hold.
    bool addVideoStream(const VideoStreamFormat& stream);
    // 48 kHz stereo beside the video.
    bool addAudioStream(const AudioStreamFormat& stream = {});
    // The cues as a text stream beside the video (mov_text in MP4, SubRip in
    // Matroska). AVI holds none: its cues are left out.
    bool addSubtitleStream();
    // The video's chapters, before the first frame. MP4 lists the innermost
    // ones; Matroska keeps them nested; AVI holds none.
    bool setChapters(const QList<VideoChapter>& chapters);

    // One frame of `pixels` (at least a frame's bytes, in the stream's layout)
    // at `start` (-1: right after the last one), shown for `duration` positions.
    // In AVI the positions after the first are empty chunks, which players show
    // as the picture before them; MP4 and Matroska keep one frame of that length.
    // A frame refused for any reason fails the video.
    bool addFrame(const unsigned char* pixels, qint64 size, qint64 start = -1, qint64 duration = 1,
                  bool keyFrame = true);
    // Interleaved 48 kHz stereo samples (left, right, left, ...), -1 to 1,
    // following the ones before; the first plays at the video's start.
    bool addAudio(std::span<const float> samples);
    // One subtitle, UTF-8, in order of their starts.
    bool addCue(qint64 startMs, qint64 endMs, const QByteArray& text);

    // Completes the file and puts it in place of the target. A video that never
    // got a stream holds nothing: it is discarded and the target stays.
    VideoWriterResult finish();

  private:
    bool writeHeader();
    bool ensureHeader();
    bool fail(const QString& reason);
    bool failWith(int error);
    int writeVideoPacket(AVPacket* packet);
    int writeAviGap(qint64 position);
    int writeAviEmpty(qint64 position);
    int writeQueued(bool all);
    int queue(AVPacket* packet, AVStream* stream, AVRational from);
    int writeTrailer();
    void closeOutput();
    void discard();
    QString errorText(int error) const;

    QString target_;
    QString temporary_;
    QString reason_;
    int fd_ = -1;
    AVFormatContext* format_ = nullptr;
    AVIOContext* io_ = nullptr;
    VideoContainer container_ = VideoContainer::Avi;
    bool failed_ = false;
    bool closed_ = false;
    bool headerWritten_ = false;

    AVStream* video_ = nullptr;
    AVRational timeBase_{1, 1};
    BitmapFormat layout_;
    std::unique_ptr<FrameEncoder> encoder_;
    qint64 nextPosition_ = 0;  // where the next frame starts by default
    qint64 aviPackets_ = 0;    // chunks the AVI stream holds so far
    qint64 lastVideoMs_ = -1;  // where the last picture written starts
    AviDataRate dataRate_;

    AVStream* audio_ = nullptr;
    std::unique_ptr<AudioEncoder> audioEncoder_;
    AVStream* text_ = nullptr;
    QList<VideoChapter> chapters_;
    // Audio and cue packets wait here until the video has passed their time,
    // so the file stays in time order.
    std::deque<AvPacketPtr> queued_;
};
