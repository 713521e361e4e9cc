#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>
#include <optional>

#include "platform/avifile/avitemporary.h"
#include "platform/avifile/compressoptions.h"
#include "platform/avifile/subtitletrack.h"

class AviMuxer;

// An AVIFile-shaped API over libavformat's AVI muxer and libavcodec: the calls
// and records of the platform interface, each returning a status (0 = success).
// Handles are RAII objects, null until created; a file whose handle goes away
// without AVIFileRelease is discarded and its target left as it was.

enum : int {
    AVIERR_OK = 0,
    AVIERR_UNSUPPORTED = int(0x80044065u),
    AVIERR_BADFORMAT = int(0x80044066u),
    AVIERR_MEMORY = int(0x80044067u),
    AVIERR_BADPARAM = int(0x80044069u),
    AVIERR_NOCOMPRESSOR = int(0x80044071u),
    AVIERR_FILEWRITE = int(0x80044073u),
    AVIERR_FILEOPEN = int(0x80044074u),
    CO_E_NOTINITIALIZED = int(0x800401F0u),
};

enum : unsigned { OF_WRITE = 0x0001, OF_CREATE = 0x1000 };
enum : quint32 { AVIIF_KEYFRAME = 0x10 };

struct AviRect {
    qint32 left = 0;
    qint32 top = 0;
    qint32 right = 0;
    qint32 bottom = 0;
};

// The stream description (AVISTREAMINFOA); every field starts at zero.
struct AviStreamInfo {
    quint32 fccType = 0;
    quint32 fccHandler = 0;
    quint32 dwFlags = 0;
    quint32 dwCaps = 0;
    quint16 wPriority = 0;
    quint16 wLanguage = 0;
    quint32 dwScale = 0;
    quint32 dwRate = 0;
    quint32 dwStart = 0;
    quint32 dwLength = 0;
    quint32 dwInitialFrames = 0;
    quint32 dwSuggestedBufferSize = 0;
    quint32 dwQuality = 0;
    quint32 dwSampleSize = 0;
    AviRect rcFrame;
    quint32 dwEditCount = 0;
    quint32 dwFormatChangeCount = 0;
    char szName[64] = {};
};

quint32 mmioStringToFOURCC(const char* text, unsigned flags);
void SetRect(AviRect& rect, qint32 left, qint32 top, qint32 right, qint32 bottom);

class AviFile {
  public:
    AviFile() = default;
    AviFile(AviFile&&) noexcept = default;
    AviFile& operator=(AviFile&& other) noexcept;
    ~AviFile();
    explicit operator bool() const { return muxer_ != nullptr; }

  private:
    friend int AVIFileOpen(AviFile&, const QString&, unsigned, const void*);
    friend int AVIFileCreateStream(AviFile&, class AviStream&, const AviStreamInfo&);
    friend int AVIFileRelease(AviFile&);
    friend QString AVIFileErrorReason(const AviFile&);
    friend int AVIFileSetTexts(AviFile&, const QList<TimedText>&);
    std::shared_ptr<AviMuxer> muxer_;
    QString reason_;
};

class AviStream {
  public:
    AviStream() = default;
    AviStream(AviStream&&) noexcept = default;
    AviStream& operator=(AviStream&&) noexcept = default;
    explicit operator bool() const { return muxer_ != nullptr; }

  private:
    friend int AVIFileCreateStream(AviFile&, AviStream&, const AviStreamInfo&);
    friend int AVIMakeCompressedStream(AviStream&, AviStream&, const CompressOptions&, const void*);
    friend int AVIStreamSetFormat(AviStream&, qint32, const void*, qint32);
    friend int AVIStreamWrite(AviStream&, qint32, qint32, const void*, qint32, quint32, qint32*,
                              qint32*);
    friend int AVIStreamRelease(AviStream&);
    friend int AVIStreamWriteHeld(AviStream&, qint32, qint32, const void*, qint32, quint32);
    std::shared_ptr<AviMuxer> muxer_;
    std::optional<CompressOptions> options_;  // none: frames are stored as they are
};

// Process-wide start and end of the library, paired; AVIFileOpen needs it started.
int AVIFileInit();
void AVIFileExit();

// Creates (or, once complete, replaces) the file at `path`; `mode` must hold
// OF_WRITE and OF_CREATE. Writing goes to a temporary file beside it.
int AVIFileOpen(AviFile& file, const QString& path, unsigned mode, const void* handler = nullptr);
// One video stream ("vids") of dwRate / dwScale frames per second.
int AVIFileCreateStream(AviFile& file, AviStream& stream, const AviStreamInfo& info);
// A stream that stores what is written to it with the chosen encoder.
int AVIMakeCompressedStream(AviStream& compressed, AviStream& source,
                            const CompressOptions& options, const void* handler = nullptr);
// The frames' layout: a BITMAPINFO block (header, then colour table).
int AVIStreamSetFormat(AviStream& stream, qint32 position, const void* format, qint32 formatSize);
// One frame at `start`; a start past the next position leaves dropped frames.
// A write refused for any reason fails the file, as a write error does.
int AVIStreamWrite(AviStream& stream, qint32 start, qint32 samples, const void* buffer,
                   qint32 bufferSize, quint32 flags, qint32* samplesWritten = nullptr,
                   qint32* bytesWritten = nullptr);
// One picture at `start` shown for `positions` positions: in AVI the positions
// after the first are empty samples (the picture holds), in MP4 and Matroska
// the one frame lasts that long.
int AVIStreamWriteHeld(AviStream& stream, qint32 start, qint32 positions, const void* buffer,
                       qint32 bufferSize, quint32 flags);
// Subtitles stored in the file beside the video, in time order; called before
// the stream's format. AVI holds none: nothing is stored.
int AVIFileSetTexts(AviFile& file, const QList<TimedText>& texts);
int AVIStreamRelease(AviStream& stream);
// Completes the file and puts it in place (0), or discards it with the reason.
// A file that never got a stream format holds nothing: it is discarded and the
// target left as it was.
int AVIFileRelease(AviFile& file);
// The system's reason why opening or completing the file failed ("No space left
// on device", "Is a directory", ...); empty when it gave none.
QString AVIFileErrorReason(const AviFile& file);
