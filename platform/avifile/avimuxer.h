#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "platform/avifile/avidatarate.h"
#include "platform/avifile/aviencoder.h"
#include "platform/avifile/bitmapformat.h"
#include "platform/avifile/subtitletrack.h"
#include "util/videooptions.h"

struct AVFormatContext;
struct AVIOContext;

// One video file being written: libavformat's AVI, MP4 or Matroska muxer (by the
// target's extension) over a temporary file beside the target, renamed over the
// target only by finish(). Holds one video stream, at index 0. Every method
// returns 0 or an AVIERR_* status.
class AviMuxer {
  public:
    // `reason` says why when the target cannot be written.
    static int open(const QString& target, std::shared_ptr<AviMuxer>& muxer, QString& reason);
    ~AviMuxer();
    AviMuxer(const AviMuxer&) = delete;
    AviMuxer& operator=(const AviMuxer&) = delete;

    // rate / scale frames per second.
    int addVideoStream(quint32 rate, quint32 scale);
    // The frames' layout, and how to store them (no options: as they are).
    int setFormat(const void* block, qint64 size, const std::optional<CompressOptions>& options);
    // One frame at `position` (-1: right after the last one), shown for `duration`
    // positions. In AVI, positions skipped become dropped frames; MP4 and Matroska
    // keep each frame's time and length. A frame refused for any reason fails the
    // file: a video missing a frame it was given never replaces the target.
    int write(qint64 position, const void* pixels, qint64 size, bool keyFrame, qint64 duration = 1);
    VideoContainer container() const { return container_; }
    // Subtitles to store beside the video (not in AVI), before the format is set.
    int setTexts(const QList<TimedText>& texts);
    // Completes the file and puts it in place of the target. A file that never got
    // its format is discarded instead (nothing to write: the target stays).
    int finish();
    // Removes the temporary file; the target stays as it was.
    void discard();
    // Discards the file for good: finish() then reports the failure. Returns `status`.
    int fail(int status);
    // The system's reason for the last failure ("" when it gave none).
    const QString& reason() const { return reason_; }

  private:
    AviMuxer() = default;
    int writeFrame(qint64 position, const void* pixels, qint64 size, bool keyFrame,
                   qint64 duration);
    int writePacket(AVPacket* packet);
    int writeHeader(const BitmapFormat& layout);
    int writeTrailer();
    TextStreamKind textKind() const;
    void closeOutput();
    // Records the reason of a failed FFmpeg call (an I/O error carries errno).
    void noteError(int result);

    QString target_;
    QString temporary_;
    QString reason_;
    int fd_ = -1;
    AVFormatContext* format_ = nullptr;
    AVIOContext* io_ = nullptr;
    bool hasStream_ = false;
    AVRational timeBase_{0, 1};
    bool headerWritten_ = false;
    bool failed_ = false;
    bool closed_ = false;
    BitmapFormat layout_;
    std::unique_ptr<AviEncoder> encoder_;
    qint64 nextPosition_ = 0;
    qint64 packetsWritten_ = 0;
    qint64 lastDts_ = -1;
    qint64 endPosition_ = 0;  // where the last frame's time ends
    QList<TimedText> texts_;
    qsizetype nextText_ = 0;
    AVStream* textStream_ = nullptr;
    VideoContainer container_ = VideoContainer::Avi;
    AviDataRate dataRate_;
};
